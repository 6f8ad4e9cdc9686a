#include "backend/backend.h"
#include "backend/preferences/collection_paths.h"
#include "backend/preferences/config.h"
#include "backend/preferences/launcher_files.h"
#include "platform/text.h"
#include "tests/support/backend_probe.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <memory>

namespace qxlauncher {
namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

const std::string defaultControlsText =
    "26,28,25,27,41,53,44,5a,58,43,35,31,49,4b,4a,4c,46,47,48,56,42,4e,36,32,"
    "0,0,0,0,4000,20200,8000,1000,2000,10100,20,10,"
    "0,0,0,0,4000,20200,8000,1000,2000,10100,20,10,0,0,0";

TEST(FixedPaths, LieUnderTheLauncherProfileAndPackageFolders) {
    EXPECT_EQ(qx1BuildDir.generic_string(), "build/native/manual-temporary-8-20261025");
    EXPECT_EQ(qx2ArcadeBuildDir.generic_string(), "build/native/qx2-arcade-v1");
    EXPECT_EQ(qx2NativeBuildDir.generic_string(), "build/native/qx2-native-v1");
    EXPECT_EQ(qx3NativeBuildDir.generic_string(), "build/native/qx3-native");
    EXPECT_EQ(menuAudioConfigPath.generic_string(), "build/native/launcher-profile/menu-audio.cfg");
    EXPECT_EQ(launcherConfigPath.generic_string(), "build/native/launcher-profile/launcher.cfg");
    EXPECT_EQ(controlsConfigPath.generic_string(), "build/native/launcher-profile/controls.cfg");
    EXPECT_EQ(setupConfigPath.generic_string(), "build/native/launcher-profile/setup.cfg");
}

TEST(GameIdNarrow, GivesTheTableIds) {
    EXPECT_EQ(gameIdNarrow(0), "qx1");
    EXPECT_EQ(gameIdNarrow(1), "qx2");
    EXPECT_EQ(gameIdNarrow(2), "qx3");
}

// ---- the bindings text ----

TEST(ControlsText, DefaultBindingsFormatByteForByte) {
    EXPECT_EQ(formatControls(ControlBindings{}), defaultControlsText);
}

TEST(ControlsText, FormattedBindingsReadBack) {
    ControlBindings bindings;
    bindings.keyCodes[4] = 0xFF;
    bindings.padMasks[5] = 0xFFFFFFFF;
    bindings.padMasks[23] = 0;
    bindings.socd = 1;
    bindings.trainingMode = 1;
    ControlBindings read;
    read.runAhead = 1;
    ASSERT_TRUE(parseControls(formatControls(bindings), read));
    EXPECT_EQ(read, bindings);
}

std::string withSwitches(const std::string& text, int dropped) {
    std::string result = text;
    for (int i = 0; i < dropped; ++i) {
        result.erase(result.rfind(','));
    }
    return result;
}

TEST(ControlsText, OlderTextsWithFewerSwitchesAreRead) {
    ControlBindings read;
    read.runAhead = 1;
    read.trainingMode = 1;
    // 48 commas: the socd switch comes last.
    std::string text = withSwitches(defaultControlsText, 2);
    text.back() = '1';
    ASSERT_TRUE(parseControls(text, read));
    EXPECT_EQ(read.socd, 1u);
    EXPECT_EQ(read.runAhead, 0u);
    EXPECT_EQ(read.trainingMode, 0u);
    ASSERT_TRUE(parseControls(withSwitches(defaultControlsText, 1), read));
}

TEST(ControlsText, DirectionMasksAreAlwaysZero) {
    std::string text = defaultControlsText;
    // The first pad mask field is slot 0 of player 1; the thirteenth is slot 0 of player 2.
    const std::string masks = "1,2,4,8,4000,20200,8000,1000,2000,10100,20,10,";
    const std::size_t start = text.find("0,0,0,0,4000");
    text.replace(start, 2 * masks.size(), masks + masks);
    ControlBindings read;
    ASSERT_TRUE(parseControls(text, read));
    for (const int slot : {0, 1, 2, 3, 12, 13, 14, 15}) {
        EXPECT_EQ(read.padMasks[static_cast<std::size_t>(slot)], 0u) << slot;
    }
    EXPECT_EQ(read.padMasks[4], 0x4000u);
}

struct BrokenControls {
    const char* name;
    std::string text;
};

class ControlsRefusal : public testing::TestWithParam<BrokenControls> {};

TEST_P(ControlsRefusal, LeavesTheRecordUntouched) {
    ControlBindings read;
    read.keyCodes[0] = 0x99;
    read.socd = 1;
    const ControlBindings before = read;
    EXPECT_FALSE(parseControls(GetParam().text, read));
    EXPECT_EQ(read, before);
}

std::string replacedField(std::size_t index, const std::string& value) {
    std::string text = defaultControlsText;
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i) {
        start = text.find(',', start) + 1;
    }
    const std::size_t end = text.find(',', start);
    text.replace(start, (end == std::string::npos ? text.size() : end) - start, value);
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ControlsRefusal,
    testing::Values(BrokenControls{"FortySevenCommas", withSwitches(defaultControlsText, 3)},
                    BrokenControls{"FiftyOneCommas", defaultControlsText + ",0"},
                    BrokenControls{"UpperCaseHex", replacedField(4, "4A")},
                    BrokenControls{"KeyCodeAbove255", replacedField(0, "100")},
                    BrokenControls{"AdjacentCommas", replacedField(30, "")},
                    BrokenControls{"NineDigitField", replacedField(30, "000004000")},
                    BrokenControls{"BlankInField", replacedField(30, " 4000")},
                    BrokenControls{"SwitchAboveOne", replacedField(49, "2")},
                    BrokenControls{"NegativeSwitch", replacedField(50, "-1")}),
    [](const testing::TestParamInfo<BrokenControls>& info) { return info.param.name; });

