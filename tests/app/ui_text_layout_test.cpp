// Fitting, wrapping and the display texts of digest keys, setup steps, seconds and controller
// masks. Text measures with the recording canvas's fixed advance: half the size per character.
#include "app/ui/text_layout.h"
#include "tests/app/recording_canvas.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using apptest::RecordingCanvas;
using lumenark::buildStepGroup;
using lumenark::controllerBindingName;
using lumenark::digestKindLabel;
using lumenark::formatElapsed;

// At size 10 every character is 5 wide: "abcdef" is 30, "..." is 15.
struct FitCase {
    const char* name;
    std::wstring text;
    float maxWidth;
    bool keepEnd;
    std::wstring expected;
};

class FitText : public testing::TestWithParam<FitCase> {};

TEST_P(FitText, KeepsWhatFits) {
    const RecordingCanvas canvas;
    const FitCase& c = GetParam();
    EXPECT_EQ(lumenark::fitText(canvas, c.text, 10, c.maxWidth, c.keepEnd), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FitText,
    testing::Values(FitCase{"ExactlyAsWideIsUnchanged", L"abcdef", 30, false, L"abcdef"},
                    FitCase{"ExactlyAsWideKeepingTheEnd", L"abcdef", 30, true, L"abcdef"},
                    FitCase{"CutAtTheEnd", L"abcdef", 29, false, L"ab..."},
                    FitCase{"CutAtTheStartForAPath", L"C:/roms/qx1", 40, true, L"...s/qx1"},
                    FitCase{"NarrowerThanTheDotsFromTheEnd", L"abcdef", 10, false, L"..."},
                    FitCase{"NarrowerThanTheDotsFromTheStart", L"abcdef", 10, true, L"..."},
                    FitCase{"EmptyFits", L"", 0, false, L""}),
    [](const auto& info) { return std::string(info.param.name); });

struct WrapCase {
    const char* name;
    std::wstring paragraph;
    float maxWidth;
    std::vector<std::wstring> lines;
};

class WrapText : public testing::TestWithParam<WrapCase> {};

TEST_P(WrapText, BreaksBetweenWords) {
    const RecordingCanvas canvas;
    const WrapCase& c = GetParam();
    EXPECT_EQ(lumenark::wrapText(canvas, c.paragraph, 10, c.maxWidth), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WrapText,
    testing::Values(WrapCase{"BlanksTabsAndLineEndsCollapse", L"a  b\nc", 100, {L"a b c"}},
                    WrapCase{"WrapsAtTheWidth", L"one two three", 40, {L"one two", L"three"}},
                    WrapCase{"ALineExactlyAsWideStays", L"one two", 35, {L"one two"}},
                    WrapCase{"AWideWordStandsAlone", L"abcdefghij kl", 20, {L"abcdefghij", L"kl"}},
                    WrapCase{"AWideWordIsNeverBroken", L"abcdefghij", 20, {L"abcdefghij"}},
                    WrapCase{"EmptyGivesNoLines", L"", 100, {}},
                    WrapCase{"OnlyBlanksGiveNoLines", L" \t\r\n ", 100, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormatElapsed, RoundsToSecondsWithTwoDigits) {
    const std::vector<std::pair<double, std::wstring>> cases{
        {0, L"0:00"},     {59.4, L"0:59"},  {59.5, L"1:00"},     {65, L"1:05"},
        {3600, L"60:00"}, {4530, L"75:30"}, {6000.2, L"100:00"},
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(formatElapsed(seconds), text) << seconds;
    }
}

// Receipts and progress files can carry any number.
TEST(FormatElapsed, ADamagedValueReadsZeroOrStopsAtTheLongestText) {
    const std::vector<std::pair<double, std::wstring>> cases{
        {-125.5, L"0:00"},
        {-0.4, L"0:00"},
        {std::numeric_limits<double>::quiet_NaN(), L"0:00"},
        {std::numeric_limits<double>::infinity(), L"0:00"},
        {-std::numeric_limits<double>::infinity(), L"0:00"},
        {-1e300, L"0:00"},
        {5999999.4, L"99999:59"},
        {5999999.5, L"99999:59"},
        {6000000, L"99999:59"},
        {1e300, L"99999:59"},
        {std::numeric_limits<double>::max(), L"99999:59"},
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(formatElapsed(seconds), text) << seconds;
    }
}

TEST(ControllerBindingName, NamedButtonsFirstThenTheOtherBits) {
    const std::vector<std::pair<qxlauncher::PadButtons, std::wstring>> cases{
        {0x1000 | 0x10000, L"A / LT"},
        {1u << 18, L"BUTTON 11"},
        {1u << 31, L"BUTTON 24"},
        {0x0001 | 0x0004, L"D-PAD / D-PAD"},
        {0x0010 | 0x0020, L"BACK / START"},
        {0x20000 | 0x0080 | 0x0001, L"RT / R3 / D-PAD"},
        {0, L"-"},
    };
    for (const auto& [mask, text] : cases) {
        EXPECT_EQ(controllerBindingName(mask), text) << std::hex << mask;
    }
}

TEST(DigestKindLabel, KnownKeysExactlyOthersAsThemselves) {
    const std::vector<std::pair<std::string, std::wstring>> cases{
        {"size", L"Size"},     {"crc32", L"CRC32"}, {"sha1", L"SHA-1"}, {"sha256", L"SHA-256"},
        {"SHA256", L"SHA256"}, {"md5", L"md5"},     {"", L""},
    };
    for (const auto& [key, label] : cases) {
        EXPECT_EQ(digestKindLabel(key), label) << key;
    }
}

TEST(BuildStepGroup, StepKeysToTheFourGroups) {
    const std::vector<std::pair<std::string, int>> cases{
        {"", 1},         {"verify", 1},  {"stage", 1},   {"decoder", 2},
        {"generate", 2}, {"accept", 3},  {"compile", 4}, {"seed", 4},
        {"install", 4},  {"Compile", 1}, {"unknown", 1},
    };
    for (const auto& [step, group] : cases) {
        EXPECT_EQ(buildStepGroup(step), group) << step;
    }
}

} // namespace
