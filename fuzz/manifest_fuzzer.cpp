// Feeds arbitrary bytes to the native package manifests: the common key=value reader, the third
// game's "package.ini" and the second game's "native-package.ini", laid out in a scratch project
// root. A manifest may be refused only with the readers' own labels (and the file services'); the
// fields the common reader takes, written back as lines, read back the same, and no value or path
// that a reader returns holds a NUL.
#include "backend/packages/package_manifests.h"
#include "fuzz/fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

namespace {

namespace fs = std::filesystem;

constexpr qxlauncher::ManifestSyntaxLabels labels{"binary", "syntax", "empty or duplicate"};

// Labels both package readers share: paths named in a manifest, and the file services.
fuzzsupport::Labels withPathLabels(fuzzsupport::Labels labels) {
    labels.insert(labels.end(),
                  {"native package path must be explicit; profile must be relative",
                   "native package traversal rejected", "linked path", "inaccessible path",
                   "oversized file", "read file", "native package file is not ordinary",
                   "native package file size differs", "native package file read differs"});
    return labels;
}

// A path that a package hands on names exactly the file that was checked.
void expectPathsWithoutNul(std::initializer_list<fs::path> paths) {
    for (const fs::path& path : paths) {
        fuzzsupport::check(!fuzzsupport::holdsNul(path), "a package path holds a NUL");
    }
}

void readCommon(std::string_view text) {
    std::map<std::string, std::string> fields;
    if (fuzzsupport::refusedWithLabel([&] { fields = qxlauncher::parseManifestText(text, labels); },
                                      {"binary", "syntax", "empty or duplicate"})) {
        return;
    }
    std::string written;
    for (const auto& [key, value] : fields) {
        written += key + "=" + value + "\n";
    }
    fuzzsupport::check(qxlauncher::parseManifestText(written, labels) == fields,
                       "manifest fields written back read otherwise");
    for (const auto& [key, value] : fields) {
        fuzzsupport::check(value.find('\0') == std::string::npos, "a manifest value holds a NUL");
    }
}

void readQx3(std::string_view text) {
    static const fs::path root = fuzzsupport::scratchRoot() / "qx3";
    fuzzsupport::writeFile(root / "build/native/qx3-native/product/package.ini", text);
    qxlauncher::Qx3NativePackage package;
    const bool refused = fuzzsupport::refusedWithLabel(
        [&] { package = qxlauncher::loadQx3NativeManifest(root); },
        withPathLabels({"QX3 native manifest is binary", "QX3 native manifest syntax",
                        "QX3 native manifest empty or duplicate field",
                        "QX3 native manifest fields differ", "unknown QX3 native manifest field",
                        "QX3 native manifest kind differs",
                        "QX3 native ROM list is not the authenticated rev 2.1 set",
                        "QX3 native executable SHA-256 malformed", "QX3 native package incomplete",
                        "QX3 native ROM missing", "QX3 native ROM SHA-256 differs",
                        "QX3 native ROM count differs",
                        "QX3 native executable is not the one built by the local setup",
                        "QX3 native executable SHA-256 differs"}),
        true);
    if (!refused) {
        expectPathsWithoutNul({package.packageDirectory, package.executable, package.romDirectory,
                               package.graphicsList, package.factorySeed,
                               package.profileDirectory});
    }
}

void readQx2(std::string_view text) {
    static const fs::path root = fuzzsupport::scratchRoot() / "qx2";
    const fs::path manifest = root / "build/native/qx2-native-v1/product/native-package.ini";
    fuzzsupport::writeFile(manifest, text);
    qxlauncher::Qx2NativePackage package;
    const bool refused = fuzzsupport::refusedWithLabel(
        [&] { package = qxlauncher::loadQx2NativeManifest(root, manifest, false); },
        withPathLabels({"native manifest is binary", "native manifest syntax",
                        "native manifest empty or duplicate field", "native manifest fields differ",
                        "unknown native manifest field",
                        "native manifest kind/source/ROM/readiness is not this finite experiment",
                        "native manifest is not this live experiment with bounded observations",
                        "native playable package source/ROM/execution contract differs",
                        "QX2 setup has not finished on this machine",
                        "native executable is not the one built by the local setup",
                        "native executable SHA-256 malformed"}),
        true);
    if (!refused) {
        expectPathsWithoutNul({package.packageDirectory, package.executable, package.romDirectory,
                               package.profileDirectory, package.factorySeed});
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 3) {
    case 0:
        readCommon(text);
        break;
    case 1:
        readQx3(text);
        break;
    default:
        readQx2(text);
        break;
    }
    return 0;
}
