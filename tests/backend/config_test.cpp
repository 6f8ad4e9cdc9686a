#include "backend/backend.h"
#include "backend/files/text_fields.h"
#include "backend/preferences/collection_paths.h"
#include "backend/preferences/config.h"
#include "tests/support/backend_probe.h"
#include "tests/support/case_names.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace qxlauncher {
namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// ---- tryParseInt and trim ----

struct IntCase {
    const char* name;
    const char* text;
    bool accepted;
    std::int32_t value;
};

class TryParseInt : public testing::TestWithParam<IntCase> {};

TEST_P(TryParseInt, ReadsOneWholeDecimalInteger) {
    std::int32_t value = 12345;
    ASSERT_EQ(tryParseInt(GetParam().text, value), GetParam().accepted);
    EXPECT_EQ(value, GetParam().accepted ? GetParam().value : 12345);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TryParseInt,
    testing::Values(IntCase{"Zero", "0", true, 0}, IntCase{"Negative", "-17", true, -17},
                    IntCase{"LeadingPlus", "+5", true, 5},
                    IntCase{"LeadingBlanks", " \t42", true, 42},
                    IntCase{"Largest", "2147483647", true, 2147483647},
                    IntCase{"Smallest", "-2147483648", true, INT32_MIN},
                    IntCase{"OnePastLargest", "2147483648", false, 0},
                    IntCase{"OnePastSmallest", "-2147483649", false, 0},
                    IntCase{"TwentyDigits", "99999999999999999999", false, 0},
                    IntCase{"Empty", "", false, 0}, IntCase{"Blank", " ", false, 0},
                    IntCase{"LoneMinus", "-", false, 0}, IntCase{"TrailingBlank", "4 ", false, 0},
                    IntCase{"Hexadecimal", "0x10", false, 0}, IntCase{"Fraction", "1.0", false, 0},
                    IntCase{"BlankAfterTheSign", "- 1", false, 0}),
    testsupport::caseName);

