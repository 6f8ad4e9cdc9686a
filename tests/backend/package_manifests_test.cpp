#include "backend/packages/package_manifests.h"

#include "backend/packages/hashing.h"
#include "backend/packages/packages.h"
#include "backend/packages/trusted_digests.h"
#include "tests/support/fixture_digests.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_digest.h"

#include "tests/support/error_text.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace qxlauncher {
namespace {

using testsupport::ManifestFields;
using testsupport::Qx2Readiness;
using testsupport::TempFolder;
using testsupport::writeFile;

using testsupport::errorText;

std::string utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

constexpr ManifestSyntaxLabels labels{"binary", "syntax", "empty or duplicate"};

TEST(ManifestText, KeysFoldValuesStay) {
    const auto fields = parseManifestText(
        "# comment\n; another\n\n  Format = 1 \r\nKIND=Qx3-Native\nlabel=a=b\n\tlast=x", labels);
    const std::map<std::string, std::string> expected{
        {"format", "1"}, {"kind", "Qx3-Native"}, {"label", "a=b"}, {"last", "x"}};
    EXPECT_EQ(fields, expected);
}

TEST(ManifestText, Refusals) {
    const std::pair<std::string, const char*> cases[] = {
        {std::string("a=1\nb=\0\n", 8), "binary"}, {"a=1\nno equals here\n", "syntax"},
        {"a=1\nb=\n", "empty or duplicate"},       {"a=1\nb= \t\n", "empty or duplicate"},
        {"a=1\nA=2\n", "empty or duplicate"},
    };
    for (const auto& [text, error] : cases) {
        EXPECT_EQ(errorText([&] { parseManifestText(text, labels); }), error) << text;
    }
}

class Qx3Manifest : public ::testing::Test {
protected:
    void SetUp() override {
        clearFileHashCache();
        testsupport::writeQx3Package(root.path());
    }
    std::filesystem::path product() const { return testsupport::qx3ProductFolder(root.path()); }
    void writeManifest(const ManifestFields& fields) {
        writeFile(product() / "package.ini", testsupport::renderManifest(fields));
    }
    std::string loadError() {
        clearFileHashCache();
        return errorText([&] { loadQx3NativeManifest(root.path()); });
    }
    TempFolder root{"qx3-manifest"};
};

TEST_F(Qx3Manifest, ACompletePackageGivesItsPaths) {
    const Qx3NativePackage package = loadQx3NativeManifest(root.path());
    EXPECT_EQ(package.packageDirectory, root / "build/native/qx3-native/product");
    EXPECT_EQ(package.executable, product() / "qx3-native.exe");
    EXPECT_EQ(package.romDirectory, product() / "roms");
    EXPECT_EQ(package.graphicsList, product() / "graphics-list.txt");
    EXPECT_EQ(package.factorySeed, product() / "factory-seed.bin");
    EXPECT_EQ(package.profileDirectory, product() / "profile");
}

struct FieldChange {
    const char* what;
    std::function<void(ManifestFields&)> change;
    const char* error;
};

TEST_F(Qx3Manifest, FieldRefusals) {
    const FieldChange changes[] = {
        {"a key in capitals", [](auto& f) { f[0].first = "Format"; }, "no error"},
        {"15 keys", [](auto& f) { testsupport::removeField(f, "fidelity"); },
         "QX3 native manifest fields differ"},
        {"17 keys", [](auto& f) { testsupport::setField(f, "extra", "1"); },
         "QX3 native manifest fields differ"},
        {"an unknown key",
         [](auto& f) {
             testsupport::removeField(f, "fidelity");
             testsupport::setField(f, "fidelty", "x");
         },
         "unknown QX3 native manifest field"},
        {"format", [](auto& f) { testsupport::setField(f, "format", "2"); },
         "QX3 native manifest kind differs"},
        {"readiness in capitals", [](auto& f) { testsupport::setField(f, "readiness", "Product"); },
         "QX3 native manifest kind differs"},
        {"revision", [](auto& f) { testsupport::setField(f, "revision", "2.0"); },
         "QX3 native manifest kind differs"},
        {"editions", [](auto& f) { testsupport::setField(f, "editions", "original"); },
         "QX3 native manifest kind differs"},
        {"an absolute executable",
         [&](auto& f) {
             testsupport::setField(f, "executable", utf8Of(product() / "qx3-native.exe"));
         },
         "native package path must be explicit; profile must be relative"},
        {"a climbing ROM folder",
         [](auto& f) { testsupport::setField(f, "rom_directory", "../roms"); },
         "native package traversal rejected"},
        {"an executable cut by a NUL",
         [](auto& f) {
             testsupport::setField(f, "executable", std::string("qx3-native.exe\0.txt", 19));
         },
         "QX3 native manifest is binary"},
        {"an upper-case executable digest",
         [](auto& f) {
             std::string digest = testsupport::sha256Hex(testsupport::fixtureExecutable("qx3"));
             for (char& c : digest) {
                 c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
             }
             testsupport::setField(f, "executable_sha256", digest);
         },
         "QX3 native executable SHA-256 malformed"},
        {"another executable digest",
         [](auto& f) { testsupport::setField(f, "executable_sha256", std::string(64, 'a')); },
         "QX3 native executable is not the one built by the local setup"},
    };
    for (const FieldChange& c : changes) {
        ManifestFields fields = testsupport::qx3ManifestFields();
        c.change(fields);
        writeManifest(fields);
        EXPECT_EQ(loadError(), c.error) << c.what;
    }
}

TEST_F(Qx3Manifest, SyntaxRefusals) {
    const std::pair<std::string, const char*> cases[] = {
        {std::string("format=1\0", 9), "QX3 native manifest is binary"},
        {"format\n", "QX3 native manifest syntax"},
        {"format=1\nformat=1\n", "QX3 native manifest empty or duplicate field"},
        {std::string(8193, '#'), "oversized file"},
    };
    for (const auto& [text, error] : cases) {
        writeFile(product() / "package.ini", text);
        EXPECT_EQ(loadError(), error);
    }
}

struct FileDamage {
    const char* what;
    std::function<void(const std::filesystem::path& product)> apply;
    const char* error;
};

TEST_F(Qx3Manifest, FileRefusals) {
    const auto roms = testsupport::qx3Roms();
    const FileDamage damages[] = {
        {"a ROM list with one more blank",
         [&](const auto& p) {
             writeFile(p / "rom-list.txt", testsupport::qx3RomListText(roms) + " ");
         },
         "QX3 native ROM list is not the authenticated rev 2.1 set"},
        {"a ROM list over 8192 bytes",
         [&](const auto& p) { writeFile(p / "rom-list.txt", std::string(8193, ' ')); },
         "native package file size differs"},
        {"no ROM list", [](const auto& p) { std::filesystem::remove(p / "rom-list.txt"); },
         "native package file is not ordinary"},
        {"a seed one byte short",
         [](const auto& p) {
             writeFile(p / "factory-seed.bin", testsupport::qx3FactorySeed().substr(1));
         },
         "QX3 native package incomplete"},
        {"no graphics list",
         [](const auto& p) { std::filesystem::remove(p / "graphics-list.txt"); },
         "QX3 native package incomplete"},
        {"no executable", [](const auto& p) { std::filesystem::remove(p / "qx3-native.exe"); },
         "QX3 native package incomplete"},
        {"a missing ROM",
         [&](const auto& p) { std::filesystem::remove(p / "roms" / roms[25].name); },
         "QX3 native ROM missing"},
        {"a ROM one byte long",
         [&](const auto& p) { writeFile(p / "roms" / roms[0].name, roms[0].bytes + "x"); },
         "QX3 native ROM missing"},
        {"a ROM digest off",
         [&](const auto& p) {
             std::string bytes = roms[7].bytes;
             bytes[3] = static_cast<char>(bytes[3] ^ 0x40);
             writeFile(p / "roms" / roms[7].name, bytes);
         },
         "QX3 native ROM SHA-256 differs"},
        {"an executable changed after the build",
         [](const auto& p) {
             writeFile(p / "qx3-native.exe", testsupport::fixtureExecutable("other"));
         },
         "QX3 native executable SHA-256 differs"},
    };
    for (const FileDamage& damage : damages) {
        testsupport::writeQx3Package(root.path());
        damage.apply(product());
        EXPECT_EQ(loadError(), damage.error) << damage.what;
    }
}

TEST_F(Qx3Manifest, TheReceiptMustBeThere) {
    std::filesystem::remove_all(root / "generated");
    EXPECT_EQ(loadError(), "QX3 native executable is not the one built by the local setup");
}

TEST_F(Qx3Manifest, AMissingRomIsFoundBeforeAnyDigestIsTaken) {
    const auto roms = testsupport::qx3Roms();
    std::filesystem::remove(product() / "roms" / roms[20].name);
    EXPECT_EQ(loadError(), "QX3 native ROM missing");
    const std::lock_guard lock(packageHashCacheMutex);
    // Only the ROMs listed before the missing one were hashed.
    EXPECT_EQ(packageHashCache.size(), 20u);
}

TEST_F(Qx3Manifest, TheListMustHoldExactly26Triples) {
    auto roms = testsupport::qx3Roms();
    roms.push_back({"qx3-extra.rom", "extra"});
    writeFile(product() / "roms/qx3-extra.rom", "extra");
    const std::string longer = testsupport::qx3RomListText(roms);
    writeFile(product() / "rom-list.txt", longer);
    // The pinned list has 26 triples; only a pin of another list reaches the count check.
    const std::string pin = testsupport::sha256Hex(longer);
    TrustedDigests other = trustedDigests();
    other.qx3RomListSha256 = pin;
    const testsupport::ScopedTrustedDigests swap(other);
    EXPECT_EQ(loadError(), "QX3 native ROM count differs");
    // A triple that cannot be read ends the list early.
    roms.pop_back();
    const std::string broken = testsupport::qx3RomListText(roms) + "qx3-extra.rom five digest\n";
    writeFile(product() / "rom-list.txt", broken);
    const std::string brokenPin = testsupport::sha256Hex(broken);
    other.qx3RomListSha256 = brokenPin;
    const testsupport::ScopedTrustedDigests second(other);
    EXPECT_EQ(loadError(), "no error");
}

class Qx2Manifest : public ::testing::Test {
protected:
    void SetUp() override { clearFileHashCache(); }
    std::filesystem::path product() const {
        return testsupport::qx2NativeProductFolder(root.path());
    }
    std::filesystem::path manifest() const { return nativePackageIniPath(root.path()); }
    void writeManifest(const ManifestFields& fields) {
        writeFile(manifest(), testsupport::renderManifest(fields));
    }
    std::string loadError(bool verify = true) {
        clearFileHashCache();
        return errorText([&] { loadQx2NativeManifest(root.path(), manifest(), verify); });
    }
    TempFolder root{"qx2-manifest"};
};

struct ReadinessFlags {
    Qx2Readiness readiness;
    bool live, playable;
};

TEST_F(Qx2Manifest, EachReadinessGivesItsFlags) {
    const ReadinessFlags cases[] = {{Qx2Readiness::finiteExperiment, false, false},
                                    {Qx2Readiness::liveExperiment, true, false},
                                    {Qx2Readiness::nativePlayable, true, true}};
    testsupport::writeQx2NativePackage(root.path());
    for (const ReadinessFlags& c : cases) {
        writeManifest(testsupport::qx2NativeManifestFields(c.readiness));
        const Qx2NativePackage package = loadQx2NativeManifest(
            root.path(), root / "build/native/x/../qx2-native-v1/product/native-package.ini", true);
        EXPECT_EQ(package.packageDirectory, product());
        EXPECT_EQ(package.executable, product() / "qx2-native.exe");
        EXPECT_EQ(package.romDirectory, product() / "roms");
        EXPECT_EQ(package.profileDirectory, product() / "profile");
        EXPECT_EQ(package.factorySeed, product() / "factory-seed.bin");
        EXPECT_EQ(package.liveExecution, c.live);
        EXPECT_EQ(package.playable, c.playable);
        EXPECT_EQ(package.extendedVideo, c.playable);
        EXPECT_EQ(package.graphicsValidated, c.playable);
    }
}

struct Qx2Change {
    const char* what;
    Qx2Readiness readiness;
    std::function<void(ManifestFields&)> change;
    const char* error;
};

std::string upperCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

TEST_F(Qx2Manifest, FieldRefusals) {
    using R = Qx2Readiness;
    const std::string exeDigest = testsupport::sha256Hex(testsupport::fixtureExecutable("qx2"));
    const std::string elsewhere = utf8Of(std::filesystem::absolute(root / "elsewhere"));
    const Qx2Change changes[] = {
        {"playable with maximum_cycle", R::nativePlayable,
         [](auto& f) { testsupport::setField(f, "maximum_cycle", "150023965"); },
         "native manifest fields differ"},
        {"live with runtime_sources_sha256 in place of a key", R::liveExperiment,
         [](auto& f) {
             testsupport::removeField(f, "bounded_observations");
             testsupport::setField(f, "runtime_sources_sha256", std::string(64, 'a'));
         },
         "unknown native manifest field"},
        {"no readiness", R::finiteExperiment,
         [](auto& f) { testsupport::removeField(f, "readiness"); },
         "native manifest fields differ"},
        {"an unknown readiness", R::finiteExperiment,
         [](auto& f) { testsupport::setField(f, "readiness", "Native-Playable"); },
         "native manifest kind/source/ROM/readiness is not this finite experiment"},
        {"finite source digest", R::finiteExperiment,
         [](auto& f) { testsupport::setField(f, "source_sha256", std::string(64, 'a')); },
         "native manifest kind/source/ROM/readiness is not this finite experiment"},
        {"finite first fight", R::finiteExperiment,
         [](auto& f) { testsupport::setField(f, "first_fight_pcs", "10356"); },
         "native manifest kind/source/ROM/readiness is not this finite experiment"},
        {"live unbounded", R::liveExperiment,
         [](auto& f) { testsupport::setField(f, "bounded_observations", "false"); },
         "native manifest is not this live experiment with bounded observations"},
        {"live overlays", R::liveExperiment,
         [](auto& f) { testsupport::setField(f, "core_overlays_sha256", std::string(64, 'b')); },
         "native manifest is not this live experiment with bounded observations"},
        {"playable first fight zero", R::nativePlayable,
         [](auto& f) { testsupport::setField(f, "first_fight_pcs", "0"); },
         "native playable package source/ROM/execution contract differs"},
        {"playable first fight negative", R::nativePlayable,
         [](auto& f) { testsupport::setField(f, "first_fight_pcs", "-3"); },
         "native playable package source/ROM/execution contract differs"},
        {"playable first fight with letters", R::nativePlayable,
         [](auto& f) { testsupport::setField(f, "first_fight_pcs", "12ab"); },
         "native playable package source/ROM/execution contract differs"},
        {"playable first fight too large", R::nativePlayable,
         [](auto& f) { testsupport::setField(f, "first_fight_pcs", "4294967296"); },
         "native playable package source/ROM/execution contract differs"},
        {"playable first fight 9152", R::nativePlayable,
         [](auto& f) { testsupport::setField(f, "first_fight_pcs", "9152"); }, "no error"},
        {"playable upper-case source digest", R::nativePlayable,
         [](auto& f) { testsupport::setField(f, "runtime_sources_sha256", std::string(64, 'A')); },
         "native playable package source/ROM/execution contract differs"},
        {"playable ROM profile", R::nativePlayable,
         [](auto& f) { testsupport::setField(f, "rom_profile_sha256", std::string(64, 'c')); },
         "native playable package source/ROM/execution contract differs"},
        {"playable executable not built here", R::nativePlayable,
         [](auto& f) { testsupport::setField(f, "executable_sha256", std::string(64, 'd')); },
         "native executable is not the one built by the local setup"},
        {"playable upper-case executable digest", R::nativePlayable,
         [&](auto& f) { testsupport::setField(f, "executable_sha256", upperCase(exeDigest)); },
         "native executable is not the one built by the local setup"},
        {"finite upper-case executable digest", R::finiteExperiment,
         [&](auto& f) { testsupport::setField(f, "executable_sha256", upperCase(exeDigest)); },
         "native executable SHA-256 malformed"},
        {"live upper-case executable digest", R::liveExperiment,
         [&](auto& f) { testsupport::setField(f, "executable_sha256", upperCase(exeDigest)); },
         "native executable SHA-256 malformed"},
        {"an absolute profile folder", R::nativePlayable,
         [&](auto& f) { testsupport::setField(f, "profile_directory", elsewhere); },
         "native package path must be explicit; profile must be relative"},
        {"a climbing executable", R::nativePlayable,
         [&](auto& f) { testsupport::setField(f, "executable", "../product/qx2-native.exe"); },
         "native package traversal rejected"},
        {"a ROM folder cut by a NUL", R::nativePlayable,
         [&](auto& f) { testsupport::setField(f, "rom_directory", std::string("roms\0x", 6)); },
         "native manifest is binary"},
        {"a live experiment's executable digest differs", R::liveExperiment,
         [](auto& f) { testsupport::setField(f, "executable_sha256", std::string(64, 'e')); },
         "native executable SHA-256 differs"},
    };
    // The package's files are the same for every readiness; only the manifest changes.
    testsupport::writeQx2NativePackage(root.path());
    for (const Qx2Change& c : changes) {
        ManifestFields fields = testsupport::qx2NativeManifestFields(c.readiness);
        c.change(fields);
        writeManifest(fields);
        EXPECT_EQ(loadError(), c.error) << c.what;
    }
}

TEST_F(Qx2Manifest, SyntaxRefusals) {
    testsupport::writeQx2NativePackage(root.path());
    const std::pair<std::string, const char*> cases[] = {
        {std::string("format=1\0", 9), "native manifest is binary"},
        {"format\n", "native manifest syntax"},
        {"format=\n", "native manifest empty or duplicate field"},
        {std::string(8193, ';'), "oversized file"},
    };
    for (const auto& [text, error] : cases) {
        writeFile(manifest(), text);
        EXPECT_EQ(loadError(), error);
    }
}

TEST_F(Qx2Manifest, PlayableNeedsAFinishedSetup) {
    testsupport::writeQx2NativePackage(root.path());
    std::filesystem::remove_all(root / "generated");
    EXPECT_EQ(loadError(), "QX2 setup has not finished on this machine");
}

TEST_F(Qx2Manifest, AnAbsoluteRomFolderIsAccepted) {
    testsupport::writeQx2NativePackage(root.path());
    ManifestFields fields = testsupport::qx2NativeManifestFields(Qx2Readiness::nativePlayable);
    const std::filesystem::path roms = std::filesystem::absolute(product() / "roms");
    testsupport::setField(fields, "rom_directory", utf8Of(roms));
    writeManifest(fields);
    EXPECT_EQ(loadQx2NativeManifest(root.path(), manifest(), true).romDirectory,
              roms.lexically_normal());
}

TEST_F(Qx2Manifest, OnlyVerificationLooksAtTheFiles) {
    testsupport::writeQx2NativePackage(root.path());
    const auto roms = testsupport::qx2NativeRoms();
    std::string bytes = roms[19].bytes;
    bytes[7] = static_cast<char>(bytes[7] ^ 1);
    writeFile(product() / "roms" / roms[19].name, bytes);
    EXPECT_EQ(loadError(false), "no error");
    EXPECT_EQ(loadError(true), "native ROM SHA-256 differs");
    // The first row whose digest differs refuses, so a missing earlier row is reported first.
    std::filesystem::remove(product() / "roms" / roms[2].name);
    EXPECT_EQ(loadError(true), "native package file is not ordinary");
    writeFile(product() / "roms" / roms[2].name, roms[2].bytes.substr(1));
    EXPECT_EQ(loadError(true), "native package file size differs");
    writeFile(product() / "qx2-native.exe", "changed");
    EXPECT_EQ(loadError(false), "no error");
    EXPECT_EQ(loadError(true), "native executable SHA-256 differs");
}

} // namespace
} // namespace qxlauncher
