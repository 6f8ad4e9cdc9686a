#pragma once
// Native game packages under "build/native": how manifest paths become checked paths, whether
// the second game's native package is there, and the ROM inventory of session-script packages.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qxlauncher {

// Whether the session-script package of the first game, or the second game's older package,
// holds its product files and every ROM file its manifest.json lists.
bool qx1PackageComplete(const std::filesystem::path& root);
bool qx2ArcadePackageComplete(const std::filesystem::path& root);

// A path value of a package manifest (UTF-8) as a checked path under `base`; an absolute value
// is taken as it is unless `relativeOnly`. Fails with "native package path must be explicit;
// profile must be relative", "native package traversal rejected" and the errors of
// requireUnlinkedPath.
std::filesystem::path resolveManifestPath(const std::filesystem::path& base, std::string_view value,
                                          bool relativeOnly);

// root / "build/native/qx2-native-v1" / "product/native-package.ini".
std::filesystem::path nativePackageIniPath(const std::filesystem::path& root);

// Whether the native manifest's entry exists; an entry that cannot be looked at counts as
// present, so that the manifest reader reports the real problem.
bool isQx2NativePackagePresent(const std::filesystem::path& root);

// One ROM entry of a session-script package's "manifest.json": a "path" member followed by its
// "size" member. Both are the texts as written.
struct InventoryEntry {
    std::string path;
    std::string size;
};

// Every entry in text order, as `"path"\s*:\s*"([^"]+)"\s*,\s*"size"\s*:\s*([0-9]+)` finds
// them one after another.
std::vector<InventoryEntry> findInventoryEntries(std::string_view text);

// True when exactly `count` entries are listed and each names a regular unlinked file of its
// size under root / "roms". The first entry that fails ends the check.
bool romInventoryComplete(const std::filesystem::path& root, std::string_view manifestText,
                          std::size_t count);

} // namespace qxlauncher
