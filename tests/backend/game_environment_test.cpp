#include "backend/launch/game_environment.h"
#include "platform/text.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace qxlauncher {
namespace {

namespace fs = std::filesystem;

// The block split back into its entries; the block must end in the extra NUL.
std::vector<std::wstring> entries(const std::wstring& block) {
    std::vector<std::wstring> result;
    EXPECT_GE(block.size(), 2u);
    EXPECT_EQ(block.back(), L'\0');
    std::size_t start = 0;
    while (start < block.size() && block[start] != L'\0') {
        const std::size_t end = block.find(L'\0', start);
        result.push_back(block.substr(start, end - start));
        start = end + 1;
    }
    EXPECT_EQ(start, block.size() - 1);
    return result;
}

std::optional<std::wstring> variable(const std::wstring& block, const std::wstring& name) {
    for (const auto& entry : entries(block)) {
        if (entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 &&
            entry[name.size()] == L'=') {
            return entry.substr(name.size() + 1);
        }
    }
    return std::nullopt;
}

struct Inputs {
    std::vector<std::wstring> inherited{L"OS=Windows_NT"};
    Config config = defaultConfig(0);
    VideoSettings video;
    fs::path music;
    bool extended = false;
    bool validate = false;
    fs::path bezel;
    ControlBindings bindings;
    std::optional<std::wstring> widescreen;

    std::wstring build() const {
        return buildGameEnvironment(inherited, config, video, music, extended, validate, bezel,
                                    bindings, widescreen);
    }
};

TEST(GameEnvironment, InheritedSettingsVariablesAreDropped) {
    Inputs in;
    in.inherited = {L"qx1_scanlines=9",  L"Qx1_Widescreen=1", L"QX2_WIDESCREEN=1",
                    L"qx3_widescreen=1", L"QX2_KEEP=yes",     L"QX3_OTHER=kept",
                    L"NOEQUALS",         L"OS=Windows_NT"};
    const std::wstring block = in.build();
    EXPECT_EQ(variable(block, L"QX2_KEEP"), L"yes");
    EXPECT_EQ(variable(block, L"QX3_OTHER"), L"kept");
    EXPECT_FALSE(variable(block, L"QX2_WIDESCREEN"));
    EXPECT_FALSE(variable(block, L"qx3_widescreen"));
    EXPECT_FALSE(variable(block, L"Qx1_Widescreen"));
    EXPECT_FALSE(variable(block, L"qx1_scanlines"));
    EXPECT_EQ(variable(block, L"QX1_SCANLINES"), L"0");
    EXPECT_FALSE(variable(block, L"NOEQUALS"));
}

TEST(GameEnvironment, SortedWithoutRegardToCaseDriveEntriesFirst) {
    Inputs in;
    in.inherited = {L"Path=C:\\Windows",   L"OS=Windows_NT",         L"=C:=C:\\",
                    L"windir=C:\\Windows", L"PATH=ignored-spelling", L"_under=1"};
    const std::vector<std::wstring> list = entries(in.build());
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.front(), L"=C:=C:\\");
    const auto position = [&](const std::wstring& prefix) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (list[i].starts_with(prefix)) {
                return i;
            }
        }
        return list.size();
    };
    // The first spelling stays the name; the later one gives the value.
    EXPECT_LT(position(L"Path=ignored-spelling"), list.size());
    EXPECT_EQ(position(L"PATH="), list.size());
    EXPECT_LT(position(L"OS="), position(L"Path="));
    EXPECT_LT(position(L"Path="), position(L"QX1_AUDIO_LATENCY="));
    // Letters fold to lower case, so "_" (0x5F) sorts before every name that starts with one.
    EXPECT_LT(position(L"_under="), position(L"OS="));
    EXPECT_LT(position(L"_under="), position(L"QX1_SYNC="));
    for (std::size_t i = 1; i < list.size(); ++i) {
        EXPECT_LT(compareIgnoringCase(list[i - 1].substr(0, list[i - 1].find(L'=', 1)),
                                      list[i].substr(0, list[i].find(L'=', 1))),
                  0);
    }
}

