#include "backend/cmos/adjustments.h"

#include "backend/backend.h"
#include "backend/cmos/cmos_profile.h"
#include "backend/packages/hashing.h"
#include "backend/preferences/collection_paths.h"
#include "platform/text.h"
#include "tests/backend/cmos_test_images.h"
#include "tests/backend/operator_fixture.h"
#include "tests/support/backend_probe.h"
#include "tests/support/fixture_digests.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_digest.h"
#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qxlauncher {
namespace {

using namespace operatortest;

template <typename Action> std::string errorOf(Action action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "no error";
}

// --- Images in memory ---------------------------------------------------------------------

TEST(AdjustmentBank, ChecksumCoversTheEvenBytesAndIsComplemented) {
    std::string image = cmostest::patternImage(1);
    storeAdjustmentBankChecksum(image);
    EXPECT_TRUE(adjustmentBankValid(image));
    std::uint32_t sum = 0;
    for (std::size_t at = 0x1000; at <= 0x114E; at += 2) {
        sum += static_cast<std::uint8_t>(image[at]);
    }
    const auto stored = static_cast<std::uint16_t>(static_cast<std::uint8_t>(image[0x1150]) * 256 +
                                                   static_cast<std::uint8_t>(image[0x1152]));
    EXPECT_EQ(static_cast<std::uint16_t>(~sum), stored);

    std::string oddByte = image;
    oddByte[0x1001] = static_cast<char>(oddByte[0x1001] ^ 0xFF);
    EXPECT_TRUE(adjustmentBankValid(oddByte)); // odd bytes are not part of the bank

    std::string offByOne = image;
    offByOne[0x1152] = static_cast<char>(offByOne[0x1152] + 1);
    EXPECT_FALSE(adjustmentBankValid(offByOne));
}

TEST(AdjustmentBank, ParametersAreBigEndianInTheEvenBytes) {
    std::string image(cmosImageSize, '\x55');
    writeCmosParameter(image, 11, 0x12345678u);
    EXPECT_EQ(0x12, image[0x1058]);
    EXPECT_EQ(0x34, image[0x105A]);
    EXPECT_EQ(0x56, image[0x105C]);
    EXPECT_EQ(0x78, image[0x105E]);
    EXPECT_EQ('\x55', image[0x1059]);
    EXPECT_EQ(0x12345678u, readCmosParameter(image, 11));
    EXPECT_EQ("Operator CMOS parameter outside adjustment bank",
              errorOf([&] { writeCmosParameter(image, 42, 0); }));
    std::string small(100, '\0');
    EXPECT_EQ("Operator CMOS must contain exactly 16384 bytes",
              errorOf([&] { writeCmosParameter(small, 1, 0); }));
}

class CoinagePresets : public ::testing::TestWithParam<int> {};

TEST_P(CoinagePresets, PresetWordsGoToTheirParametersSignExtended) {
    const int revision = GetParam();
    const TrustedProgram program(operatorProgram(revision));
    const std::string before = validCmos(7, 2, 1, false, false);
    std::string image = before;
    applyCoinagePreset(image, program.image(), revision, 3, true);

    EXPECT_EQ(3u, readCmosParameter(image, coinageParameter));
    for (std::size_t i = 0; i < coinageWordParameters.size(); ++i) {
        const auto word = static_cast<std::int16_t>(presetWord(3, i));
        EXPECT_EQ(static_cast<std::uint32_t>(static_cast<std::int32_t>(word)),
                  readCmosParameter(image, coinageWordParameters[i]))
            << "word " << i;
    }
    // w7 = 0xFFFF is parameter 11, 0xFF in each of its four even bytes.
    for (std::size_t at = 0x1058; at <= 0x105E; at += 2) {
        EXPECT_EQ('\xFF', image[at]);
    }
    EXPECT_EQ(1u, readCmosParameter(image, freePlayParameter));
    EXPECT_EQ(1u, readCmosParameter(image, presetWrittenParameter));
    EXPECT_EQ(2u, readCmosParameter(image, difficultyParameter));
    EXPECT_TRUE(adjustmentBankValid(image));
    for (std::size_t at = 0; at < image.size(); ++at) {
        if (at < 0x1000 || at > 0x1152 || at % 2 == 1) {
            ASSERT_EQ(before[at], image[at]) << "byte " << at;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothRevisions, CoinagePresets, ::testing::Values(0, 1),
                         [](const auto& info) { return "Revision" + std::to_string(info.param); });

TEST(CoinagePresetRefusals, IdentityPresetAndSize) {
    const TrustedProgram program(operatorProgram(0));
    std::string image = validCmos(1, 3, 1, false, true);
    std::string changed = program.image();
    changed[5] = '\x01';
    EXPECT_EQ("Operator adjustment ROM identity differs",
              errorOf([&] { applyCoinagePreset(image, changed, 0, 1, false); }));
    EXPECT_EQ("Operator adjustment ROM identity differs",
              errorOf([&] { applyCoinagePreset(image, program.image(), 2, 1, false); }));
    EXPECT_EQ("Operator adjustment ROM identity differs",
              errorOf([&] { applyCoinagePreset(image, program.image().substr(1), 0, 1, false); }));
    EXPECT_EQ("Operator coinage preset outside 1..58",
              errorOf([&] { applyCoinagePreset(image, program.image(), 0, 0, false); }));
    EXPECT_EQ("Operator coinage preset outside 1..58",
              errorOf([&] { applyCoinagePreset(image, program.image(), 0, 59, false); }));
    std::string small(16383, '\0');
    EXPECT_EQ("Operator CMOS must contain exactly 16384 bytes",
              errorOf([&] { applyCoinagePreset(small, program.image(), 0, 1, false); }));
    EXPECT_EQ("Operator coinage preset outside 1..58",
              errorOf([&] { readCoinageLabel(0, program.image(), 59); }));
}

struct LabelCase {
    const char* name;
    std::uint32_t pointer; // 0: point at the label area of preset 1
    std::string bytes;     // written at the pointed offset
    std::string expected;  // text, or the error
};

class CoinageLabels : public ::testing::TestWithParam<LabelCase> {};

TEST_P(CoinageLabels, ReadFromTheProgram) {
    const LabelCase& test = GetParam();
    std::string image = operatorProgram(0);
    const std::size_t record = presetAt(0, 1);
    const std::uint32_t pointer = test.pointer != 0 ? test.pointer : labelPointerFor(labelArea);
    putLong(image, record + coinageLabelPointerOffset, pointer);
    const std::size_t offset = static_cast<std::uint32_t>(pointer + 0x800000u) / 8;
    if (pointer % 8 == 0 && pointer >= 0xFF800000u) {
        image.replace(offset, test.bytes.size(), test.bytes);
    }
    const TrustedProgram program(image);
    std::string got;
    try {
        got = readCoinageLabel(0, program.image(), 1);
    } catch (const std::runtime_error& error) {
        got = error.what();
    }
    EXPECT_EQ(test.expected, got);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CoinageLabels,
    ::testing::Values(
        LabelCase{"plain", 0, std::string("1 COIN 1 CREDIT\0", 16), "1 COIN 1 CREDIT"},
        LabelCase{"france", 0, std::string("2 \x80 COINS\0", 11), "2 FRANCE COINS"},
        LabelCase{"sixtyThreeBytes", 0, std::string(63, 'X') + std::string(1, '\0'),
                  std::string(63, 'X')},
        LabelCase{"sixtyFourBytes", 0, std::string(64, 'X') + std::string(1, '\0'),
                  "Operator coinage label exceeds limit"},
        LabelCase{"control", 0, std::string("A\x01\0", 3),
                  "Operator coinage label is not plain text"},
        LabelCase{"high", 0, std::string("A\x81\0", 3), "Operator coinage label is not plain text"},
        LabelCase{"offsetZero", 0xFF800000u, std::string("ZERO\0", 5), "ZERO"},
        LabelCase{"notMultipleOfEight", 0xFF800004u, "", "Operator coinage label pointer invalid"},
        LabelCase{"belowTheRom", 0x7F800000u, "", "Operator coinage label pointer invalid"},
        LabelCase{"runsOffTheEnd", 0xFFFFFFF8u, "Z", "Operator coinage label outside ROM"}),
    [](const ::testing::TestParamInfo<LabelCase>& info) { return info.param.name; });

TEST(Ranking, ResetTouchesOnlyTheRankingAndItsSum) {
    const TrustedProgram program(operatorProgram(1));
    const std::string before = validCmos(9, 3, 1, false, true);
    std::string image = before;
    resetRankingImage(image, program.image(), 1);
    for (std::size_t at = 0; at < image.size(); ++at) {
        if (at < 0x1800 || at > 0x1910) {
            ASSERT_EQ(before[at], image[at]) << "byte " << at;
        }
    }
    // Entry 2: initials 'C', 'D', 'E' stored minus 0x41, record bytes 13 to 18.
    const std::size_t entry = 0x1800 + 18 * 2;
    EXPECT_EQ(2, image[entry]);
    EXPECT_EQ(3, image[entry + 2]);
    EXPECT_EQ(4, image[entry + 4]);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(static_cast<char>(13 + i), image[entry + 6 + 2 * i]);
    }
    EXPECT_EQ(before[entry + 1], image[entry + 1]);
    std::uint32_t sum = 0;
    for (std::size_t at = 0x1800; at < 0x190E; at += 2) {
        sum += static_cast<std::uint8_t>(image[at]);
    }
    EXPECT_EQ(sum & 0xFF, static_cast<std::uint8_t>(image[0x190E]));
    EXPECT_EQ((sum >> 8) & 0xFF, static_cast<std::uint8_t>(image[0x1910]));
    EXPECT_EQ(static_cast<std::uint16_t>(sum), rankingSum(image));
}

// --- The backend's load, save and reset ----------------------------------------------------

class OperatorAdjustments : public ::testing::Test {
protected:
    void SetUp() override {
        writeLanes(program_.image());
        writeCmos(validCmos(21, 4, 2, false, true));
    }

    void writeLanes(const std::string& image) {
        testsupport::writeFile(root_ / "roms/qx/even.bin", lane(image, 0));
        testsupport::writeFile(root_ / "roms/qx/odd.bin", lane(image, 1));
    }
    std::filesystem::path cmosFile() const { return root_ / qx1BuildDir / "profile/cmos.bin"; }
    void writeCmos(const std::string& image) { testsupport::writeFile(cmosFile(), image); }
    std::string cmos() const { return testsupport::readFile(cmosFile()); }
    std::filesystem::path preferencesFile() const {
        return preferencesFilePath(root_.path(), 0, false);
    }

    testsupport::TempFolder root_{"adjustments"};
    TrustedProgram program_{operatorProgram(0)};
    Backend backend_{StartupContext{root_.path()}};
};

TEST_F(OperatorAdjustments, LoadReadsTheBankAndTheLabels) {
    ASSERT_TRUE(backend_.loadAdjustments(true));
    EXPECT_TRUE(backend_.adjustmentsAvailable());
    EXPECT_TRUE(backend_.adjustmentsOffered());
    const GameAdjustments loaded = backend_.loadedAdjustments();
    EXPECT_EQ((GameAdjustments{4, 2, false, false}), loaded);
    EXPECT_EQ(L"P2 COIN / 39 / 40", backend_.coinageLabel(loaded));
    EXPECT_EQ(L"P3 COIN / 65535 / 56", backend_.coinageLabel({3, 3, false, false}));
    EXPECT_EQ(L"FREE PLAY", backend_.coinageLabel({3, 3, true, true}));
    EXPECT_EQ(L"CUSTOM / CMOS", backend_.coinageLabel({3, 3, false, true}));
    EXPECT_EQ(L"PRESET 59", backend_.coinageLabel({3, 59, false, false}));
    EXPECT_EQ(L"PRESET -4", backend_.coinageLabel({3, -4, false, false}));

    EXPECT_FALSE(backend_.loadAdjustments(false));
    EXPECT_FALSE(backend_.adjustmentsAvailable());
    EXPECT_EQ(GameAdjustments{}, backend_.loadedAdjustments());
    EXPECT_EQ(L"PRESET 2", backend_.coinageLabel({3, 2, false, false}));
}

TEST_F(OperatorAdjustments, MissingProfileIsUnavailableWithoutStatus) {
    std::filesystem::remove(cmosFile());
    const std::wstring before = backend_.statusText();
    EXPECT_FALSE(backend_.loadAdjustments(true));
    EXPECT_EQ(before, backend_.statusText());
    EXPECT_FALSE(backend_.adjustmentsOffered());
}

// Only a profile that is really absent is silent: one that cannot be looked at is a failure.
TEST_F(OperatorAdjustments, ADanglingProfileLinkIsReported) {
    std::filesystem::remove(cmosFile());
    if (!testsupport::makeFileLink(root_ / "gone.bin", cmosFile())) {
        GTEST_SKIP() << "this system does not let the test create a file link";
    }
    EXPECT_FALSE(backend_.loadAdjustments(true));
    EXPECT_EQ(L"Game adjustments unavailable: check the profile's CMOS and ROM files.",
              backend_.statusText());
}

TEST_F(OperatorAdjustments, AProfileFolderThatCannotBeReadIsReported) {
#ifdef _WIN32
    GTEST_SKIP() << "file permissions here cannot deny a folder's attributes";
#endif
    const std::filesystem::path folder = cmosFile().parent_path();
    std::filesystem::permissions(folder, std::filesystem::perms::none);
    const auto run = testsupport::runUnprivileged(root_.path(), [&] {
        const bool loaded = backend_.loadAdjustments(true);
        return (loaded ? "loaded, " : "unavailable, ") +
               platform::utf8FromWide(backend_.statusText());
    });
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    if (!run.ran) {
        GTEST_SKIP() << run.reason;
    }
    EXPECT_EQ(run.result, "unavailable, Game adjustments unavailable: check the profile's CMOS "
                          "and ROM files.");
}

struct LoadFailure {
    const char* name;
    int difficulty;
    int preset;
    int freePlay;
    bool breakChecksum;
};

class OperatorLoadFailures : public OperatorAdjustments,
                             public ::testing::WithParamInterface<LoadFailure> {};

TEST_P(OperatorLoadFailures, LeaveTheDefaults) {
    const LoadFailure& test = GetParam();
    std::string image = validCmos(3, 3, 1, false, true);
    writeCmosParameter(image, difficultyParameter, static_cast<std::uint32_t>(test.difficulty));
    writeCmosParameter(image, coinageParameter, static_cast<std::uint32_t>(test.preset));
    writeCmosParameter(image, freePlayParameter, static_cast<std::uint32_t>(test.freePlay));
    storeAdjustmentBankChecksum(image);
    if (test.breakChecksum) {
        image[0x1152] = static_cast<char>(image[0x1152] + 1);
    }
    writeCmos(image);
    EXPECT_FALSE(backend_.loadAdjustments(true));
    EXPECT_FALSE(backend_.adjustmentsAvailable());
    EXPECT_EQ(GameAdjustments{}, backend_.loadedAdjustments());
    EXPECT_EQ(L"Game adjustments unavailable: check the profile's CMOS and ROM files.",
              backend_.statusText());
}

INSTANTIATE_TEST_SUITE_P(Cases, OperatorLoadFailures,
                         ::testing::Values(LoadFailure{"checksumOffByOne", 3, 1, 0, true},
                                           LoadFailure{"difficultyZero", 0, 1, 0, false},
                                           LoadFailure{"difficultySix", 6, 1, 0, false},
                                           LoadFailure{"presetFiftyNine", 3, 59, 0, false},
                                           LoadFailure{"presetNegative", 3, -1, 0, false},
                                           LoadFailure{"freePlayTwo", 3, 1, 2, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OperatorAdjustments, LoadRefusesAProgramItDoesNotTrust) {
    std::string other = program_.image();
    other[7] = '\x11';
    writeLanes(other);
    EXPECT_FALSE(backend_.loadAdjustments(true));
    EXPECT_EQ(L"Game adjustments unavailable: check the profile's CMOS and ROM files.",
              backend_.statusText());
}

TEST_F(OperatorAdjustments, RankingChecksumIsNotCheckedOnLoad) {
    std::string image = validCmos(21, 4, 2, false, true);
    image[0x190E] = static_cast<char>(image[0x190E] + 1);
    writeCmos(image);
    EXPECT_TRUE(backend_.loadAdjustments(true));
}

TEST_F(OperatorAdjustments, UnchangedSaveKeepsTheBytesAndWritesThePreferences) {
    ASSERT_TRUE(backend_.loadAdjustments(true));
    const std::string before = cmos();
    Config next = BackendProbe::config(backend_);
    next.GameVolume = 40;
    EXPECT_TRUE(backend_.saveAll(next, backend_.loadedAdjustments()));
    EXPECT_EQ(L"Preferences and adjustments saved for this game.", backend_.statusText());
    EXPECT_EQ(before, cmos());
    EXPECT_NE(std::string::npos, testsupport::readFile(preferencesFile()).find("GameVolume=40"));
    EXPECT_FALSE(BackendProbe::config(backend_).CmosCoinage);
    EXPECT_TRUE(std::filesystem::exists(cmosFile().parent_path() / sessionLockFileName));
}

TEST_F(OperatorAdjustments, CustomCoinageKeepsItsValuesUntilAPresetIsChosen) {
    writeCmos(validCmos(22, 3, 5, false, false));
    ASSERT_TRUE(backend_.loadAdjustments(true));
    const GameAdjustments loaded = backend_.loadedAdjustments();
    ASSERT_TRUE(loaded.customCoinage);
    EXPECT_EQ(L"CUSTOM / CMOS", backend_.coinageLabel(loaded));
    const std::string before = cmos();
    const Config config = BackendProbe::config(backend_);

    EXPECT_TRUE(backend_.saveAll(config, {5, 5, true, true}));
    std::string after = cmos();
    EXPECT_EQ(5u, readCmosParameter(after, difficultyParameter));
    EXPECT_EQ(1u, readCmosParameter(after, freePlayParameter));
    EXPECT_EQ(0u, readCmosParameter(after, presetWrittenParameter));
    EXPECT_TRUE(adjustmentBankValid(after));
    for (int parameter = 2; parameter <= 12; ++parameter) {
        EXPECT_EQ(readCmosParameter(before, parameter), readCmosParameter(after, parameter));
    }
    EXPECT_TRUE(BackendProbe::config(backend_).CmosCoinage); // free play changed

    EXPECT_TRUE(backend_.saveAll(config, {5, 5, true, false}));
    after = cmos();
    EXPECT_EQ(1u, readCmosParameter(after, presetWrittenParameter));
    EXPECT_EQ(static_cast<std::uint32_t>(presetWord(5, 0)), readCmosParameter(after, 2));
    EXPECT_EQ(5u, readCmosParameter(after, difficultyParameter));
    EXPECT_TRUE(adjustmentBankValid(after));
    EXPECT_TRUE(BackendProbe::config(backend_).CmosCoinage);
    EXPECT_NE(std::string::npos, testsupport::readFile(preferencesFile()).find("CmosCoinage=1"));
    EXPECT_FALSE(backend_.loadedAdjustments().customCoinage);
}

TEST_F(OperatorAdjustments, RefusedSavesChangeNothing) {
    ASSERT_TRUE(backend_.loadAdjustments(true));
    const std::string before = cmos();
    const Config config = BackendProbe::config(backend_);
    EXPECT_FALSE(backend_.saveAll(config, {0, 2, false, false}));
    EXPECT_EQ(L"Adjustments outside the arcade's values.", backend_.statusText());
    EXPECT_FALSE(backend_.saveAll(config, {3, 59, false, false}));
    EXPECT_EQ(L"Adjustments outside the arcade's values.", backend_.statusText());
    {
        RunningGameScope running(backend_);
        EXPECT_FALSE(backend_.saveAll(config, {3, 2, false, false}));
        EXPECT_EQ(L"Close the game before saving adjustments.", backend_.statusText());
        EXPECT_FALSE(backend_.resetRanking());
        EXPECT_EQ(L"Ranking unavailable: close the game and open the adjustments.",
                  backend_.statusText());
    }
    EXPECT_EQ(before, cmos());
    EXPECT_FALSE(std::filesystem::exists(preferencesFile()));
}

TEST_F(OperatorAdjustments, ChangesWithoutAProfileAreRefused) {
    std::filesystem::remove(cmosFile());
    ASSERT_FALSE(backend_.loadAdjustments(true));
    Config next = BackendProbe::config(backend_);
    next.GameVolume = 30;
    EXPECT_FALSE(backend_.saveAll(next, {4, 1, false, false}));
    EXPECT_EQ(L"Could not save; check access and whether the profile changed, then reopen the "
              L"adjustments.",
              backend_.statusText());
    EXPECT_NE(30, BackendProbe::config(backend_).GameVolume);
    EXPECT_TRUE(backend_.saveAll(next, GameAdjustments{}));
    EXPECT_EQ(30, BackendProbe::config(backend_).GameVolume);
}

TEST_F(OperatorAdjustments, AProfileTheGameRewroteIsNeverReplaced) {
    ASSERT_TRUE(backend_.loadAdjustments(true));
    std::string gameBytes = cmos();
    gameBytes[0x20] = static_cast<char>(gameBytes[0x20] ^ 0x5A);
    writeCmos(gameBytes);
    Config next = BackendProbe::config(backend_);
    next.GameVolume = 30;
    EXPECT_FALSE(backend_.saveAll(next, {1, 2, false, false}));
    EXPECT_EQ(L"Could not save; check access and whether the profile changed, then reopen the "
              L"adjustments.",
              backend_.statusText());
    EXPECT_NE(30, BackendProbe::config(backend_).GameVolume);
    EXPECT_FALSE(backend_.resetRanking());
    EXPECT_EQ(L"Could not reset the ranking; the profile was not replaced.", backend_.statusText());
    EXPECT_EQ(gameBytes, cmos());
    EXPECT_FALSE(std::filesystem::exists(preferencesFile()));
}

// A save cut short after its first write, then repeated as it was asked (by a new launcher that
// reads the files again), leaves exactly what one whole save leaves.
TEST_F(OperatorAdjustments, RepeatingASaveCutShortLeavesWhatAWholeSaveLeaves) {
    Config next;
    next.GameVolume = 40;
    const GameAdjustments chosen{2, 5, false, false};
    const std::string initial = cmos();
    const auto save = [&] {
        Backend backend{StartupContext{root_.path()}};
        backend.loadPreferences(true);
        EXPECT_TRUE(backend.adjustmentsAvailable());
        return backend.saveAll(next, chosen);
    };
    ASSERT_TRUE(save());
    const std::string wholeCmos = cmos();
    const std::string wholePreferences = testsupport::readFile(preferencesFile());
    ASSERT_NE(std::string::npos, wholePreferences.find("CmosCoinage=1"));

    writeCmos(initial);
    std::filesystem::remove(preferencesFile());
    // A folder with content where the preferences go: their replacement fails.
    testsupport::writeFile(preferencesFile() / "in the way", "");
    EXPECT_FALSE(save());
    std::filesystem::remove_all(preferencesFile());
    ASSERT_TRUE(save());
    EXPECT_EQ(wholeCmos, cmos());
    EXPECT_EQ(wholePreferences, testsupport::readFile(preferencesFile()));
}

TEST_F(OperatorAdjustments, ResetRankingReplacesOnlyTheRanking) {
    EXPECT_FALSE(backend_.resetRanking());
    EXPECT_EQ(L"Ranking unavailable: close the game and open the adjustments.",
              backend_.statusText());
    ASSERT_TRUE(backend_.loadAdjustments(true));
    const std::string before = cmos();
    EXPECT_TRUE(backend_.resetRanking());
    EXPECT_EQ(L"Ranking reset by the arcade's own routine.", backend_.statusText());
    std::string expected = before;
    resetRankingImage(expected, program_.image(), 0);
    EXPECT_EQ(expected, cmos());
    // The new digest is kept: a save right after the reset is accepted.
    EXPECT_TRUE(backend_.saveAll(BackendProbe::config(backend_), {2, 2, false, false}));
}

} // namespace
} // namespace qxlauncher
