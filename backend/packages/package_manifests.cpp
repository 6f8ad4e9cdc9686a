#include "backend/packages/package_manifests.h"

#include "backend/files/file_safety.h"
#include "backend/files/text_fields.h"
#include "backend/packages/hashing.h"
#include "backend/packages/packages.h"
#include "backend/packages/trusted_digests.h"
#include "backend/preferences/collection_paths.h"
#include "backend/setup/setup_progress.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

namespace qxlauncher {

namespace {

constexpr std::uintmax_t manifestCap = 8192;
constexpr std::uintmax_t romListCap = 8192;
constexpr std::uintmax_t qx3ExecutableCap = 268435456;
constexpr std::uintmax_t qx2ExecutableCap = 134217728;
constexpr std::uintmax_t qx3FactorySeedSize = 49152;
constexpr std::size_t qx3RomCount = 26;
constexpr const char* qx2NativeSource = "native/qx2/qx2_native_check.cpp";

using ManifestFields = std::map<std::string, std::string>;
using FixedValue = std::pair<const char*, std::string_view>;

constexpr ManifestSyntaxLabels qx3Labels{"QX3 native manifest is binary",
                                         "QX3 native manifest syntax",
                                         "QX3 native manifest empty or duplicate field"};
constexpr ManifestSyntaxLabels qx2Labels{"native manifest is binary", "native manifest syntax",
                                         "native manifest empty or duplicate field"};

const std::set<std::string> qx3Keys{"format",
                                    "kind",
                                    "readiness",
                                    "label",
                                    "game",
                                    "revision",
                                    "program_sha256",
                                    "executable",
                                    "executable_sha256",
                                    "rom_directory",
                                    "rom_list",
                                    "graphics_list",
                                    "factory_seed",
                                    "profile_directory",
                                    "editions",
                                    "fidelity"};

const std::set<std::string> qx2BaseKeys{"format",          "kind",
                                        "readiness",       "source",
                                        "source_sha256",   "rom_profile_sha256",
                                        "first_fight_pcs", "maximum_cycle",
                                        "executable",      "executable_sha256",
                                        "rom_directory",   "profile_directory",
                                        "factory_seed"};

enum class Qx2Readiness { finiteExperiment, liveExperiment, nativePlayable };

std::set<std::string> qx2KeysFor(Qx2Readiness readiness) {
    std::set<std::string> keys = qx2BaseKeys;
    if (readiness == Qx2Readiness::finiteExperiment) {
        return keys;
    }
    keys.erase("maximum_cycle");
    keys.insert({"core_overlays_sha256", "chunk_request_cycles", "cooperative_slack_cycles",
                 "chunk_wall_timeout_ms", "bounded_observations"});
    if (readiness == Qx2Readiness::nativePlayable) {
        keys.insert("runtime_sources_sha256");
    }
    return keys;
}

void requireKeySet(const ManifestFields& fields, const std::set<std::string>& expected,
                   const char* countDiffers, const char* unknownKey) {
    if (fields.size() != expected.size()) {
        throw std::runtime_error(countDiffers);
    }
    for (const auto& field : fields) {
        if (!expected.contains(field.first)) {
            throw std::runtime_error(unknownKey);
        }
    }
}

bool fieldsEqual(const ManifestFields& fields, std::initializer_list<FixedValue> fixed) {
    for (const auto& [key, value] : fixed) {
        if (fields.at(key) != value) {
            return false;
        }
    }
    return true;
}

bool fieldsLowerHex64(const ManifestFields& fields, std::initializer_list<const char*> keys) {
    for (const char* key : keys) {
        if (!isLowerHex64(fields.at(key))) {
            return false;
        }
    }
    return true;
}

bool isPositiveInteger(const std::string& text) {
    std::int32_t value = 0;
    return tryParseInt(text, value) && value > 0;
}

// The white space between the list's words, as a stream reads words.
bool isListSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::vector<std::string_view> listWords(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && isListSpace(text[at])) {
            ++at;
        }
        const std::size_t start = at;
        while (at < text.size() && !isListSpace(text[at])) {
            ++at;
        }
        if (at > start) {
            words.push_back(text.substr(start, at - start));
        }
    }
    return words;
}

std::optional<std::uint64_t> parseUnsigned(std::string_view digits) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

struct RomListEntry {
    std::string_view name;
    std::uint64_t size = 0;
    std::string_view sha256;
};

// Triples of name, size and digest, up to the first one that cannot be read.
std::vector<RomListEntry> romListEntries(std::string_view text) {
    const std::vector<std::string_view> words = listWords(text);
    std::vector<RomListEntry> entries;
    for (std::size_t at = 0; at + 3 <= words.size(); at += 3) {
        const std::optional<std::uint64_t> size = parseUnsigned(words[at + 1]);
        if (!size) {
            break;
        }
        entries.push_back({words[at], *size, words[at + 2]});
    }
    return entries;
}