TEST(GameEnvironment, CaseBlindComparisonFoldsToLowerCase) {
    EXPECT_EQ(compareIgnoringCase(L"Path", L"PATH"), 0);
    EXPECT_LT(compareIgnoringCase(L"_", L"a"), 0);
    EXPECT_LT(compareIgnoringCase(L"_", L"A"), 0);
    EXPECT_LT(compareIgnoringCase(L"[", L"A"), 0);
    EXPECT_LT(compareIgnoringCase(L"ab", L"ABC"), 0);
    // Order by UTF-16 units: a surrogate pair sorts before U+FFFD.
    EXPECT_LT(
        compareIgnoringCase(std::wstring(1, static_cast<wchar_t>(0xD83D)) + L"\xDE00", L"\xFFFD"),
        0);
}

TEST(GameEnvironment, NoInheritedEnvironmentFails) {
    Inputs in;
    try {
        buildGameEnvironment(std::nullopt, in.config, in.video, in.music, false, false, in.bezel,
                             in.bindings, std::nullopt);
        FAIL() << "no failure";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "native process environment");
    }
}

struct VideoCase {
    const char* name;
    std::int32_t scanlines;
    std::int32_t filter;
    bool scalefx;
    std::int32_t amount;
    bool extended;
    const wchar_t* strength;
    const wchar_t* preset;
    const wchar_t* filterText;
    const wchar_t* scaleFx;
};

void PrintTo(const VideoCase& c, std::ostream* os) {
    *os << c.name;
}

class GameEnvironmentVideo : public testing::TestWithParam<VideoCase> {};

TEST_P(GameEnvironmentVideo, FilterAndScaleFx) {
    const VideoCase& c = GetParam();
    Inputs in;
    in.video.scanlines = c.scanlines;
    in.video.filter = c.filter;
    in.video.scalefx = c.scalefx;
    in.video.scalefxamount = c.amount;
    in.extended = c.extended;
    const std::wstring block = in.build();
    EXPECT_EQ(variable(block, L"QX1_SCANLINES"), c.strength);
    EXPECT_EQ(variable(block, L"QX1_CRT_PRESET"), c.preset);
    EXPECT_EQ(variable(block, L"QX1_FILTER"), c.filterText);
    EXPECT_EQ(variable(block, L"QX1_SCALEFX"), c.scaleFx);
    EXPECT_EQ(variable(block, L"QX1_SCALE_MODE").has_value(), c.extended);
    EXPECT_EQ(variable(block, L"QX1_CAS").has_value(), c.extended);
    EXPECT_EQ(variable(block, L"QX1_BILATERAL").has_value(), c.extended);
    EXPECT_EQ(variable(block, L"QX1_SMAA").has_value(), c.extended);
}

INSTANTIATE_TEST_SUITE_P(
    Table, GameEnvironmentVideo,
    testing::Values(
        VideoCase{"LinearUnderScaleFx", 2, 1, true, 100, false, L"0.5", L"off", L"nearest", L"100"},
        VideoCase{"LinearWithoutScaleFx", 2, 1, false, 100, false, L"0.5", L"off", L"linear", L"0"},
        VideoCase{"LinearScaleFxAtZero", 3, 1, true, 0, false, L"0.75", L"off", L"linear", L"0"},
        VideoCase{"PhosphorDropsScaleFx", 9, 1, true, 60, false, L"0", L"phosphor", L"nearest",
                  L"0"},
        VideoCase{"PresetAboveThree", 5, 1, false, 100, false, L"0", L"bvm-4k", L"nearest", L"0"},
        VideoCase{"SharpBilinearPlain", 1, 2, false, 100, false, L"0.25", L"off", L"nearest", L"0"},
        VideoCase{"ExtendedNamesTheFilter", 9, 3, true, 60, true, L"0", L"phosphor", L"bicubic",
                  L"60"},
        VideoCase{"ExtendedLinear", 0, 1, true, 100, true, L"0", L"off", L"linear", L"100"}),
    [](const testing::TestParamInfo<VideoCase>& info) { return std::string(info.param.name); });