// ---- files on disk ----

class LauncherFiles : public testing::Test {
protected:
    testsupport::TempFolder root{"launcher-files"};
    std::unique_ptr<Backend> backend = std::make_unique<Backend>(StartupContext{root.path()});

    std::filesystem::path at(const std::filesystem::path& relative) const {
        return root / relative;
    }
    void write(const std::filesystem::path& relative, const std::string& text) const {
        testsupport::writeFile(at(relative), text);
    }
    // A file where the profile folder belongs makes every write below it fail.
    void blockProfileFolder() const { write("build/native/launcher-profile", "blocker"); }
    Backend& reopen() {
        backend = std::make_unique<Backend>(StartupContext{root.path()});
        return *backend;
    }
};

TEST_F(LauncherFiles, LauncherPreferencesAreWrittenByteForByte) {
    LauncherPreferences preferences;
    preferences.FPS = 120;
    preferences.Volume = 0;
    preferences.VSync = false;
    preferences.ReducedMotion = true;
    preferences.Fullscreen = false;
    preferences.Muted = true;
    ASSERT_TRUE(saveLauncherPreferences(*backend, preferences));
    EXPECT_EQ(testsupport::readFile(at(launcherConfigPath)),
              "Volume=0\r\nMuted=1\r\nFPS=120\r\nVSync=0\r\nReducedMotion=1\r\nFullscreen=0\r\n");
    EXPECT_EQ(loadLauncherPreferences(*backend, defaultConfig(0)), preferences);
}

TEST_F(LauncherFiles, DefaultLauncherPreferencesAreWrittenByteForByte) {
    ASSERT_TRUE(saveLauncherPreferences(*backend, LauncherPreferences{}));
    EXPECT_EQ(testsupport::readFile(at(launcherConfigPath)),
              "Volume=100\r\nMuted=0\r\nFPS=60\r\nVSync=1\r\nReducedMotion=0\r\nFullscreen=1\r\n");
}

TEST_F(LauncherFiles, OutOfRangeLauncherPreferencesAreNotWritten) {
    write(launcherConfigPath, "old");
    for (const auto& [fps, volume] :
         std::initializer_list<std::pair<int, int>>{{60, 101}, {75, 50}, {60, -1}}) {
        LauncherPreferences preferences;
        preferences.FPS = fps;
        preferences.Volume = volume;
        EXPECT_FALSE(saveLauncherPreferences(*backend, preferences));
    }
    EXPECT_EQ(testsupport::readFile(at(launcherConfigPath)), "old");
}