TEST(Trim, DropsBlanksTabsAndLineEndsAtBothEnds) {
    EXPECT_EQ(trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(trim(" \t\r\n"), "");
    EXPECT_EQ(trim("\va\f"), "\va\f");
}

// ---- the record ----

std::string profileText(const char* scanlines, const char* scalefx) {
    return std::string("scanlines=") + scanlines +
           "\r\nfilter=0\r\nsync=1\r\ncolor=0\r\nbrightness=100\r\nscalefxamount=100\r\n"
           "scalemode=0\r\ncas=0\r\nbilateral=0\r\nhdr=1\r\nhdrpaperwhite=0\r\nhdrpeak=0\r\n"
           "hdrhighlights=0\r\nscalefx=" +
           scalefx + "\r\nbezel=1\r\nhighrefresh=0\r\nsmaa=0\r\nfullscreen=1\r\nwidescreen=0\r\n";
}

const std::string launcherDefaults = "[Launcher]\r\nFPS=60\r\nVSync=1\r\nReducedMotion=0\r\n"
                                     "UIVolume=0\r\nFullscreen=1\r\nVideoEffects=0\r\n";
const std::string gameDefaults = "GameVolume=100\r\nBlood=1\r\nViolence=1\r\nCmosCoinage=0\r\n"
                                 "AudioLatency=1\r\n";

TEST(PreferencesText, DefaultsOfTheFirstGameAreWrittenByteForByte) {
    const std::string expected = launcherDefaults + "[QX1]\r\nRemastered=0\r\n" + gameDefaults +
                                 "\r\n[Video.Original]\r\n" + profileText("0", "0") +
                                 "\r\n[Video.Remastered]\r\n" + profileText("0", "0");
    EXPECT_EQ(preferencesText(defaultConfig(0), 0), expected);
}

TEST(PreferencesText, TheThirdGameWritesItsEngineAndRemasteredDefaults) {
    const std::string expected = launcherDefaults + "[QX3]\r\nRemastered=0\r\nEngine=1\r\n" +
                                 gameDefaults + "\r\n[Video.Original]\r\n" + profileText("0", "0") +
                                 "\r\n[Video.Remastered]\r\n" + profileText("4", "1");
    EXPECT_EQ(preferencesText(defaultConfig(2), 2), expected);
}

TEST(PreferencesText, TheSecondGameNamesItsSection) {
    const std::string text = preferencesText(defaultConfig(1), 1);
    EXPECT_NE(text.find("\r\n[QX2]\r\nRemastered=0\r\nGameVolume=100\r\n"), std::string::npos);
}

struct ValidateCase {
    const char* name;
    int kind;
    std::function<void(Config&)> change;
    std::function<void(const Config&)> check;
};

class ConfigValidate : public testing::TestWithParam<ValidateCase> {};

TEST_P(ConfigValidate, RepairsTheRecordForTheKind) {
    Config config = defaultConfig(GetParam().kind);
    GetParam().change(config);
    config.validate(GetParam().kind);
    GetParam().check(config);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigValidate,
    testing::Values(ValidateCase{"NegativeVolumeBecomesFull", 0,
                                 [](Config& c) { c.GameVolume = -1; },
                                 [](const Config& c) { EXPECT_EQ(c.GameVolume, 100); }},
                    ValidateCase{"OddFrameLimitBecomesSixty", 0, [](Config& c) { c.FPS = 100; },
                                 [](const Config& c) { EXPECT_EQ(c.FPS, 60); }},
                    ValidateCase{"OriginalLosesHighlightsAndWidescreen", 0,
                                 [](Config& c) {
                                     c.original.hdrhighlights = 50;
                                     c.original.widescreen = true;
                                     c.remastered.hdrhighlights = 50;
                                     c.remastered.widescreen = true;
                                 },
                                 [](const Config& c) {
                                     EXPECT_EQ(c.original.hdrhighlights, 0);
                                     EXPECT_FALSE(c.original.widescreen);
                                     EXPECT_EQ(c.remastered.hdrhighlights, 50);
                                     EXPECT_TRUE(c.remastered.widescreen);
                                 }},
                    ValidateCase{"LatencyAndUiVolume", 0,
                                 [](Config& c) {
                                     c.AudioLatency = 3;
                                     c.UIVolume = 40;
                                 },
                                 [](const Config& c) {
                                     EXPECT_EQ(c.AudioLatency, 1);
                                     EXPECT_EQ(c.UIVolume, 0);
                                 }},
                    ValidateCase{"FirstGameKeepsRemasteredAndEngineOne", 0,
                                 [](Config& c) {
                                     c.Remastered = true;
                                     c.Engine = 2;
                                     c.VideoEffects = true;
                                 },
                                 [](const Config& c) {
                                     EXPECT_TRUE(c.Remastered);
                                     EXPECT_EQ(c.Engine, 1);
                                     EXPECT_TRUE(c.VideoEffects);
                                 }},
                    ValidateCase{"OlderSecondGamePackage", 1,
                                 [](Config& c) {
                                     c.Remastered = true;
                                     c.VideoEffects = true;
                                     c.Engine = 2;
                                     c.original.scanlines = 7;
                                     c.original.filter = 2;
                                     c.original.sync = 1;
                                     c.remastered.scalefx = true;
                                     c.remastered.highrefresh = true;
                                     c.remastered.scanlines = 3;
                                 },
                                 [](const Config& c) {
                                     EXPECT_FALSE(c.Remastered);
                                     EXPECT_FALSE(c.VideoEffects);
                                     EXPECT_EQ(c.Engine, 1);
                                     EXPECT_EQ(c.original.scanlines, 0);
                                     EXPECT_EQ(c.original.filter, 0);
                                     EXPECT_EQ(c.original.sync, 2);
                                     EXPECT_FALSE(c.remastered.scalefx);
                                     EXPECT_FALSE(c.remastered.highrefresh);
                                     EXPECT_EQ(c.remastered.scanlines, 3);
                                 }},
                    ValidateCase{"ThirdGameKeepsEngineTwoOnly", 2,
                                 [](Config& c) {
                                     c.Engine = 0;
                                     c.Remastered = true;
                                 },
                                 [](const Config& c) {
                                     EXPECT_EQ(c.Engine, 1);
                                     EXPECT_FALSE(c.Remastered);
                                 }},
                    ValidateCase{"ThirdGameEngineTwoStays", 2, [](Config& c) { c.Engine = 2; },
                                 [](const Config& c) { EXPECT_EQ(c.Engine, 2); }},
                    ValidateCase{"IntegersOutsideTheirRulesTakeTheKindsDefault", 2,
                                 [](Config& c) {
                                     c.remastered.scanlines = 10;
                                     c.remastered.brightness = 95;
                                     c.remastered.hdrpaperwhite = 50;
                                     c.remastered.hdrpeak = 300;
                                     c.original.hdrpeak = 400;
                                     c.original.cas = -1;
                                 },
                                 [](const Config& c) {
                                     EXPECT_EQ(c.remastered.scanlines, 4);
                                     EXPECT_EQ(c.remastered.brightness, 100);
                                     EXPECT_EQ(c.remastered.hdrpaperwhite, 0);
                                     EXPECT_EQ(c.remastered.hdrpeak, 0);
                                     EXPECT_EQ(c.original.hdrpeak, 400);
                                     EXPECT_EQ(c.original.cas, 0);
                                 }}),
    [](const testing::TestParamInfo<ValidateCase>& info) { return info.param.name; });

Config unusualRecord(int kind) {
    Config config = defaultConfig(kind);
    config.FPS = 120;
    config.GameVolume = 35;
    config.AudioLatency = 2;
    config.Blood = false;
    config.CmosCoinage = true;
    config.ReducedMotion = true;
    config.VSync = false;
    config.Fullscreen = false;
    config.Remastered = kind == 0;
    config.VideoEffects = kind != 1;
    config.Engine = kind == 2 ? 2 : 1;
    config.original.scanlines = 3;
    config.original.brightness = 110;
    config.original.smaa = true;
    config.remastered.filter = 1;
    config.remastered.hdrpeak = 1000;
    config.remastered.hdrpaperwhite = 200;
    config.remastered.widescreen = true;
    config.remastered.bezel = false;
    config.remastered.sync = 0;
    // Saved files only ever hold validated records.
    config.validate(kind);
    return config;
}

TEST(PreferencesText, TheWrittenFormReadsBackAndWritesTheSameBytes) {
    for (int kind = 0; kind < gameCount; ++kind) {
        const Config record = unusualRecord(kind);
        const std::string text = preferencesText(record, kind);
        const PreferencesRead read = parsePreferencesText(text, gameIdNarrow(kind), kind);
        EXPECT_EQ(read.outcome, PreferencesOutcome::accepted) << kind;
        EXPECT_EQ(read.config, record) << kind;
        EXPECT_EQ(preferencesText(read.config, kind), text) << kind;
    }
}

// ---- the reader ----

struct ReadCase {
    const char* name;
    int kind;
    const char* gameId;
    std::string text;
    PreferencesOutcome outcome;
    std::function<void(const Config&)> check;
};

class PreferencesReader : public testing::TestWithParam<ReadCase> {};

TEST_P(PreferencesReader, ReadsTolerantly) {
    const ReadCase& c = GetParam();
    const PreferencesRead read = parsePreferencesText(c.text, c.gameId, c.kind);
    EXPECT_EQ(read.outcome, c.outcome);
    c.check(read.config);
}

void noCheck(const Config&) {}

INSTANTIATE_TEST_SUITE_P(
    Cases, PreferencesReader,
    testing::Values(
        ReadCase{"CapitalsAndBlanksAroundTheEquals", 0, "qx1", "[LAUNCHER]\n  Fullscreen =  0 \r\n",
                 PreferencesOutcome::accepted, [](const Config& c) { EXPECT_FALSE(c.Fullscreen); }},
        ReadCase{"ByteOrderMarkAndComments", 0, "qx1",
                 "\xEF\xBB\xBF; note\n# another\n[Launcher]\nFPS=30\n",
                 PreferencesOutcome::accepted, [](const Config& c) { EXPECT_EQ(c.FPS, 30); }},
        ReadCase{"SameKeyInDifferentSections", 0, "qx1",
                 "[Launcher]\nfullscreen=0\n[QX1]\nfullscreen=1\n[Video.Original]\nfullscreen=0\n",
                 PreferencesOutcome::accepted,
                 [](const Config& c) {
                     EXPECT_FALSE(c.Fullscreen);
                     EXPECT_FALSE(c.original.fullscreen);
                     EXPECT_TRUE(c.remastered.fullscreen);
                 }},
        ReadCase{"RepeatedSectionWithOtherKeys", 0, "qx1",
                 "[Launcher]\nFPS=30\n[QX1]\nBlood=0\n[Launcher]\nVSync=0\n",
                 PreferencesOutcome::accepted,
                 [](const Config& c) {
                     EXPECT_EQ(c.FPS, 30);
                     EXPECT_FALSE(c.VSync);
                     EXPECT_FALSE(c.Blood);
                 }},
        ReadCase{"FrameLimitOfOneHundred", 0, "qx1", "[Launcher]\nFPS=100\n",
                 PreferencesOutcome::valuesReplaced, [](const Config& c) { EXPECT_EQ(c.FPS, 60); }},
        ReadCase{"RefusedSwitchKeepsDefault", 0, "qx1", "[QX1]\nBlood=2\nViolence=0\n",
                 PreferencesOutcome::valuesReplaced,
                 [](const Config& c) {
                     EXPECT_TRUE(c.Blood);
                     EXPECT_FALSE(c.Violence);
                 }},
        ReadCase{"RefusedGameValues", 0, "qx1", "[QX1]\nGameVolume=101\nAudioLatency=0\n",
                 PreferencesOutcome::valuesReplaced,
                 [](const Config& c) {
                     EXPECT_EQ(c.GameVolume, 100);
                     EXPECT_EQ(c.AudioLatency, 1);
                 }},
        ReadCase{"OtherGamesSectionIsIgnored", 0, "qx1", "[QX2]\nGameVolume=5\nBlood=7\n",
                 PreferencesOutcome::accepted,
                 [](const Config& c) { EXPECT_EQ(c.GameVolume, 100); }},
        ReadCase{"UnknownKeysAndSectionsAreIgnored", 0, "qx1",
                 "[Launcher]\nColour=9\n[Other]\nFPS=1\n[QX1]\nengine=9\n",
                 PreferencesOutcome::accepted, noCheck},
        ReadCase{"VideoValuesAgainstTheirRules", 0, "qx1",
                 "[Video.Remastered]\nbrightness=95\nhdrpaperwhite=50\nhdrpeak=0\n",
                 PreferencesOutcome::valuesReplaced,
                 [](const Config& c) {
                     EXPECT_EQ(c.remastered.brightness, 100);
                     EXPECT_EQ(c.remastered.hdrpaperwhite, 0);
                     EXPECT_EQ(c.remastered.hdrpeak, 0);
                 }},
        ReadCase{"OlderSecondGameProfileIsRepairedAfterReading", 1, "qx2",
                 "[Video.Original]\nscanlines=7\nsync=1\nscalefx=1\n", PreferencesOutcome::accepted,
                 [](const Config& c) {
                     EXPECT_EQ(c.original.scanlines, 0);
                     EXPECT_EQ(c.original.sync, 2);
                     EXPECT_FALSE(c.original.scalefx);
                 }},
        ReadCase{"FlatKeyStartsBothProfiles", 0, "qx1", "[QX1]\nscanlines=3\n",
                 PreferencesOutcome::accepted,
                 [](const Config& c) {
                     EXPECT_EQ(c.original.scanlines, 3);
                     EXPECT_EQ(c.remastered.scanlines, 3);
                 }},
        ReadCase{"SectionsOverrideTheFlatProfile", 0, "qx1",
                 "[Video.Remastered]\nscanlines=5\n[QX1]\nscanlines=3\n",
                 PreferencesOutcome::accepted,
                 [](const Config& c) {
                     EXPECT_EQ(c.original.scanlines, 3);
                     EXPECT_EQ(c.remastered.scanlines, 5);
                 }},
        ReadCase{"RefusedSectionValueTakesTheFlatStartNot", 0, "qx1",
                 "[QX1]\nscanlines=3\n[Video.Original]\nscanlines=12\n",
                 PreferencesOutcome::valuesReplaced,
                 [](const Config& c) {
                     EXPECT_EQ(c.original.scanlines, 0);
                     EXPECT_EQ(c.remastered.scanlines, 3);
                 }},
        ReadCase{"NativeSecondGameFlatFullscreenFollowsTheLauncher", 0, "qx2",
                 "[QX2]\nscanlines=2\n[Launcher]\nFullscreen=0\n", PreferencesOutcome::accepted,
                 [](const Config& c) {
                     EXPECT_FALSE(c.original.fullscreen);
                     EXPECT_FALSE(c.remastered.fullscreen);
                     EXPECT_EQ(c.remastered.scanlines, 2);
                 }},
        ReadCase{"FirstGameFlatFullscreenDoesNotFollowTheLauncher", 0, "qx1",
                 "[Launcher]\nFullscreen=0\n", PreferencesOutcome::accepted,
                 [](const Config& c) { EXPECT_TRUE(c.original.fullscreen); }},
        ReadCase{"ThirdGameEngineZeroEndsAsOne", 2, "qx3", "[QX3]\nEngine=0\n",
                 PreferencesOutcome::accepted, [](const Config& c) { EXPECT_EQ(c.Engine, 1); }},
        ReadCase{"ThirdGameEngineFiveWarns", 2, "qx3", "[QX3]\nEngine=5\n",
                 PreferencesOutcome::qx3ValuesReplaced,
                 [](const Config& c) { EXPECT_EQ(c.Engine, 1); }},
        ReadCase{"ThirdGameVideoRefusalWarns", 2, "qx3", "[Video.Remastered]\nscanlines=x\n",
                 PreferencesOutcome::qx3ValuesReplaced,
                 [](const Config& c) { EXPECT_EQ(c.remastered.scanlines, 4); }},
        ReadCase{"ThirdGameFlatKeysAreNotUsedButJudged", 2, "qx3", "[QX3]\nscanlines=2\nbezel=7\n",
                 PreferencesOutcome::qx3ValuesReplaced,
                 [](const Config& c) {
                     EXPECT_EQ(c.original.scanlines, 0);
                     EXPECT_EQ(c.remastered.scanlines, 4);
                 }},
        ReadCase{"ThirdGameOtherRefusalIsPlain", 2, "qx3", "[QX3]\nEngine=5\nBlood=3\n",
                 PreferencesOutcome::valuesReplaced, noCheck},
        ReadCase{"ThirdGamePreviewSection", 2, "qx3",
                 "[Video.Preview.Remastered]\nscanlines=6\nbezel=0\n[Video.Remastered]\n"
                 "scanlines=2\nfullscreen=0\n[Video.Original]\nscanlines=3\nfullscreen=0\n",
                 PreferencesOutcome::accepted,
                 [](const Config& c) {
                     EXPECT_EQ(c.remastered.scanlines, 6);
                     EXPECT_FALSE(c.remastered.fullscreen);
                     EXPECT_FALSE(c.remastered.bezel);
                     EXPECT_TRUE(c.remastered.scalefx);
                     EXPECT_EQ(c.original.scanlines, 0);
                     EXPECT_FALSE(c.original.fullscreen);
                 }},
        ReadCase{"PreviewSectionOnlyCountsForTheThirdGame", 0, "qx1",
                 "[Video.Preview.Remastered]\nscanlines=6\n[Video.Remastered]\nscanlines=2\n",
                 PreferencesOutcome::accepted,
                 [](const Config& c) { EXPECT_EQ(c.remastered.scanlines, 2); }}),
    [](const testing::TestParamInfo<ReadCase>& info) { return info.param.name; });

struct BrokenCase {
    const char* name;
    std::string text;
    const char* label;
};

class PreferencesFileErrors : public testing::TestWithParam<BrokenCase> {};

TEST_P(PreferencesFileErrors, DropTheWholeFile) {
    try {
        parsePreferencesText(GetParam().text, "qx1", 0);
        FAIL() << "the file was accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), GetParam().label);
    }
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Cases, PreferencesFileErrors,
    testing::Values(
        BrokenCase{"ZeroByte", "[Launcher]\nFPS=60\0\n"s, "binary config"},
        BrokenCase{"UnclosedSection", "[Launcher\nFPS=60\n", "section syntax"},
        BrokenCase{"KeyBeforeAnySection", "FPS=60\n[Launcher]\n", "key syntax"},
        BrokenCase{"LineWithoutEquals", "[Launcher]\nFPS\n", "key syntax"},
        BrokenCase{"SameKeyTwiceInOneSection", "[Launcher]\nFPS=60\nfps=30\n", "duplicate key"},
        BrokenCase{"SameKeyInTwoLauncherSections",
                   "[Launcher]\nFPS=60\n[QX1]\n[ launcher ]\nFPS=60\n", "duplicate key"}),
    [](const testing::TestParamInfo<BrokenCase>& info) { return info.param.name; });

// ---- the backend operations ----

class BackendPreferences : public testing::Test {
protected:
    testsupport::TempFolder root{"prefs"};
    std::unique_ptr<Backend> backend = std::make_unique<Backend>(StartupContext{root.path()});

    Config& config() { return BackendProbe::config(*backend); }
    std::filesystem::path fileOf(int game, bool native = false) const {
        return preferencesFilePath(root.path(), game, native);
    }
    void makeNativeSecondGame() {
        testsupport::writeFile(root / qx2NativeBuildDir / "product/native-package.ini", "");
    }
    // A file where the profile folder should be makes every save fail.
    void blockProfileFolder(int game, bool native = false) {
        testsupport::writeFile(fileOf(game, native).parent_path(), "blocker");
    }
    const std::wstring& status() const { return backend->statusText(); }
};

TEST_F(BackendPreferences, NoFileLoadsTheDefaults) {
    EXPECT_TRUE(backend->loadPreferences(false));
    EXPECT_EQ(status(), L"Default preferences loaded.");
    EXPECT_EQ(config(), defaultConfig(0));
}

TEST_F(BackendPreferences, LoadStatusFollowsTheOutcome) {
    testsupport::writeFile(fileOf(0), "[Launcher]\nFPS=120\n");
    EXPECT_TRUE(backend->loadPreferences(false));
    EXPECT_EQ(status(), L"Preferences loaded.");
    EXPECT_EQ(config().FPS, 120);

    testsupport::writeFile(fileOf(0), "[Launcher]\nFPS=100\n");
    EXPECT_FALSE(backend->loadPreferences(false));
    EXPECT_EQ(status(), L"Invalid values were replaced by the defaults.");
    EXPECT_EQ(config().FPS, 60);
}

TEST_F(BackendPreferences, ThirdGameWarningAndEditionCopy) {
    testsupport::writeFile(fileOf(2), "[QX3]\nEngine=2\n[Video.Original]\nscanlines=99\n");
    ASSERT_TRUE(backend->selectGame(2, false));
    EXPECT_EQ(status(), L"Preferences loaded; invalid QX3 values were replaced by the defaults.");
    EXPECT_EQ(config().Engine, 2);
    EXPECT_EQ(backend->qx3EditionSelected(), 2);
}

TEST_F(BackendPreferences, ADamagedFileGivesSafeDefaults) {
    testsupport::writeFile(fileOf(0), "FPS=30\n");
    EXPECT_FALSE(backend->loadPreferences(false));
    EXPECT_EQ(status(), L"The settings file is invalid or unreadable; using safe defaults.");
    EXPECT_EQ(config(), defaultConfig(0));
}

TEST_F(BackendPreferences, AnOversizedFileGivesSafeDefaults) {
    testsupport::writeFile(fileOf(0), "[Launcher]\n" + std::string(8192, ';'));
    EXPECT_FALSE(backend->loadPreferences(false));
    EXPECT_EQ(status(), L"The settings file is invalid or unreadable; using safe defaults.");
    testsupport::writeFile(fileOf(0), "[Launcher]\nFPS=30\n" + std::string(8192 - 19, '\n'));
    EXPECT_TRUE(backend->loadPreferences(false));
    EXPECT_EQ(config().FPS, 30);
}

TEST_F(BackendPreferences, AProfileBehindALinkGivesSafeDefaults) {
    const std::filesystem::path profile = fileOf(0).parent_path();
    testsupport::writeFile(root / "elsewhere/launcher.ini", "[Launcher]\nFPS=30\n");
    std::filesystem::create_directories(profile.parent_path());
    if (!testsupport::makeFolderLink(root / "elsewhere", profile)) {
        GTEST_SKIP() << "this system cannot create a folder link";
    }
    EXPECT_FALSE(backend->loadPreferences(false));
    EXPECT_EQ(status(), L"The settings file is invalid or unreadable; using safe defaults.");
    EXPECT_EQ(config().FPS, 60);
}

TEST_F(BackendPreferences, SelectGameRefusesGamesOutsideTheTable) {
    for (const int game : {-1, 3, 100}) {
        EXPECT_FALSE(backend->selectGame(game, false)) << game;
        EXPECT_EQ(backend->selectedGameKind(), 0);
    }
}

TEST_F(BackendPreferences, SelectGameRefusesWhileAGameRuns) {
    RunningGameScope running(*backend);
    EXPECT_FALSE(backend->selectGame(1, false));
    EXPECT_EQ(backend->selectedGameKind(), 0);
}

TEST_F(BackendPreferences, SelectingTheSelectedGameReloadsNothing) {
    const std::wstring before = status();
    testsupport::writeFile(fileOf(0), "[Launcher]\nFPS=30\n");
    EXPECT_TRUE(backend->selectGame(0, false));
    EXPECT_EQ(status(), before);
    EXPECT_EQ(config().FPS, 60);
}

TEST_F(BackendPreferences, AGameWithRepairedValuesIsStillSelected) {
    testsupport::writeFile(fileOf(1), "[QX2]\nBlood=5\n");
    EXPECT_TRUE(backend->selectGame(1, false));
    EXPECT_EQ(backend->selectedGameKind(), 1);
    EXPECT_EQ(status(), L"Invalid values were replaced by the defaults.");
    testsupport::writeFile(fileOf(2), "[QX3\n");
    EXPECT_TRUE(backend->selectGame(2, false));
    EXPECT_EQ(status(), L"The settings file is invalid or unreadable; using safe defaults.");
}

TEST_F(BackendPreferences, TheNativeSecondGameReadsItsOwnPackage) {
    makeNativeSecondGame();
    testsupport::writeFile(fileOf(1, true), "[QX2]\nRemastered=1\n");
    testsupport::writeFile(fileOf(1, false), "[QX2]\nGameVolume=10\n");
    ASSERT_TRUE(backend->selectGame(1, false));
    EXPECT_TRUE(BackendProbe::qx2NativeSelected(*backend));
    // Validated as the first kind: the Remastered switch survives.
    EXPECT_TRUE(config().Remastered);
    EXPECT_EQ(config().GameVolume, 100);
}

TEST_F(BackendPreferences, SaveWritesTheValidatedRecord) {
    config().FPS = 75;
    config().GameVolume = 40;
    ASSERT_TRUE(backend->savePreferences());
    EXPECT_EQ(status(), L"Preferences saved.");
    Config expected = defaultConfig(0);
    expected.GameVolume = 40;
    EXPECT_EQ(testsupport::readFile(fileOf(0)), preferencesText(expected, 0));
    EXPECT_EQ(config().FPS, 60);
}

TEST_F(BackendPreferences, SaveIsRefusedWhileAGameRuns) {
    RunningGameScope running(*backend);
    EXPECT_FALSE(backend->savePreferences());
    EXPECT_EQ(status(), L"Close the game before saving preferences.");
    EXPECT_FALSE(std::filesystem::exists(fileOf(0)));
}

TEST_F(BackendPreferences, AFailedSaveIsLoggedAndReported) {
    blockProfileFolder(0);
    CaptureStderr();
    EXPECT_FALSE(backend->savePreferences());
    const std::string logged = GetCapturedStderr();
    EXPECT_EQ(logged.rfind("preferences save failed: ", 0), 0u) << logged;
    EXPECT_EQ(logged.back(), '\n');
    EXPECT_EQ(status(), L"Could not save the preferences; check access to the profile folder.");
}

TEST_F(BackendPreferences, SaveRefusesWhenTheNativePackageChanged) {
    ASSERT_TRUE(backend->selectGame(1, false));
    makeNativeSecondGame();
    CaptureStderr();
    EXPECT_FALSE(backend->savePreferences());
    EXPECT_EQ(GetCapturedStderr(),
              "preferences save failed: selected installation changed; reload Settings\n");
    EXPECT_EQ(status(), L"Could not save the preferences; check access to the profile folder.");
    EXPECT_FALSE(std::filesystem::exists(fileOf(1, true)));
    EXPECT_FALSE(std::filesystem::exists(fileOf(1, false)));
}

TEST_F(BackendPreferences, SaveRefusesWhenTheNativePackageVanished) {
    makeNativeSecondGame();
    ASSERT_TRUE(backend->selectGame(1, false));
    std::filesystem::remove(root / qx2NativeBuildDir / "product/native-package.ini");
    CaptureStderr();
    EXPECT_FALSE(backend->savePreferences());
    EXPECT_EQ(GetCapturedStderr(),
              "preferences save failed: selected installation changed; reload Settings\n");
    EXPECT_FALSE(std::filesystem::exists(fileOf(1, true)));
}

TEST_F(BackendPreferences, ResetWritesTheDefaults) {
    testsupport::writeFile(fileOf(2), "[QX3]\nGameVolume=20\n");
    ASSERT_TRUE(backend->selectGame(2, false));
    ASSERT_EQ(config().GameVolume, 20);
    EXPECT_TRUE(backend->resetPreferences());
    EXPECT_EQ(config(), defaultConfig(2));
    EXPECT_EQ(testsupport::readFile(fileOf(2)), preferencesText(defaultConfig(2), 2));
}

TEST_F(BackendPreferences, ResetWhileAGameRunsKeepsTheLoadedPreferences) {
    config().GameVolume = 20;
    RunningGameScope running(*backend);
    EXPECT_FALSE(backend->resetPreferences());
    EXPECT_EQ(status(), L"Close the game before saving preferences.");
    EXPECT_EQ(config().GameVolume, 20);
}

TEST_F(BackendPreferences, AFailedResetKeepsTheLoadedPreferences) {
    config().GameVolume = 20;
    blockProfileFolder(0);
    CaptureStderr();
    EXPECT_FALSE(backend->resetPreferences());
    GetCapturedStderr();
    EXPECT_EQ(status(), L"Could not save the preferences; check access to the profile folder.");
    EXPECT_EQ(config().GameVolume, 20);
}

TEST_F(BackendPreferences, EditionSwitchActsOnlyForTheThirdGame) {
    const std::wstring before = status();
    EXPECT_FALSE(backend->setQx3Engine(2));
    EXPECT_EQ(status(), before);
    ASSERT_TRUE(backend->selectGame(2, false));
    {
        RunningGameScope running(*backend);
        const std::wstring selected = status();
        EXPECT_FALSE(backend->setQx3Engine(2));
        EXPECT_EQ(status(), selected);
    }
    EXPECT_FALSE(backend->setQx3Engine(3));
    EXPECT_EQ(status(), L"QX3 is unavailable: build it again on the Build page.");
    EXPECT_EQ(backend->qx3EditionSelected(), 1);
}

TEST_F(BackendPreferences, EditionSwitchSavesEngineAndEdition) {
    ASSERT_TRUE(backend->selectGame(2, false));
    EXPECT_TRUE(backend->setQx3Engine(2));
    EXPECT_EQ(status(), L"Preferences saved.");
    EXPECT_EQ(config().Engine, 2);
    EXPECT_EQ(backend->qx3EditionSelected(), 2);
    EXPECT_NE(testsupport::readFile(fileOf(2)).find("\r\nEngine=2\r\n"), std::string::npos);
}

TEST_F(BackendPreferences, AFailedEditionSwitchPutsEverythingBack) {
    ASSERT_TRUE(backend->selectGame(2, false));
    config().FPS = 75; // validation would repair this
    const Config before = config();
    blockProfileFolder(2);
    CaptureStderr();
    EXPECT_FALSE(backend->setQx3Engine(2));
    GetCapturedStderr();
    EXPECT_EQ(config(), before);
    EXPECT_EQ(backend->qx3EditionSelected(), 1);
    EXPECT_EQ(status(), L"Could not save the preferences; check access to the profile folder.");
}

} // namespace
} // namespace qxlauncher
