// Fitting, wrapping and the display texts of digest keys, setup steps, seconds and controller
// masks. Text measures with the recording canvas's fixed advance: half the size per character.
#include "app/ui/text_layout.h"
#include "tests/app/recording_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

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
                    FitCase{"ExactlyThreeAndTheDotsFit", L"abcdefg", 30, false, L"abc..."},
                    FitCase{"ExactlyThreeAndTheDotsFitKeepingTheEnd", L"abcdefg", 30, true,
                            L"...efg"},
                    FitCase{"CutAtTheStartForAPath", L"C:/roms/qx1", 40, true, L"...s/qx1"},
                    FitCase{"NarrowerThanTheDotsFromTheEnd", L"abcdef", 10, false, L"..."},
                    FitCase{"NarrowerThanTheDotsFromTheStart", L"abcdef", 10, true, L"..."},
                    FitCase{"EmptyFits", L"", 0, false, L""}),
    [](const auto& info) { return std::string(info.param.name); });

// The fitting as it was first written: one unit dropped at a time and the whole rest measured
// again. The search must give the same text wherever no character is cut in two.
std::wstring fitOneByOne(const lumenark::Canvas& canvas, std::wstring_view text, float size,
                         float maxWidth, bool keepEnd) {
    const auto fits = [&](std::wstring_view t) {
        return canvas.measureText(t, size, 0.0f) <= maxWidth;
    };
    if (fits(text)) {
        return std::wstring(text);
    }
    for (std::wstring_view kept = text; !kept.empty();
         kept = keepEnd ? kept.substr(1) : kept.substr(0, kept.size() - 1)) {
        const std::wstring candidate =
            keepEnd ? L"..." + std::wstring(kept) : std::wstring(kept) + L"...";
        if (fits(candidate)) {
            return candidate;
        }
    }
    return L"...";
}

// Every width at which one more character would fit, just below it, and the extremes: the
// search keeps exactly what the one-by-one fitting kept.
TEST(FitText, KeepsWhatDroppingOneCharacterAtATimeKept) {
    const RecordingCanvas even;
    // Characters of uneven widths (1 to 7 tenths of the size, by code), so that a search that
    // stops a character short or long shows.
    const RecordingCanvas uneven(1536, [](wchar_t ch) {
        return static_cast<float>(static_cast<unsigned>(ch) % 7 + 1) / 10;
    });
    const std::vector<std::wstring> texts{
        L"",
        L"a",
        L"abcdef",
        L"C:/Users/player/Games/Quarrix collection/roms/qx1",
        L"two lines\nof a status text",
        L"W...iii...WWW",
        std::wstring(120, L'm') + L"/end",
    };
    for (const RecordingCanvas* canvas : {&even, &uneven}) {
        for (const std::wstring& text : texts) {
            for (const bool keepEnd : {false, true}) {
                std::vector<float> widths{-1, 0, 1e9f};
                for (std::size_t kept = 0; kept <= text.size(); ++kept) {
                    const std::wstring candidate = keepEnd
                                                       ? L"..." + text.substr(text.size() - kept)
                                                       : text.substr(0, kept) + L"...";
                    const float edge = canvas->measureText(candidate, 10, 0);
                    widths.insert(widths.end(), {edge, edge - 0.25f});
                }
                for (const float width : widths) {
                    EXPECT_EQ(lumenark::fitText(*canvas, text, 10, width, keepEnd),
                              fitOneByOne(*canvas, text, 10, width, keepEnd))
                        << "width " << width << (keepEnd ? ", keeping the end" : "");
                }
            }
        }
    }
}

// A character beyond the BMP is two units in UTF-16, and the renderer measures it as two on every
// platform: a fitted text keeps both or neither. At size 10 every unit is 5 wide.
TEST(FitText, NeverKeepsHalfACharacter) {
    const RecordingCanvas canvas;
    const wchar_t high = 0xD83D;
    const wchar_t low = 0xDE00;
    const std::wstring ahead{L'a', L'b', high, low, L'c', L'd', L'e', L'f'};
    const std::wstring behind{L'a', L'b', L'c', L'd', L'e', L'f', high, low, L'g', L'h'};
    struct Case {
        const std::wstring& text;
        float maxWidth;
        bool keepEnd;
        std::wstring expected;
    };
    const std::vector<Case> cases{
        {ahead, 30, false, L"ab..."}, // room for "ab", half the pair and the dots
        {ahead, 35, false, std::wstring{L'a', L'b', high, low} + L"..."},
        {behind, 30, true, L"...gh"},
        {behind, 35, true, L"..." + std::wstring{high, low, L'g', L'h'}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lumenark::fitText(canvas, c.text, 10, c.maxWidth, c.keepEnd), c.expected)
            << c.maxWidth << (c.keepEnd ? ", keeping the end" : "");
    }
}

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