// The list is hashed and parsed from these same bytes, so it cannot change in between.
std::string readRomList(const std::filesystem::path& list) {
    if (!isRegularUnlinkedFile(list)) {
        throw std::runtime_error("native package file is not ordinary");
    }
    if (std::filesystem::file_size(list) > romListCap) {
        throw std::runtime_error("native package file size differs");
    }
    return readFileCapped(list, romListCap);
}

void verifyQx3Roms(const std::filesystem::path& romDirectory, std::string_view listText) {
    std::size_t count = 0;
    for (const RomListEntry& entry : romListEntries(listText)) {
        const std::filesystem::path file = resolveManifestPath(romDirectory, entry.name, true);
        if (!isRegularUnlinkedFile(file) || std::filesystem::file_size(file) != entry.size) {
            throw std::runtime_error("QX3 native ROM missing");
        }
        if (hashPackageFile(file, entry.size, entry.size) != entry.sha256) {
            throw std::runtime_error("QX3 native ROM SHA-256 differs");
        }
        ++count;
    }
    if (count != qx3RomCount) {
        throw std::runtime_error("QX3 native ROM count differs");
    }
}

bool qx3FilesPresent(const Qx3NativePackage& package) {
    return isRegularUnlinkedFile(package.executable) &&
           isRegularUnlinkedFile(package.graphicsList) &&
           isRegularUnlinkedFile(package.factorySeed) &&
           std::filesystem::file_size(package.factorySeed) == qx3FactorySeedSize;
}

Qx2Readiness readinessOf(const ManifestFields& fields) {
    const auto readiness = fields.find("readiness");
    if (readiness != fields.end() && readiness->second == "native-playable") {
        return Qx2Readiness::nativePlayable;
    }
    if (readiness != fields.end() && readiness->second == "live-experiment") {
        return Qx2Readiness::liveExperiment;
    }
    return Qx2Readiness::finiteExperiment;
}

void requireFiniteContract(const ManifestFields& fields, const TrustedDigests& trusted) {
    if (!fieldsEqual(fields, {{"format", "1"},
                              {"kind", "qx2-native-static-cpp17"},
                              {"readiness", "finite-experiment"},
                              {"source", qx2NativeSource},
                              {"source_sha256", trusted.qx2FiniteSourceSha256},
                              {"rom_profile_sha256", trusted.qx2RomProfileSha256},
                              {"first_fight_pcs", "9152"},
                              {"maximum_cycle", "150023965"}})) {
        throw std::runtime_error(
            "native manifest kind/source/ROM/readiness is not this finite experiment");
    }
}

void requireLiveContract(const ManifestFields& fields, const TrustedDigests& trusted) {
    if (!fieldsEqual(fields, {{"format", "1"},
                              {"kind", "qx2-native-static-cpp17"},
                              {"source", qx2NativeSource},
                              {"source_sha256", trusted.qx2LiveSourceSha256},
                              {"core_overlays_sha256", trusted.qx2LiveCoreOverlaysSha256},
                              {"rom_profile_sha256", trusted.qx2RomProfileSha256},
                              {"first_fight_pcs", "10356"},
                              {"chunk_request_cycles", "2000000"},
                              {"cooperative_slack_cycles", "2000000"},
                              {"chunk_wall_timeout_ms", "10000"},
                              {"bounded_observations", "true"}})) {
        throw std::runtime_error(
            "native manifest is not this live experiment with bounded observations");
    }
}

void requirePlayableContract(const std::filesystem::path& root, const ManifestFields& fields,
                             const TrustedDigests& trusted) {
    const bool contract =
        fieldsEqual(
            fields,
            {{"format", "1"}, {"kind", "qx2-native-static-cpp17"}, {"source", qx2NativeSource}}) &&
        fieldsLowerHex64(fields,
                         {"source_sha256", "core_overlays_sha256", "runtime_sources_sha256"}) &&
        fieldsEqual(fields, {{"rom_profile_sha256", trusted.qx2RomProfileSha256}}) &&
        isPositiveInteger(fields.at("first_fight_pcs")) &&
        fieldsEqual(fields, {{"chunk_request_cycles", "2000000"},
                             {"cooperative_slack_cycles", "2000000"},
                             {"chunk_wall_timeout_ms", "10000"},
                             {"bounded_observations", "true"}});
    if (!contract) {
        throw std::runtime_error("native playable package source/ROM/execution contract differs");
    }
    const LatestBuild build = findLatestBuild(root, L"qx2");
    if (!build.found) {
        throw std::runtime_error("QX2 setup has not finished on this machine");
    }
    if (fields.at("executable_sha256") != build.sha256) {
        throw std::runtime_error("native executable is not the one built by the local setup");
    }
}

void verifyQx2Files(const Qx2NativePackage& package, const std::string& executableSha256,
                    const TrustedDigests& trusted) {
    if (hashPackageFile(package.executable, qx2ExecutableCap, 0) != executableSha256) {
        throw std::runtime_error("native executable SHA-256 differs");
    }
    for (const PinnedRomFile& rom : trusted.qx2NativeRoms) {
        if (hashPackageFile(package.romDirectory / rom.file, rom.size, rom.size) != rom.sha256) {
            throw std::runtime_error("native ROM SHA-256 differs");
        }
    }
}

} // namespace