TEST_F(LauncherFiles, AFailedLauncherPreferencesSaveIsLogged) {
    blockProfileFolder();
    CaptureStderr();
    EXPECT_FALSE(saveLauncherPreferences(*backend, LauncherPreferences{}));
    const std::string logged = GetCapturedStderr();
    EXPECT_EQ(logged.rfind("launcher preferences save failed: ", 0), 0u) << logged;
    EXPECT_EQ(logged.back(), '\n');
}

TEST_F(LauncherFiles, TokensOnOneLineReadLikeTheWrittenForm) {
    write(launcherConfigPath, "Volume=40 Muted=0\tFPS=240 VSync=0 ReducedMotion=1 Fullscreen=0");
    const LauncherPreferences read = loadLauncherPreferences(*backend, defaultConfig(0));
    EXPECT_EQ(read.Volume, 40);
    EXPECT_EQ(read.FPS, 240);
    EXPECT_FALSE(read.VSync);
    EXPECT_TRUE(read.ReducedMotion);
    EXPECT_FALSE(read.Fullscreen);
}

struct DamagedLauncherFile {
    const char* name;
    const char* text;
    const char* label;
};

class DamagedLauncherPreferences : public testing::TestWithParam<DamagedLauncherFile> {};

TEST_P(DamagedLauncherPreferences, FallBackToMenuAudio) {
    testsupport::TempFolder root{"launcher-damage"};
    Backend backend(StartupContext{root.path()});
    testsupport::writeFile(root / launcherConfigPath, GetParam().text);
    testsupport::writeFile(root / menuAudioConfigPath, "Volume=30\r\nMuted=1\r\n");
    Config config = defaultConfig(0);
    config.FPS = 30;
    config.VSync = false;
    CaptureStderr();
    const LauncherPreferences read = loadLauncherPreferences(backend, config);
    EXPECT_EQ(GetCapturedStderr(),
              std::string("launcher preferences load failed: ") + GetParam().label + "\n");
    EXPECT_EQ(read.Volume, 30);
    EXPECT_TRUE(read.Muted);
    EXPECT_EQ(read.FPS, 30);
    EXPECT_FALSE(read.VSync);
    EXPECT_FALSE(read.ReducedMotion);
    EXPECT_TRUE(read.Fullscreen);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedLauncherPreferences,
    testing::Values(
        DamagedLauncherFile{"FpsOfOneHundred",
                            "Volume=40 Muted=0 FPS=100 VSync=1 ReducedMotion=0 Fullscreen=1",
                            "invalid launcher FPS"},
        DamagedLauncherFile{"FpsOfFiveHundred",
                            "Volume=40 Muted=0 FPS=500 VSync=1 ReducedMotion=0 Fullscreen=1",
                            "invalid launcher preference: FPS="},
        DamagedLauncherFile{"VolumeAboveHundred", "Volume=101 Muted=0",
                            "invalid launcher preference: Volume="},
        DamagedLauncherFile{"KeysAreCaseSensitive",
                            "volume=40 Muted=0 FPS=60 VSync=1 ReducedMotion=0 Fullscreen=1",
                            "invalid launcher preference: Volume="},
        DamagedLauncherFile{"TokensOutOfOrder",
                            "Muted=0 Volume=40 FPS=60 VSync=1 ReducedMotion=0 Fullscreen=1",
                            "invalid launcher preference: Volume="},
        DamagedLauncherFile{"MissingToken", "Volume=40 Muted=0 FPS=60 VSync=1 ReducedMotion=0",
                            "invalid launcher preference: Fullscreen="},
        DamagedLauncherFile{"ExtraToken",
                            "Volume=40 Muted=0 FPS=60 VSync=1 ReducedMotion=0 Fullscreen=1 X=1",
                            "unexpected launcher preference"},
        DamagedLauncherFile{"Oversized",
                            "Volume=40                                          "
                            "                                                   "
                            "                                                   "
                            "                                                   "
                            "                                                   "
                            "        ",
                            "oversized file"}),
    [](const testing::TestParamInfo<DamagedLauncherFile>& info) { return info.param.name; });

