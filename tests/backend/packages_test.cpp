#include "backend/packages/packages.h"

#include "backend/backend.h"
#include "backend/files/text_fields.h"
#include "backend/packages/hashing.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/temp_folder.h"

#include "tests/support/error_text.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <regex>
#include <stdexcept>

namespace qxlauncher {
namespace {

using testsupport::TempFolder;
using testsupport::writeFile;

using testsupport::errorText;

constexpr const char* notExplicit =
    "native package path must be explicit; profile must be relative";
constexpr const char* traversal = "native package traversal rejected";

std::string utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

struct ResolveCase {
    std::string value;
    bool relativeOnly;
    const char* error; // nullptr: accepted
    bool windowsForm;  // backslashes and drive letters are name characters on Linux
};

TEST(ResolveManifestPath, RefusesWhatIsNotExplicitOrTraverses) {
    TempFolder base("resolve");
    const std::string absolute = utf8Of(base / "elsewhere/roms");
    const ResolveCase cases[] = {
        {"", false, notExplicit, false},
        {"roms", true, nullptr, false},
        {"roms/sub", true, nullptr, false},
        {absolute, false, nullptr, false},
        {absolute, true, notExplicit, false},
        {"\\roms", false, notExplicit, true},
        {"D:roms", false, notExplicit, true},
        {".", false, traversal, false},
        {"..", false, traversal, false},
        {"a/./b", false, traversal, false},
        {"a/../b", true, traversal, false},
        {"../roms", false, traversal, false},
        {std::string("roms\0.txt", 9), true, traversal, false},
        {std::string("roms\0", 5), false, traversal, false},
    };
    for (const ResolveCase& c : cases) {
#ifndef _WIN32
        if (c.windowsForm) {
            continue;
        }
#endif
        if (c.error == nullptr) {
            const std::filesystem::path resolved =
                resolveManifestPath(base.path(), c.value, c.relativeOnly);
            const std::filesystem::path expected = c.value == absolute
                                                       ? base / "elsewhere/roms"
                                                       : base / std::filesystem::path(c.value);
            EXPECT_EQ(resolved, expected.lexically_normal()) << c.value;
        } else {
            EXPECT_EQ(errorText([&] { resolveManifestPath(base.path(), c.value, c.relativeOnly); }),
                      c.error)
                << c.value;
        }
    }
}

TEST(ResolveManifestPath, RefusesALinkOnTheResult) {
    TempFolder base("resolve-link");
    std::filesystem::create_directories(base / "real");
    if (!testsupport::makeFolderLink(base / "real", base / "linked")) {
        GTEST_SKIP() << "this system does not create folder links";
    }
    EXPECT_EQ(errorText([&] { resolveManifestPath(base.path(), "linked/x", true); }),
              "linked path");
    EXPECT_EQ(resolveManifestPath(base.path(), "missing/x", true), base / "missing/x");
}

TEST(IsLowerHex64, OnlySixtyFourLowerCaseDigits) {
    const std::string good(64, 'a');
    EXPECT_TRUE(isLowerHex64(good));
    EXPECT_TRUE(isLowerHex64(testsupport::qx2RomProfileSha256()));
    EXPECT_FALSE(isLowerHex64(std::string(63, 'a')));
    EXPECT_FALSE(isLowerHex64(std::string(65, 'a')));
    EXPECT_FALSE(isLowerHex64(std::string(63, 'a') + "A"));
    EXPECT_FALSE(isLowerHex64(std::string(63, 'a') + "g"));
    EXPECT_FALSE(isLowerHex64(""));
}

TEST(NativePackagePresence, AnyEntryAtTheManifestPathCounts) {
    TempFolder root("native-presence");
    EXPECT_EQ(nativePackageIniPath(root.path()),
              root / "build/native/qx2-native-v1/product/native-package.ini");
    EXPECT_FALSE(isQx2NativePackagePresent(root.path()));
    std::filesystem::create_directories(nativePackageIniPath(root.path()));
    EXPECT_TRUE(isQx2NativePackagePresent(root.path()));
    std::filesystem::remove(nativePackageIniPath(root.path()));
    writeFile(nativePackageIniPath(root.path()), "");
    EXPECT_TRUE(isQx2NativePackagePresent(root.path()));
    Backend backend(StartupContext{root.path()});
    EXPECT_TRUE(backend.nativePackagePresent());
}

struct ScanCase {
    std::string text;
    std::vector<std::pair<std::string, std::string>> entries;
};

TEST(InventoryScanner, FindsEntriesAsThePatternDoes) {
    const ScanCase cases[] = {
        {R"({"path": "qx/a.rom", "size": 12})", {{"qx/a.rom", "12"}}},
        {"\"path\"\t:\n\"a b\"\r\n,\v\"size\"\f:  007", {{"a b", "007"}}},
        {R"("path":"a","size":1"path":"b","size":2)", {{"a", "1"}, {"b", "2"}}},
        {R"("size": 1, "path": "a")", {}},
        {R"("path": "a", "sha1": "x", "size": 1)", {}},
        {R"("path": "", "size": 1)", {}},
        {R"("path": "a",, "size": 1)", {}},
        {R"("path": "a", "size": x)", {}},
        {R"("path": "a", "size": -1)", {}},
        {R"("path": "a", "size": 12abc)", {{"a", "12"}}},
        {R"("path" "path": "a", "size": 3)", {{"a", "3"}}},
        {R"("path": "x", "path": "a", "size": 3)", {{"a", "3"}}},
        {"\"path\": \"line\nbreak\", \"size\": 4", {{"line\nbreak", "4"}}},
        {R"("PATH": "a", "size": 1)", {}},
    };
    for (const ScanCase& c : cases) {
        std::vector<std::pair<std::string, std::string>> found;
        for (const InventoryEntry& entry : findInventoryEntries(c.text)) {
            found.emplace_back(entry.path, entry.size);
        }
        EXPECT_EQ(found, c.entries) << c.text;
    }
}

// The pattern engine itself is the oracle on short texts, where it is safe to run.
TEST(InventoryScanner, AgreesWithTheRegularExpressionOnRandomTexts) {
    const std::regex pattern(R"re("path"\s*:\s*"([^"]+)"\s*,\s*"size"\s*:\s*([0-9]+))re",
                             std::regex::ECMAScript);
    const char* pieces[] = {"\"path\"", "\"size\"", ":", ",",  " ", "\n",
                            "\"",       "12",       "a", "\t", "0"};
    std::mt19937 random(20261025);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int length = 1 + static_cast<int>(random() % 24);
        for (int i = 0; i < length; ++i) {
            text += pieces[random() % std::size(pieces)];
        }
        std::vector<std::pair<std::string, std::string>> expected;
        for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
             it != std::sregex_iterator(); ++it) {
            expected.emplace_back((*it)[1].str(), (*it)[2].str());
        }
        std::vector<std::pair<std::string, std::string>> found;
        for (const InventoryEntry& entry : findInventoryEntries(text)) {
            found.emplace_back(entry.path, entry.size);
        }
        ASSERT_EQ(found, expected) << text;
    }
}

TEST(InventoryScanner, ALongValueDoesNotExhaustTheStack) {
    const std::string longPath(8 * 1024 * 1024, 'p');
    const std::string text = "\"path\": \"" + longPath + "\", \"size\": 5";
    const auto entries = findInventoryEntries(text);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].path.size(), longPath.size());
}