TEST(GameEnvironment, TheSettingsTable) {
    Inputs in;
    in.config.GameVolume = 35;
    in.config.AudioLatency = 2;
    in.video.sync = 2;
    in.video.color = 1;
    in.video.brightness = 90;
    in.video.bezel = false;
    in.video.highrefresh = true;
    in.video.fullscreen = false;
    in.video.hdr = 0;
    in.video.hdrpaperwhite = 203;
    in.video.hdrhighlights = 40;
    in.validate = true;
    const std::wstring block = in.build();
    const std::string controls = formatControls(in.bindings);
    const std::vector<std::pair<std::wstring, std::wstring>> expected{
        {L"QX1_GAME_VOLUME", L"35"},
        {L"QX1_SYNC", L"immediate"},
        {L"QX1_COLOR", L"vivid"},
        {L"QX1_BRIGHTNESS", L"90"},
        {L"QX1_BEZEL", L"0"},
        {L"QX1_HIGH_REFRESH", L"1"},
        {L"QX1_FULLSCREEN", L"0"},
        {L"QX1_HDR", L"off"},
        {L"QX1_HDR_PAPER_WHITE", L"203"},
        {L"QX1_HDR_PEAK", L"auto"},
        {L"QX1_HDR_HIGHLIGHTS", L"40"},
        {L"QX1_AUDIO_LATENCY", L"safe"},
        {L"QX1_MUSIC_MODE", L"original"},
        {L"QX1_GRAPHICS_VALIDATE", L"1"},
        {L"QX1_CONTROLS", std::wstring(controls.begin(), controls.end())}};
    for (const auto& [name, value] : expected) {
        EXPECT_EQ(variable(block, name), value) << platform::utf8FromWide(name);
    }
    EXPECT_FALSE(variable(block, L"QX1_BEZEL_IMAGE"));
    EXPECT_FALSE(variable(block, L"QX1_MUSIC_DIRECTORY"));
    EXPECT_FALSE(variable(block, L"QX1_WIDESCREEN"));
}

TEST(GameEnvironment, DefaultsAndOptionalVariables) {
    Inputs in;
    in.config.Remastered = true;
    in.config.AudioLatency = 0;
    in.bezel = fs::path(L"C:/root/custom_bezel/qx1/bezel.png");
    in.widescreen = L"QX3_WIDESCREEN";
    const std::wstring block = in.build();
    EXPECT_EQ(variable(block, L"QX1_HDR"), L"auto");
    EXPECT_EQ(variable(block, L"QX1_HDR_PAPER_WHITE"), L"auto");
    EXPECT_EQ(variable(block, L"QX1_AUDIO_LATENCY"), L"balanced");
    EXPECT_EQ(variable(block, L"QX1_MUSIC_MODE"), L"remastered");
    // Set with the Remastered music even when the folder is empty.
    EXPECT_EQ(variable(block, L"QX1_MUSIC_DIRECTORY"), L"");
    EXPECT_EQ(variable(block, L"QX1_BEZEL_IMAGE"), in.bezel.wstring());
    EXPECT_EQ(variable(block, L"QX3_WIDESCREEN"), L"1");
    EXPECT_EQ(variable(block, L"QX1_SYNC"), L"vrr");
}

TEST(GameEnvironment, CustomBezelOnlyForARegularFile) {
    testsupport::TempFolder root("bezel");
    EXPECT_TRUE(customBezelPath(root.path(), 1).empty());
    fs::create_directories(root / "custom_bezel/qx2/bezel.png");
    EXPECT_TRUE(customBezelPath(root.path(), 1).empty());
    testsupport::writeFile(root / "custom_bezel/qx3/bezel.png", "png");
    EXPECT_EQ(customBezelPath(root.path(), 2), root / "custom_bezel/qx3/bezel.png");
}

} // namespace
} // namespace qxlauncher
