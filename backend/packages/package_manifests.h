#pragma once
// The key=value manifests of the second and third games' native packages: every deviation from
// the pinned revision is refused with its own sentence, and the files they name are checked.
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace qxlauncher {

struct Qx3NativePackage {
    std::filesystem::path packageDirectory;
    std::filesystem::path executable;
    std::filesystem::path romDirectory;
    std::filesystem::path graphicsList;
    std::filesystem::path factorySeed;
    std::filesystem::path profileDirectory;
};

struct Qx2NativePackage {
    std::filesystem::path packageDirectory;
    std::filesystem::path executable;
    std::filesystem::path romDirectory;
    std::filesystem::path profileDirectory;
    std::filesystem::path factorySeed;
    bool liveExecution = false;
    bool playable = false;
    bool extendedVideo = false;
    bool graphicsValidated = false;
};

// The refusal sentences of one manifest kind for the common text format.
struct ManifestSyntaxLabels {
    const char* binary;
    const char* syntax;
    const char* emptyOrDuplicate;
};

// Lines end at LF and are trimmed; empty lines and lines starting with "#" or ";" are comments.
// Keys are folded to lower case (A to Z only); values are kept as written.
std::map<std::string, std::string> parseManifestText(std::string_view text,
                                                     const ManifestSyntaxLabels& labels);

// root / "build/native/qx3-native" / "product/package.ini", with its ROM list and executable.
Qx3NativePackage loadQx3NativeManifest(const std::filesystem::path& root);

// The second game's native manifest; with `verify` the executable and the ROM table's files are
// hashed as well.
Qx2NativePackage loadQx2NativeManifest(const std::filesystem::path& root,
                                       const std::filesystem::path& manifestPath, bool verify);

} // namespace qxlauncher