TEST_F(LauncherFiles, MenuAudioGivesOnlyVolumeAndMuted) {
    write(menuAudioConfigPath, "Volume=55\nMuted=0\n");
    Config config = defaultConfig(0);
    config.FPS = 120;
    config.ReducedMotion = true;
    config.Fullscreen = false;
    const LauncherPreferences read = loadLauncherPreferences(*backend, config);
    EXPECT_EQ(read.Volume, 55);
    EXPECT_FALSE(read.Muted);
    EXPECT_EQ(read.FPS, 120);
    EXPECT_TRUE(read.VSync);
    EXPECT_TRUE(read.ReducedMotion);
    EXPECT_FALSE(read.Fullscreen);
}

TEST_F(LauncherFiles, BothFilesDamagedOrAbsentGiveTheDefaults) {
    Config config = defaultConfig(0);
    config.FPS = 240;
    CaptureStderr();
    LauncherPreferences read = loadLauncherPreferences(*backend, config);
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(read.Volume, 100);
    EXPECT_FALSE(read.Muted);
    EXPECT_EQ(read.FPS, 240);

    write(launcherConfigPath, "Volume=x");
    write(menuAudioConfigPath, "Volume=20 Muted=0 FPS=60");
    CaptureStderr();
    read = loadLauncherPreferences(*backend, config);
    EXPECT_EQ(GetCapturedStderr(),
              "launcher preferences load failed: invalid launcher preference: Volume=\n"
              "launcher preferences load failed: unexpected launcher preference\n");
    EXPECT_EQ(read.Volume, 100);
    EXPECT_EQ(read.FPS, 240);
}

TEST_F(LauncherFiles, ControlsAreWrittenByteForByteAndReadBack) {
    ControlBindings bindings;
    bindings.keyCodes[11] = 0x0D;
    bindings.runAhead = 1;
    ASSERT_TRUE(saveControls(*backend, bindings));
    EXPECT_EQ(testsupport::readFile(at(controlsConfigPath)),
              "Controls=" + formatControls(bindings) + "\r\n");
    EXPECT_EQ(loadControls(*backend), bindings);
    ASSERT_TRUE(saveControls(*backend, ControlBindings{}));
    EXPECT_EQ(testsupport::readFile(at(controlsConfigPath)),
              "Controls=" + defaultControlsText + "\r\n");
}

TEST_F(LauncherFiles, ControlsEndingInSeveralLineEndsAreRead) {
    ControlBindings bindings;
    bindings.socd = 1;
    write(controlsConfigPath, "Controls=" + formatControls(bindings) + "\r\n\r\n\n\r");
    EXPECT_EQ(loadControls(*backend), bindings);
}

TEST_F(LauncherFiles, MissingControlsGiveTheDefaultsSilently) {
    CaptureStderr();
    EXPECT_EQ(loadControls(*backend), ControlBindings{});
    EXPECT_EQ(GetCapturedStderr(), "");
}

TEST_F(LauncherFiles, DamagedControlsGiveTheFullDefaults) {
    ControlBindings bindings;
    bindings.socd = 1;
    const std::string good = "Controls=" + formatControls(bindings);
    for (const std::string& text : {" " + good, good + "\r\n" + good, std::string("Controls="),
                                    "controls=" + formatControls(bindings)}) {
        write(controlsConfigPath, text);
        CaptureStderr();
        EXPECT_EQ(loadControls(*backend), ControlBindings{});
        EXPECT_EQ(GetCapturedStderr(), "controls load failed: invalid controls\n");
    }
}

TEST_F(LauncherFiles, AFailedControlsSaveIsLogged) {
    blockProfileFolder();
    CaptureStderr();
    EXPECT_FALSE(saveControls(*backend, ControlBindings{}));
    const std::string logged = GetCapturedStderr();
    EXPECT_EQ(logged.rfind("controls save failed: ", 0), 0u) << logged;
}

// ---- setup.cfg ----

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

