#pragma once
// Complete game packages as the collection's setup leaves them, generated from deterministic
// content (never real ROM data), each with a build receipt that matches its executable. The
// tests' trusted-digest table is computed from the same content, so these packages pass every
// digest check; tests then damage one thing at a time.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testsupport {

struct FixtureFile {
    std::string name; // relative to the folder the list belongs to
    std::string bytes;
};

// Deterministic bytes of the given length, different for every seed.
std::string fixtureBytes(std::string_view seed, std::size_t length);

// The first game's two 512 KiB program lanes.
std::string qx1EvenLane();
std::string qx1OddLane();

// Two lanes interleaved into one program image (even lane the low byte).
std::string interleavedProgram(std::string_view even, std::string_view odd);
std::string qx1ProgramImage();
std::string qx2ProgramImage(); // from the native ROM table's "uj12.l31" and "ug12.l31"

// The first game's ROM inventory under "roms": 17 files, the two lanes among them.
std::vector<FixtureFile> qx1InventoryRoms();
// The older second-game package's inventory under "roms": 20 files.
std::vector<FixtureFile> qx2ArcadeInventoryRoms();
// A session-script "manifest.json" listing the files with their sizes.
std::string inventoryManifestText(const std::vector<FixtureFile>& roms, bool videoProfiles);

// The second game's native ROM table, in its order, with the real names and sizes.
std::vector<FixtureFile> qx2NativeRoms();
std::string qx2FactorySeed(); // 16384 bytes

// The third game's 26 ROM files, the list that pins them, its graphics list and seed.
std::vector<FixtureFile> qx3Roms();
std::string qx3RomListText(const std::vector<FixtureFile>& roms);
std::string qx3FactorySeed(); // 49152 bytes

// Digest values that the second game's native manifests carry as fixed text.
std::string qx2FiniteSourceSha256();
std::string qx2LiveSourceSha256();
std::string qx2LiveCoreOverlaysSha256();
std::string qx2RomProfileSha256();

// The executable bytes of each package; the receipt names a copy with the same digest.
std::string fixtureExecutable(std::string_view id);

// Key=value manifests as ordered fields, so tests can change, add or drop one.
using ManifestFields = std::vector<std::pair<std::string, std::string>>;
std::string renderManifest(const ManifestFields& fields);
void setField(ManifestFields& fields, const std::string& key, const std::string& value);
void removeField(ManifestFields& fields, const std::string& key);

enum class Qx2Readiness { finiteExperiment, liveExperiment, nativePlayable };

ManifestFields qx3ManifestFields();
ManifestFields qx2NativeManifestFields(Qx2Readiness readiness);

// The package folders under the root.
std::filesystem::path qx1ProductFolder(const std::filesystem::path& root);
std::filesystem::path qx2ArcadeProductFolder(const std::filesystem::path& root);
std::filesystem::path qx2NativeProductFolder(const std::filesystem::path& root);
std::filesystem::path qx3ProductFolder(const std::filesystem::path& root);
// The older second-game package's engine, named by its "engine-path.txt".
std::filesystem::path qx2ArcadeEngine(const std::filesystem::path& root);

// The only build receipt under "generated/<id>" (earlier ones are removed), valid and current,
// whose executable has these bytes; another setup version makes it an outdated build.
// Returns the receipt's build folder.
std::filesystem::path writeBuildReceipt(const std::filesystem::path& root, const std::string& id,
                                        const std::string& executableBytes,
                                        const std::string& setupVersion = "14");

// A build receipt's bytes and last write time (platform::lastWriteTime), so that a test can show
// that a run left an earlier receipt as it was. A receipt that is gone has no bytes and no time.
struct ReceiptState {
    std::string bytes;
    std::uint64_t written = 0;
    bool operator==(const ReceiptState&) const = default;
    friend void PrintTo(const ReceiptState& state, std::ostream* out);
};
ReceiptState receiptState(const std::filesystem::path& buildFolder);

// Each writes one complete package with its ROM files and its receipt.
void writeQx1Package(const std::filesystem::path& root, bool videoProfiles = false);
void writeQx2ArcadePackage(const std::filesystem::path& root);
void writeQx2NativePackage(const std::filesystem::path& root,
                           Qx2Readiness readiness = Qx2Readiness::nativePlayable);
void writeQx3Package(const std::filesystem::path& root);

} // namespace testsupport