class Availability : public ::testing::Test {
protected:
    void SetUp() override { clearFileHashCache(); }
    bool available(int game) {
        clearFileHashCache();
        return Backend(StartupContext{root.path()}).isGameAvailable(game);
    }
    void writeQx1Manifest(const std::vector<testsupport::FixtureFile>& roms) {
        writeFile(testsupport::qx1ProductFolder(root.path()) / "manifest.json",
                  testsupport::inventoryManifestText(roms, false));
    }
    TempFolder root{"availability"};
};

TEST_F(Availability, NothingIsAvailableWithoutItsReceipt) {
    testsupport::writeQx1Package(root.path());
    testsupport::writeQx2NativePackage(root.path());
    testsupport::writeQx3Package(root.path());
    EXPECT_TRUE(available(0));
    EXPECT_TRUE(available(1));
    EXPECT_TRUE(available(2));
    EXPECT_FALSE(available(3));
    EXPECT_FALSE(available(-1));
    std::filesystem::remove_all(root / "generated");
    EXPECT_FALSE(available(0));
    EXPECT_FALSE(available(1));
    EXPECT_FALSE(available(2));
}

TEST_F(Availability, FirstGameInventoryMustBeExact) {
    testsupport::writeQx1Package(root.path(), true);
    ASSERT_TRUE(available(0));
    auto roms = testsupport::qx1InventoryRoms();

    auto extra = roms;
    extra.push_back({"qx/extra.rom", "extra"});
    writeFile(root / "roms/qx/extra.rom", "extra");
    writeQx1Manifest(extra);
    EXPECT_FALSE(available(0)) << "18 entries";

    auto fewer = roms;
    fewer.pop_back();
    writeQx1Manifest(fewer);
    EXPECT_FALSE(available(0)) << "16 entries";

    auto dotted = roms;
    dotted[0].name = "qx/./" + dotted[0].name.substr(3);
    writeQx1Manifest(dotted);
    EXPECT_TRUE(available(0)) << "a '.' component is harmless";

    auto climbing = roms;
    climbing[0].name = "qx/../qx/" + climbing[0].name.substr(3);
    writeQx1Manifest(climbing);
    EXPECT_FALSE(available(0)) << "'..' refused though the file exists";

    writeQx1Manifest(roms);
    writeFile(root / "roms/qx/unlisted.bin", "ignored");
    EXPECT_TRUE(available(0)) << "an unlisted file does not matter";
}