TEST_F(LauncherFiles, SetupChoicesAreWrittenWithLineFeeds) {
    std::filesystem::create_directories(root / "roms one");
    std::filesystem::create_directories(root / "roms3");
    ASSERT_TRUE(backend->setAcknowledged(true));
    EXPECT_EQ(testsupport::readFile(at(setupConfigPath)), "acknowledged=1\n");
    ASSERT_TRUE(backend->setRomFolder(2, root / "roms3"));
    ASSERT_TRUE(backend->setRomFolder(0, root / "x/../roms one"));
    const std::filesystem::path first = (root / "roms one").lexically_normal();
    const std::filesystem::path third = (root / "roms3").lexically_normal();
    EXPECT_EQ(testsupport::readFile(at(setupConfigPath)),
              "acknowledged=1\nqx1=" + utf8(first) + "\nqx3=" + utf8(third) + "\n");
    ASSERT_TRUE(backend->setAcknowledged(false));
    EXPECT_EQ(testsupport::readFile(at(setupConfigPath)),
              "qx1=" + utf8(first) + "\nqx3=" + utf8(third) + "\n");

    Backend& again = reopen();
    EXPECT_FALSE(BackendProbe::acknowledged(again));
    EXPECT_EQ(BackendProbe::setupJob(again, 0).romFolder, first);
    EXPECT_TRUE(BackendProbe::setupJob(again, 1).romFolder.empty());
    EXPECT_EQ(BackendProbe::setupJob(again, 2).romFolder, third);
}

TEST_F(LauncherFiles, SetupConfigReadingRules) {
    const std::string absolute = utf8((root / "roms").lexically_normal());
    write(setupConfigPath, "  acknowledged=1 \r\n"
                           "qx2=relative/roms\n"
                           "QX1=" +
                               absolute +
                               "\n"
                               "qx3=" +
                               absolute +
                               "-old\n"
                               "qx3=" +
                               absolute +
                               "\t\r\n"
                               "no equals sign\n"
                               "other=" +
                               absolute + "\n");
    Backend& loaded = reopen();
    EXPECT_TRUE(BackendProbe::acknowledged(loaded));
    EXPECT_TRUE(BackendProbe::setupJob(loaded, 0).romFolder.empty());
    EXPECT_TRUE(BackendProbe::setupJob(loaded, 1).romFolder.empty());
    EXPECT_EQ(utf8(BackendProbe::setupJob(loaded, 2).romFolder), absolute);
}

TEST_F(LauncherFiles, SetupConfigCannotWithdrawTheConfirmation) {
    write(setupConfigPath, "acknowledged=0\nacknowledged=yes\n");
    EXPECT_FALSE(BackendProbe::acknowledged(reopen()));
    write(setupConfigPath, "acknowledged=1\nacknowledged=0\n");
    EXPECT_TRUE(BackendProbe::acknowledged(reopen()));
}

TEST_F(LauncherFiles, AnUnreadableSetupConfigLeavesTheDefaults) {
    std::filesystem::create_directories(at(setupConfigPath));
    EXPECT_FALSE(BackendProbe::acknowledged(reopen()));
    std::filesystem::remove(at(setupConfigPath));
    write(setupConfigPath, "acknowledged=1\n" + std::string(65536, '#'));
    Backend& oversized = reopen();
    EXPECT_FALSE(BackendProbe::acknowledged(oversized));
    EXPECT_THROW(oversized.loadSetupConfig(), std::runtime_error);
}

TEST_F(LauncherFiles, AFailedConfirmationSaveRestoresIt) {
    blockProfileFolder();
    EXPECT_FALSE(backend->setAcknowledged(true));
    EXPECT_EQ(backend->statusText(), L"Could not save the confirmation.");
    EXPECT_FALSE(BackendProbe::acknowledged(*backend));
}

TEST_F(LauncherFiles, RomFolderRefusesGamesOutsideTheTable) {
    const std::wstring before = backend->statusText();
    std::filesystem::create_directories(root / "roms");
    EXPECT_FALSE(backend->setRomFolder(-1, root / "roms"));
    EXPECT_FALSE(backend->setRomFolder(3, root / "roms"));
    EXPECT_EQ(backend->statusText(), before);
    EXPECT_FALSE(std::filesystem::exists(at(setupConfigPath)));
}

