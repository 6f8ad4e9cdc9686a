#include "platform/text.h"

#include <gtest/gtest.h>

namespace {

struct Utf8Case {
    const char* name;
    std::string bytes;
    std::wstring wide;
};

class WideFromUtf8 : public testing::TestWithParam<Utf8Case> {};

TEST_P(WideFromUtf8, MatchesTheWindowsConverter) {
    EXPECT_EQ(platform::wideFromUtf8(GetParam().bytes), GetParam().wide);
}

INSTANTIATE_TEST_SUITE_P(Cases, WideFromUtf8,
                         testing::Values(Utf8Case{"ascii", "abc", L"abc"},
                                         Utf8Case{"two_byte", "\xC3\xA9", L"\u00E9"},
                                         Utf8Case{"three_byte", "\xE2\x82\xAC", L"\u20AC"},
                                         Utf8Case{"lone_continuation", "a\x80z", L"a\uFFFDz"},
                                         Utf8Case{"truncated_sequence", "a\xE2\x82", L"a\uFFFD"},
                                         Utf8Case{"overlong", "\xC0\xAF", L"\uFFFD\uFFFD"},
                                         Utf8Case{"invalid_lead", "x\xFFy", L"x\uFFFDy"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Utf16Length, CountsSupplementaryCharactersAsTwoUnits) {
    const std::wstring text = platform::wideFromUtf8("a\xF0\x9F\x8E\xAE");
    EXPECT_EQ(platform::utf16Length(text), 3u);
    EXPECT_EQ(platform::utf8FromWide(text), "a\xF0\x9F\x8E\xAE");
}

} // namespace