TEST_F(Availability, FirstGameRefusesRootedInventoryPaths) {
    testsupport::writeQx1Package(root.path());
    auto roms = testsupport::qx1InventoryRoms();
    std::vector<std::string> rooted{
        utf8Of(std::filesystem::absolute(root / "roms" / roms[0].name))};
#ifdef _WIN32
    // Rooted without a drive, and drive-relative: neither may leave the roms folder.
    const std::string full = rooted[0];
    rooted.push_back(full.substr(2));
    rooted.push_back(full.substr(0, 2) + full.substr(3));
#endif
    for (const std::string& path : rooted) {
        auto changed = roms;
        changed[0].name = path;
        writeQx1Manifest(changed);
        EXPECT_FALSE(available(0)) << path;
    }
}

TEST_F(Availability, FirstGameDamage) {
    const auto roms = testsupport::qx1InventoryRoms();
    struct Damage {
        const char* what;
        std::function<void(const std::filesystem::path&)> apply;
    };
    const Damage damages[] = {
        {"missing log store",
         [](const auto& r) {
             std::filesystem::remove(testsupport::qx1ProductFolder(r) / "LogStore.cpp");
         }},
        {"missing ROM", [&](const auto& r) { std::filesystem::remove(r / "roms" / roms[5].name); }},
        {"ROM one byte short",
         [&](const auto& r) { writeFile(r / "roms" / roms[5].name, roms[5].bytes.substr(1)); }},
        {"ROM one byte long",
         [&](const auto& r) { writeFile(r / "roms" / roms[5].name, roms[5].bytes + "x"); }},
        {"size beyond 64 bits",
         [&](const auto& r) {
             std::string text = testsupport::inventoryManifestText(roms, false);
             const std::string size = "\"size\": " + std::to_string(roms[0].bytes.size());
             text.replace(text.find(size), size.size(), "\"size\": 99999999999999999999999");
             writeFile(testsupport::qx1ProductFolder(r) / "manifest.json", text);
         }},
        {"ROM path cut by a NUL",
         [&](const auto& r) {
             auto cut = roms;
             cut[5].name += std::string("\0.txt", 5);
             writeFile(testsupport::qx1ProductFolder(r) / "manifest.json",
                       testsupport::inventoryManifestText(cut, false));
         }},
        {"manifest over 65536 bytes",
         [&](const auto& r) {
             writeFile(testsupport::qx1ProductFolder(r) / "manifest.json",
                       testsupport::inventoryManifestText(roms, false) + std::string(65536, ' '));
         }},
    };
    for (const Damage& damage : damages) {
        TempFolder fresh("availability-qx1");
        testsupport::writeQx1Package(fresh.path());
        damage.apply(fresh.path());
        clearFileHashCache();
        EXPECT_FALSE(Backend(StartupContext{fresh.path()}).isGameAvailable(0)) << damage.what;
    }
}

TEST_F(Availability, ALinkedRomMakesTheGameUnavailable) {
    testsupport::writeQx1Package(root.path());
    const auto roms = testsupport::qx1InventoryRoms();
    std::filesystem::rename(root / "roms/qx", root / "roms-real");
    if (!testsupport::makeFolderLink(root / "roms-real", root / "roms/qx")) {
        GTEST_SKIP() << "this system does not create folder links";
    }
    EXPECT_FALSE(available(0));
}

TEST_F(Availability, OlderSecondGamePackage) {
    testsupport::writeQx2ArcadePackage(root.path());
    EXPECT_TRUE(available(1));
    const auto product = testsupport::qx2ArcadeProductFolder(root.path());
    writeFile(product / "engine-path.txt", "engine/qx2-engine.exe\n");
    EXPECT_FALSE(available(1)) << "a relative engine path";
    const std::string engine = utf8Of(testsupport::qx2ArcadeEngine(root.path()));
    writeFile(product / "engine-path.txt", engine + std::string("\0.txt", 5));
    EXPECT_FALSE(available(1)) << "an engine path cut by a NUL";
    writeFile(product / "engine-path.txt", engine);
    EXPECT_TRUE(available(1));
    std::filesystem::remove(testsupport::qx2ArcadeEngine(root.path()));
    EXPECT_FALSE(available(1)) << "a missing engine";
    writeFile(testsupport::qx2ArcadeEngine(root.path()), "engine");
    auto roms = testsupport::qx2ArcadeInventoryRoms();
    roms.pop_back();
    writeFile(product / "manifest.json", testsupport::inventoryManifestText(roms, false));
    EXPECT_FALSE(available(1)) << "19 entries";
}