TEST_F(LauncherFiles, RomFolderWaitsForTheGamesSetup) {
    std::filesystem::create_directories(root / "roms");
    for (const bool queued : {true, false}) {
        SetupJob& job = BackendProbe::setupJob(*backend, 1);
        job.queued = queued;
        job.running = !queued;
        EXPECT_FALSE(backend->setRomFolder(1, root / "roms"));
        EXPECT_EQ(backend->statusText(), L"Wait for this game's setup to finish.");
        EXPECT_TRUE(job.romFolder.empty());
    }
}

TEST_F(LauncherFiles, RomFolderMustBeAFolder) {
    write("roms.bin", "x");
    for (const char* name : {"roms.bin", "missing"}) {
        EXPECT_FALSE(backend->setRomFolder(0, root / name));
        EXPECT_EQ(backend->statusText(), L"Folder refused: ROM folder");
        EXPECT_TRUE(BackendProbe::setupJob(*backend, 0).romFolder.empty());
    }
}

TEST_F(LauncherFiles, RomFolderThroughALinkIsRefused) {
    std::filesystem::create_directories(root / "real/roms");
    if (!testsupport::makeFolderLink(root / "real", root / "link")) {
        GTEST_SKIP() << "this system cannot create a folder link";
    }
    EXPECT_FALSE(backend->setRomFolder(0, root / "link/roms"));
    EXPECT_EQ(backend->statusText(), L"Folder refused: linked path");
    EXPECT_TRUE(BackendProbe::setupJob(*backend, 0).romFolder.empty());
}

TEST_F(LauncherFiles, RomFolderWithALineBreakIsRefused) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows folder names cannot hold line breaks";
#else
    for (const char* name : {"roms\nqx2=/etc", "roms\rx"}) {
        std::filesystem::create_directories(root / name);
        EXPECT_FALSE(backend->setRomFolder(0, root / name));
        EXPECT_EQ(backend->statusText(), L"Folder refused: ROM folder");
    }
    EXPECT_FALSE(std::filesystem::exists(at(setupConfigPath)));
#endif
}

class VerifiedRomFolder : public LauncherFiles {
protected:
    void SetUp() override {
        std::filesystem::create_directories(root / "old");
        std::filesystem::create_directories(root / "new");
        ASSERT_TRUE(backend->setRomFolder(1, root / "old"));
        SetupJob& job = BackendProbe::setupJob(*backend, 1);
        job.verified = true;
        job.reportFiles.push_back({"a.l31", "ok"});
        job.reportChecks.push_back("check");
        job.program = "program";
    }
    const SetupJob& job() { return BackendProbe::setupJob(*backend, 1); }
    bool verificationKept() {
        return job().verified && job().reportFiles.size() == 1 && job().reportChecks.size() == 1 &&
               job().program == "program";
    }
};

TEST_F(VerifiedRomFolder, ANewFolderForgetsTheVerification) {
    ASSERT_TRUE(backend->setRomFolder(1, root / "new"));
    EXPECT_EQ(job().romFolder, (root / "new").lexically_normal());
    EXPECT_FALSE(job().verified);
    EXPECT_TRUE(job().reportFiles.empty());
    EXPECT_TRUE(job().reportChecks.empty());
    EXPECT_TRUE(job().program.empty());
}

TEST_F(VerifiedRomFolder, TheSameFolderKeepsTheVerificationAndRewritesTheFile) {
    std::filesystem::remove(at(setupConfigPath));
    ASSERT_TRUE(backend->setRomFolder(1, root / "old"));
    EXPECT_TRUE(verificationKept());
    EXPECT_EQ(testsupport::readFile(at(setupConfigPath)),
              "qx2=" + utf8((root / "old").lexically_normal()) + "\n");
}

