#include "tests/support/package_fixtures.h"

#include "platform/files.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_digest.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <sstream>

namespace testsupport {

namespace {

constexpr std::size_t laneSize = 524288;

struct RomShape {
    const char* name;
    std::size_t size;
};

constexpr std::array<RomShape, 20> qx2NativeShapes{{
    {"su2.l1", 524288},    {"su3.l1", 524288},    {"su4.l1", 524288},    {"su5.l1", 524288},
    {"su6.l1", 524288},    {"su7.l1", 524288},    {"uj12.l31", 524288},  {"ug12.l31", 524288},
    {"ug14-vid", 1048576}, {"uj14-vid", 1048576}, {"ug19-vid", 1048576}, {"uj19-vid", 1048576},
    {"ug16-vid", 1048576}, {"uj16-vid", 1048576}, {"ug20-vid", 1048576}, {"uj20-vid", 1048576},
    {"ug17-vid", 1048576}, {"uj17-vid", 1048576}, {"ug22-vid", 1048576}, {"uj22-vid", 1048576},
}};

std::uint64_t splitMix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// Small files of varied sizes for the inventories and the third game's list.
std::vector<FixtureFile> smallRoms(const std::string& prefix, int count) {
    std::vector<FixtureFile> roms;
    for (int i = 1; i <= count; ++i) {
        const std::string name = prefix + std::to_string(i) + ".rom";
        roms.push_back({name, fixtureBytes(name, 200 + static_cast<std::size_t>(i) * 37)});
    }
    return roms;
}

const std::string& laneBytes(int which) {
    static const std::string even = fixtureBytes("qx1 even program lane", laneSize);
    static const std::string odd = fixtureBytes("qx1 odd program lane", laneSize);
    return which == 0 ? even : odd;
}

void writeFiles(const std::filesystem::path& folder, const std::vector<FixtureFile>& files) {
    for (const FixtureFile& file : files) {
        writeFile(folder / file.name, file.bytes);
    }
}

std::string nativeRomBytes(const RomShape& shape) {
    return fixtureBytes(std::string("qx2 native ") + shape.name, shape.size);
}

} // namespace

std::string fixtureBytes(std::string_view seed, std::size_t length) {
    std::uint64_t state = crc32Of(seed) * 0x100000001B3ULL + seed.size();
    std::string bytes(length, '\0');
    std::size_t at = 0;
    for (; at + 8 <= length; at += 8) {
        const std::uint64_t word = splitMix(state);
        std::memcpy(bytes.data() + at, &word, 8);
    }
    const std::uint64_t tail = splitMix(state);
    std::memcpy(bytes.data() + at, &tail, length - at);
    return bytes;
}

std::string interleavedProgram(std::string_view even, std::string_view odd) {
    std::string image(2 * std::min(even.size(), odd.size()), '\0');
    for (std::size_t i = 0; i < image.size() / 2; ++i) {
        image[2 * i] = even[i];
        image[2 * i + 1] = odd[i];
    }
    return image;
}

std::string qx1EvenLane() {
    return laneBytes(0);
}

std::string qx1OddLane() {
    return laneBytes(1);
}

std::string qx1ProgramImage() {
    return interleavedProgram(laneBytes(0), laneBytes(1));
}

std::string qx2ProgramImage() {
    return interleavedProgram(nativeRomBytes(qx2NativeShapes[6]),
                              nativeRomBytes(qx2NativeShapes[7]));
}

std::vector<FixtureFile> qx1InventoryRoms() {
    std::vector<FixtureFile> roms = smallRoms("qx/u", 15);
    roms.insert(roms.begin() + 3, {"qx/prog-even.bin", laneBytes(0)});
    roms.insert(roms.begin() + 9, {"qx/prog-odd.bin", laneBytes(1)});
    return roms;
}

std::vector<FixtureFile> qx2ArcadeInventoryRoms() {
    return smallRoms("qx2/arcade-u", 20);
}

std::string inventoryManifestText(const std::vector<FixtureFile>& roms, bool videoProfiles) {
    std::ostringstream text;
    text << "{\n  \"format\": 1,\n";
    if (videoProfiles) {
        text << "  \"video_profiles\": 1,\n";
    }
    text << "  \"roms\": [\n";
    for (std::size_t i = 0; i < roms.size(); ++i) {
        text << "    {\"path\": \"" << roms[i].name << "\", \"size\": " << roms[i].bytes.size()
             << ", \"sha256\": \"" << sha256Hex(roms[i].bytes) << "\"}"
             << (i + 1 < roms.size() ? ",\n" : "\n");
    }
    text << "  ]\n}\n";
    return text.str();
}

std::vector<FixtureFile> qx2NativeRoms() {
    std::vector<FixtureFile> roms;
    for (const RomShape& shape : qx2NativeShapes) {
        roms.push_back({shape.name, nativeRomBytes(shape)});
    }
    return roms;
}

std::string qx2FactorySeed() {
    return fixtureBytes("qx2 factory seed", 16384);
}

std::vector<FixtureFile> qx3Roms() {
    return smallRoms("qx3-u", 26);
}

std::string qx3RomListText(const std::vector<FixtureFile>& roms) {
    std::ostringstream text;
    for (const FixtureFile& rom : roms) {
        text << rom.name << ' ' << rom.bytes.size() << ' ' << sha256Hex(rom.bytes) << '\n';
    }
    return text.str();
}

std::string qx3FactorySeed() {
    return fixtureBytes("qx3 factory seed", 49152);
}

std::string qx2FiniteSourceSha256() {
    return sha256Hex("fixture finite experiment source");
}

std::string qx2LiveSourceSha256() {
    return sha256Hex("fixture live experiment source");
}

std::string qx2LiveCoreOverlaysSha256() {
    return sha256Hex("fixture live experiment core overlays");
}

std::string qx2RomProfileSha256() {
    return sha256Hex("fixture ROM profile");
}

std::string fixtureExecutable(std::string_view id) {
    return "fixture executable of " + std::string(id) + "\n" + fixtureBytes(id, 4096);
}

std::string renderManifest(const ManifestFields& fields) {
    std::string text = "# fixture package manifest\n";
    for (const auto& [key, value] : fields) {
        text += key + "=" + value + "\n";
    }
    return text;
}

void setField(ManifestFields& fields, const std::string& key, const std::string& value) {
    for (auto& field : fields) {
        if (field.first == key) {
            field.second = value;
            return;
        }
    }
    fields.emplace_back(key, value);
}

void removeField(ManifestFields& fields, const std::string& key) {
    std::erase_if(fields, [&](const auto& field) { return field.first == key; });
}

ManifestFields qx3ManifestFields() {
    return {
        {"format", "1"},
        {"kind", "qx3-native"},
        {"readiness", "product"},
        {"label", "Quarrix 3 fixture"},
        {"game", "qx3"},
        {"revision", "2.1"},
        {"program_sha256", sha256Hex("fixture qx3 program")},
        {"executable", "qx3-native.exe"},
        {"executable_sha256", sha256Hex(fixtureExecutable("qx3"))},
        {"rom_directory", "roms"},
        {"rom_list", "rom-list.txt"},
        {"graphics_list", "graphics-list.txt"},
        {"factory_seed", "factory-seed.bin"},
        {"profile_directory", "profile"},
        {"editions", "original,remastered"},
        {"fidelity", "fixture"},
    };
}

ManifestFields qx2NativeManifestFields(Qx2Readiness readiness) {
    const bool finite = readiness == Qx2Readiness::finiteExperiment;
    const bool playable = readiness == Qx2Readiness::nativePlayable;
    ManifestFields fields{
        {"format", "1"},
        {"kind", "qx2-native-static-cpp17"},
        {"readiness", finite     ? "finite-experiment"
                      : playable ? "native-playable"
                                 : "live-experiment"},
        {"source", "native/qx2/qx2_native_check.cpp"},
        {"source_sha256", finite     ? qx2FiniteSourceSha256()
                          : playable ? sha256Hex("fixture playable sources")
                                     : qx2LiveSourceSha256()},
        {"rom_profile_sha256", qx2RomProfileSha256()},
        {"first_fight_pcs", finite ? "9152" : "10356"},
        {"executable", "qx2-native.exe"},
        {"executable_sha256", sha256Hex(fixtureExecutable("qx2"))},
        {"rom_directory", "roms"},
        {"profile_directory", "profile"},
        {"factory_seed", "factory-seed.bin"},
    };
    if (finite) {
        fields.emplace_back("maximum_cycle", "150023965");
        return fields;
    }
    fields.emplace_back("core_overlays_sha256", playable ? sha256Hex("fixture playable overlays")
                                                         : qx2LiveCoreOverlaysSha256());
    fields.emplace_back("chunk_request_cycles", "2000000");
    fields.emplace_back("cooperative_slack_cycles", "2000000");
    fields.emplace_back("chunk_wall_timeout_ms", "10000");
    fields.emplace_back("bounded_observations", "true");
    if (playable) {
        fields.emplace_back("runtime_sources_sha256", sha256Hex("fixture playable runtime"));
    }
    return fields;
}

std::filesystem::path qx1ProductFolder(const std::filesystem::path& root) {
    return root / "build/native/manual-temporary-8-20261025/product";
}

std::filesystem::path qx2ArcadeProductFolder(const std::filesystem::path& root) {
    return root / "build/native/qx2-arcade-v1/product";
}

std::filesystem::path qx2NativeProductFolder(const std::filesystem::path& root) {
    return root / "build/native/qx2-native-v1/product";
}

std::filesystem::path qx3ProductFolder(const std::filesystem::path& root) {
    return root / "build/native/qx3-native/product";
}

std::filesystem::path qx2ArcadeEngine(const std::filesystem::path& root) {
    return std::filesystem::absolute(root / "build/native/qx2-arcade-v1/engine/qx2-engine.exe");
}

std::filesystem::path writeBuildReceipt(const std::filesystem::path& root, const std::string& id,
                                        const std::string& executableBytes,
                                        const std::string& setupVersion) {
    const std::string digest = sha256Hex(executableBytes);
    const std::string folderName = sha256Hex("fixture build of " + id + " " + digest);
    const std::string executable = "generated/" + id + "/" + folderName + "/" + id + "-native.exe";
    const std::filesystem::path folder = root / "generated" / id / folderName;
    // One receipt per game: where two had the same write time the choice would be the folder
    // listing's.
    std::filesystem::remove_all(root / "generated" / id);
    writeFile(root / executable, executableBytes);
    writeFile(folder / "setup.json", "{\"setup_version\": \"" + setupVersion +
                                         "\", \"compile\": {\"executable\": \"" + executable +
                                         "\", \"sha256\": \"" + digest +
                                         "\", \"seconds\": 12.5}, \"generate_seconds\": 3}\n");
    return folder;
}

void PrintTo(const ReceiptState& state, std::ostream* out) {
    *out << "{written " << state.written << ", bytes \"" << state.bytes << "\"}";
}

ReceiptState receiptState(const std::filesystem::path& buildFolder) {
    const std::filesystem::path receipt = buildFolder / "setup.json";
    return {readFileIfPresent(receipt), platform::lastWriteTime(receipt).value_or(0)};
}

void writeQx1Package(const std::filesystem::path& root, bool videoProfiles) {
    const std::filesystem::path product = qx1ProductFolder(root);
    const std::vector<FixtureFile> roms = qx1InventoryRoms();
    writeFile(product / "qx5-native-audio.exe", fixtureExecutable("qx1"));
    writeFile(product / "session.ps1", "# fixture session script\n");
    writeFile(product / "manifest.json", inventoryManifestText(roms, videoProfiles));
    writeFile(product / "factory-default-control-input.bin", fixtureBytes("qx1 controls", 64));
    writeFile(product / "LogStore.cpp", "// fixture log store\n");
    writeFiles(root / "roms", roms);
    writeBuildReceipt(root, "qx1", fixtureExecutable("qx1"));
}

void writeQx2ArcadePackage(const std::filesystem::path& root) {
    const std::filesystem::path product = qx2ArcadeProductFolder(root);
    const std::vector<FixtureFile> roms = qx2ArcadeInventoryRoms();
    writeFile(product / "session.ps1", "# fixture session script\n");
    writeFile(product / "manifest.json", inventoryManifestText(roms, false));
    writeFile(qx2ArcadeEngine(root), fixtureExecutable("qx2 engine"));
    // Blanks and a line end around the path are allowed.
    const std::u8string engine = qx2ArcadeEngine(root).u8string();
    std::string line(1, ' ');
    line.append(engine.begin(), engine.end());
    line.append("\r\n");
    writeFile(product / "engine-path.txt", line);
    writeFiles(root / "roms", roms);
    writeBuildReceipt(root, "qx2", fixtureExecutable("qx2 engine"));
}

void writeQx2NativePackage(const std::filesystem::path& root, Qx2Readiness readiness) {
    const std::filesystem::path product = qx2NativeProductFolder(root);
    writeFile(product / "native-package.ini", renderManifest(qx2NativeManifestFields(readiness)));
    writeFile(product / "qx2-native.exe", fixtureExecutable("qx2"));
    writeFile(product / "factory-seed.bin", qx2FactorySeed());
    writeFiles(product / "roms", qx2NativeRoms());
    writeBuildReceipt(root, "qx2", fixtureExecutable("qx2"));
}

void writeQx3Package(const std::filesystem::path& root) {
    const std::filesystem::path product = qx3ProductFolder(root);
    const std::vector<FixtureFile> roms = qx3Roms();
    writeFile(product / "package.ini", renderManifest(qx3ManifestFields()));
    writeFile(product / "qx3-native.exe", fixtureExecutable("qx3"));
    writeFile(product / "rom-list.txt", qx3RomListText(roms));
    writeFile(product / "graphics-list.txt", "qx3-u1.rom\nqx3-u2.rom\n");
    writeFile(product / "factory-seed.bin", qx3FactorySeed());
    writeFiles(product / "roms", roms);
    writeBuildReceipt(root, "qx3", fixtureExecutable("qx3"));
}

} // namespace testsupport