std::map<std::string, std::string> parseManifestText(std::string_view text,
                                                     const ManifestSyntaxLabels& labels) {
    if (text.find('\0') != std::string_view::npos) {
        throw std::runtime_error(labels.binary);
    }
    ManifestFields fields;
    forEachContentLine(text, [&](const std::string& line) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            throw std::runtime_error(labels.syntax);
        }
        std::string key = lowerAscii(trim(std::string_view(line).substr(0, equals)));
        std::string value = trim(std::string_view(line).substr(equals + 1));
        if (value.empty() || fields.contains(key)) {
            throw std::runtime_error(labels.emptyOrDuplicate);
        }
        fields.emplace(std::move(key), std::move(value));
    });
    return fields;
}

Qx3NativePackage loadQx3NativeManifest(const std::filesystem::path& root) {
    const std::filesystem::path packageDirectory = root / qx3NativeBuildDir / "product";
    const ManifestFields fields =
        parseManifestText(readFileCapped(packageDirectory / "package.ini", manifestCap), qx3Labels);
    requireKeySet(fields, qx3Keys, "QX3 native manifest fields differ",
                  "unknown QX3 native manifest field");
    if (!fieldsEqual(fields, {{"format", "1"},
                              {"kind", "qx3-native"},
                              {"readiness", "product"},
                              {"game", "qx3"},
                              {"revision", "2.1"},
                              {"editions", "original,remastered"}})) {
        throw std::runtime_error("QX3 native manifest kind differs");
    }
    const auto resolve = [&](const char* key) {
        return resolveManifestPath(packageDirectory, fields.at(key), true);
    };
    // Braced initialisation resolves the paths in the order of the fields.
    const Qx3NativePackage package{packageDirectory,         resolve("executable"),
                                   resolve("rom_directory"), resolve("graphics_list"),
                                   resolve("factory_seed"),  resolve("profile_directory")};
    const std::string romList = readRomList(resolve("rom_list"));
    if (sha256Hex(romList) != trustedDigests().qx3RomListSha256) {
        throw std::runtime_error("QX3 native ROM list is not the authenticated rev 2.1 set");
    }
    const std::string& executableSha256 = fields.at("executable_sha256");
    if (!isLowerHex64(executableSha256)) {
        throw std::runtime_error("QX3 native executable SHA-256 malformed");
    }
    if (!qx3FilesPresent(package)) {
        throw std::runtime_error("QX3 native package incomplete");
    }
    verifyQx3Roms(package.romDirectory, romList);
    const LatestBuild build = findLatestBuild(root, L"qx3");
    if (!build.found || build.sha256 != executableSha256) {
        throw std::runtime_error("QX3 native executable is not the one built by the local setup");
    }
    if (hashPackageFile(package.executable, qx3ExecutableCap, 0) != executableSha256) {
        throw std::runtime_error("QX3 native executable SHA-256 differs");
    }
    return package;
}

Qx2NativePackage loadQx2NativeManifest(const std::filesystem::path& root,
                                       const std::filesystem::path& manifestPath, bool verify) {
    const std::filesystem::path manifest = manifestPath.lexically_normal();
    const ManifestFields fields =
        parseManifestText(readFileCapped(manifest, manifestCap), qx2Labels);
    const Qx2Readiness readiness = readinessOf(fields);
    requireKeySet(fields, qx2KeysFor(readiness), "native manifest fields differ",
                  "unknown native manifest field");
    const TrustedDigests& trusted = trustedDigests();
    switch (readiness) {
    case Qx2Readiness::finiteExperiment:
        requireFiniteContract(fields, trusted);
        break;
    case Qx2Readiness::liveExperiment:
        requireLiveContract(fields, trusted);
        break;
    case Qx2Readiness::nativePlayable:
        requirePlayableContract(root, fields, trusted);
        break;
    }
    const std::string& executableSha256 = fields.at("executable_sha256");
    if (!isLowerHex64(executableSha256)) {
        throw std::runtime_error("native executable SHA-256 malformed");
    }
    Qx2NativePackage package;
    package.packageDirectory = manifest.parent_path();
    package.executable =
        resolveManifestPath(package.packageDirectory, fields.at("executable"), false);
    package.romDirectory =
        resolveManifestPath(package.packageDirectory, fields.at("rom_directory"), false);
    package.profileDirectory =
        resolveManifestPath(package.packageDirectory, fields.at("profile_directory"), true);
    package.factorySeed =
        resolveManifestPath(package.packageDirectory, fields.at("factory_seed"), false);
    package.playable = readiness == Qx2Readiness::nativePlayable;
    package.liveExecution = readiness != Qx2Readiness::finiteExperiment;
    package.extendedVideo = package.playable;
    package.graphicsValidated = package.playable;
    if (verify) {
        verifyQx2Files(package, executableSha256, trusted);
    }
    return package;
}

} // namespace qxlauncher