TEST_F(VerifiedRomFolder, AFailedSaveRestoresTheFolderAndVerification) {
    std::filesystem::remove_all(at("build/native/launcher-profile"));
    blockProfileFolder();
    EXPECT_FALSE(backend->setRomFolder(1, root / "new"));
    EXPECT_EQ(backend->statusText(), L"Folder refused: setup folders not saved");
    EXPECT_EQ(job().romFolder, (root / "old").lexically_normal());
    EXPECT_TRUE(verificationKept());
}

// ---- A ROM folder through setup.cfg and back ----

struct FolderName {
    const char* name;
    std::wstring folder; // under the root; may hold a NUL
    bool refused;
    bool posixOnly;       // Windows names cannot hold it (no blank ends a folder name there)
    std::wstring created; // the folder made on disk; empty: `folder`
    friend void PrintTo(const FolderName& c, std::ostream* out) { *out << c.name; }
};

class RomFolderRoundTrip : public LauncherFiles, public testing::WithParamInterface<FolderName> {};

TEST_P(RomFolderRoundTrip, ReadsBackAsTheChosenFolderOrIsRefusedWithNothingWritten) {
    const FolderName& c = GetParam();
#ifdef _WIN32
    if (c.posixOnly) {
        GTEST_SKIP() << "Windows folder names cannot hold this";
    }
#endif
    std::filesystem::create_directories(root / "earlier");
    ASSERT_TRUE(backend->setRomFolder(0, root / "earlier"));
    const std::filesystem::path earlier = BackendProbe::setupJob(*backend, 0).romFolder;
    const std::string before = testsupport::readFile(at(setupConfigPath));
    std::filesystem::create_directories(
        root / platform::pathFromWide(c.created.empty() ? c.folder : c.created));
    const std::filesystem::path chosen = root / platform::pathFromWide(c.folder);

    const bool accepted = backend->setRomFolder(0, chosen);
    EXPECT_EQ(accepted, !c.refused);
    if (!accepted) {
        EXPECT_EQ(backend->statusText(), L"Folder refused: ROM folder");
        EXPECT_EQ(BackendProbe::setupJob(*backend, 0).romFolder, earlier);
        EXPECT_EQ(testsupport::readFile(at(setupConfigPath)), before);
        return;
    }
    const std::filesystem::path stored = BackendProbe::setupJob(*backend, 0).romFolder;
    EXPECT_EQ(BackendProbe::setupJob(reopen(), 0).romFolder, stored);
    EXPECT_TRUE(std::filesystem::equivalent(stored, chosen)) << "another folder was stored";
}

INSTANTIATE_TEST_SUITE_P(
    Names, RomFolderRoundTrip,
    testing::Values(FolderName{"Plain", L"roms", false, false, L""},
                    FolderName{"BlankInside", L"my roms", false, false, L""},
                    FolderName{"LeadingBlank", L" roms", false, false, L""},
                    FolderName{"BlankBeforeASubfolder", L"roms /qx1", false, true, L""},
                    FolderName{"TrailingDot", L"roms.", false, false, L""},
                    FolderName{"BeyondAscii", L"r\u00f6ms", false, false, L""},
                    FolderName{"TrailingBlank", L"roms ", true, false, L""},
                    FolderName{"TwoTrailingBlanks", L"roms  ", true, false, L""},
                    FolderName{"TrailingTab", L"roms\t", true, true, L""},
                    FolderName{"TrailingLineFeed", L"roms\n", true, true, L""},
                    FolderName{"NulInside", std::wstring(L"ro\0ms", 5), true, false, L"ro"},
                    FolderName{"NulAtTheEnd", std::wstring(L"roms\0", 5), true, false, L"roms"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LauncherFiles, SetupConfigIgnoresAFolderLineWithANul) {
    std::filesystem::create_directories(root / "roms");
    const std::string folder = utf8((root / "roms").lexically_normal());
    write(setupConfigPath, "qx1=" + folder + "\nqx1=" + folder + std::string("\0x", 2) +
                               "\nqx2=" + folder + std::string("\0", 1) + "\n");
    Backend& loaded = reopen();
    EXPECT_EQ(utf8(BackendProbe::setupJob(loaded, 0).romFolder), folder);
    EXPECT_TRUE(BackendProbe::setupJob(loaded, 1).romFolder.empty());
}

} // namespace
} // namespace qxlauncher