TEST_F(Availability, TheNativeSecondGamePackageDecidesAlone) {
    testsupport::writeQx2ArcadePackage(root.path());
    testsupport::writeQx2NativePackage(root.path());
    EXPECT_TRUE(available(1));
    // A refused native manifest is not replaced by the older package.
    writeFile(nativePackageIniPath(root.path()), "format=1\n");
    EXPECT_FALSE(available(1));
    std::filesystem::remove(nativePackageIniPath(root.path()));
    std::filesystem::create_directories(nativePackageIniPath(root.path()));
    EXPECT_FALSE(available(1));
}

TEST_F(Availability, SecondGameNativeDamage) {
    const auto roms = testsupport::qx2NativeRoms();
    const auto romFolder = testsupport::qx2NativeProductFolder(root.path()) / "roms";
    testsupport::writeQx2NativePackage(root.path(), testsupport::Qx2Readiness::liveExperiment);
    EXPECT_FALSE(available(1)) << "only a playable package is available";
    testsupport::writeQx2NativePackage(root.path());
    ASSERT_TRUE(available(1));
    std::string changed = roms[12].bytes;
    changed[1000] = static_cast<char>(changed[1000] ^ 1);
    writeFile(romFolder / roms[12].name, changed);
    EXPECT_FALSE(available(1)) << "a digest off";
    writeFile(romFolder / roms[12].name, roms[12].bytes + "x");
    EXPECT_FALSE(available(1)) << "a size off";
    std::filesystem::remove(romFolder / roms[12].name);
    EXPECT_FALSE(available(1)) << "a missing ROM";
}

TEST_F(Availability, ThirdGameDamage) {
    testsupport::writeQx3Package(root.path());
    ASSERT_TRUE(available(2));
    const auto product = testsupport::qx3ProductFolder(root.path());
    const auto roms = testsupport::qx3Roms();
    std::string changed = roms[3].bytes;
    changed[0] = static_cast<char>(changed[0] ^ 1);
    writeFile(product / "roms" / roms[3].name, changed);
    EXPECT_FALSE(available(2)) << "a digest off";
    writeFile(product / "roms" / roms[3].name, roms[3].bytes.substr(1));
    EXPECT_FALSE(available(2)) << "a size off";
    std::filesystem::remove(product / "roms" / roms[3].name);
    EXPECT_FALSE(available(2)) << "a missing ROM";
}

TEST_F(Availability, TheCmosImageAndRomFolderFollowTheSelectedGame) {
    Backend backend(StartupContext{root.path()});
    EXPECT_EQ(backend.cmosPath(false),
              backend.root() / "build/native/manual-temporary-8-20261025/profile/cmos.bin");
    EXPECT_EQ(backend.romFolder(), backend.root() / "roms/qx");
    EXPECT_TRUE(backend.extendedVideoAvailable());

    ASSERT_TRUE(backend.selectGame(1, false));
    EXPECT_EQ(backend.cmosPath(true), std::filesystem::path()) << "no native package";
    EXPECT_FALSE(backend.extendedVideoAvailable());
    testsupport::writeQx2NativePackage(root.path());
    const auto product = testsupport::qx2NativeProductFolder(backend.root());
    EXPECT_EQ(backend.cmosPath(false), product / "profile/cmos.bin");
    EXPECT_EQ(backend.cmosPath(true), product / "profile/cmos.bin");
    EXPECT_EQ(backend.romFolder(), product / "roms");
    EXPECT_TRUE(backend.extendedVideoAvailable());
    testsupport::writeQx2NativePackage(root.path(), testsupport::Qx2Readiness::finiteExperiment);
    EXPECT_FALSE(backend.extendedVideoAvailable());
    writeFile(nativePackageIniPath(root.path()), "broken\n");
    EXPECT_FALSE(backend.extendedVideoAvailable());
    EXPECT_EQ(errorText([&] { backend.cmosPath(false); }), "native manifest syntax");
    EXPECT_EQ(errorText([&] { backend.romFolder(); }), "native manifest syntax");

    ASSERT_TRUE(backend.selectGame(2, false));
    EXPECT_EQ(backend.cmosPath(true), std::filesystem::path());
    EXPECT_FALSE(backend.extendedVideoAvailable());
}

} // namespace
} // namespace qxlauncher
