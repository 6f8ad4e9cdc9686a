#include "app/modes/entry_point.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace lumenark {
namespace {

struct ModeCase {
    const char* name;
    std::vector<std::wstring> arguments;
    LaunchMode mode;
};

class ModeChoice : public testing::TestWithParam<ModeCase> {};

TEST_P(ModeChoice, FollowsTheFirstArgument) {
    EXPECT_EQ(chooseLaunchMode(GetParam().arguments), GetParam().mode);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ModeChoice,
    testing::Values(
        ModeCase{"none", {}, LaunchMode::window},
        ModeCase{"prepare", {L"--prepare"}, LaunchMode::prepare},
        ModeCase{"prepare_with_folder", {L"--prepare", L"--roms", L"x"}, LaunchMode::prepare},
        ModeCase{"capture_two", {L"--ui-capture", L"a.png"}, LaunchMode::capture},
        ModeCase{"settings_capture_three",
                 {L"--settings-capture", L"a.png", L"controls"},
                 LaunchMode::capture},
        ModeCase{"capture_alone", {L"--ui-capture"}, LaunchMode::diagnostic},
        ModeCase{
            "capture_four", {L"--ui-capture", L"a.png", L"play", L"x"}, LaunchMode::diagnostic},
        ModeCase{"wrong_case", {L"--Prepare"}, LaunchMode::diagnostic},
        ModeCase{"diagnostic_option", {L"--game-mode", L"remastered"}, LaunchMode::diagnostic}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ModulePath, AcceptsUpToOneUnitShortOfTheBuffer) {
    EXPECT_FALSE(acceptModulePathLength(0, executablePathBufferUnits));
    EXPECT_TRUE(acceptModulePathLength(1, executablePathBufferUnits));
    EXPECT_TRUE(acceptModulePathLength(32767, executablePathBufferUnits));
    EXPECT_FALSE(acceptModulePathLength(32768, executablePathBufferUnits));
}

TEST(CapturePage, SettingsWordsChooseTheTab) {
    const auto controls = parseCaptureRequest({L"--settings-capture", L"a.png", L"controls"});
    EXPECT_TRUE(controls.settingsOpen);
    EXPECT_EQ(controls.tab, SettingsTab::controls);
    EXPECT_FALSE(controls.section.has_value());
    const auto display = parseCaptureRequest({L"--settings-capture", L"a.png", L"display"});
    EXPECT_EQ(display.tab, SettingsTab::display);
}

TEST(CapturePage, OtherWordsChooseTheSectionBehindSettings) {
    const auto play = parseCaptureRequest({L"--settings-capture", L"a.png", L"play"});
    EXPECT_TRUE(play.settingsOpen);
    EXPECT_EQ(play.tab, SettingsTab::launcher);
    EXPECT_EQ(play.section, NavSection::play);
    const auto roms = parseCaptureRequest({L"--ui-capture", L"a.png", L"roms"});
    EXPECT_FALSE(roms.settingsOpen);
    EXPECT_EQ(roms.section, NavSection::romSetup);
    const auto plain = parseCaptureRequest({L"--ui-capture", L"a.png"});
    EXPECT_FALSE(plain.section.has_value());
    EXPECT_EQ(plain.pngPath, std::filesystem::path("a.png"));
}

TEST(CapturePage, UnknownWordsFailCaseSensitively) {
    for (const wchar_t* word : {L"Play", L"controls", L"settings", L""}) {
        try {
            parseCaptureRequest({L"--ui-capture", L"a.png", word});
            ADD_FAILURE() << "accepted a word";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "unknown capture page");
        }
    }
}

TEST(FatalMessage, NamesTheErrorAndTheLayout) {
    EXPECT_EQ(
        fatalMessageText("launcher window"),
        L"The launcher could not start.\n\nlauncher window\n\nKeep the EXE at the project root, "
        L"next to native, build and roms.");
}

} // namespace
} // namespace lumenark
