#include "platform/text.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <clocale>

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

// Whatever the locale (the "C" locale here), wide paths convert as UTF-8 and name the file that
// their UTF-8 form names.
TEST(PathFromWide, NonAsciiNamesConvertAsUtf8) {
    const char* locale = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(locale, nullptr);
    const std::string previous = locale;
    std::setlocale(LC_ALL, "C");
    const std::wstring wide = L"r\u00F6ms \u20AC\U0001F3AE";
    const std::filesystem::path path = platform::pathFromWide(wide);
    EXPECT_EQ(path, std::filesystem::path(u8"r\u00F6ms \u20AC\U0001F3AE"));
    EXPECT_EQ(platform::wideFromPath(path), wide);

    testsupport::TempFolder folder("text");
    testsupport::writeFile(folder.path() / path / "file", "x");
    EXPECT_TRUE(std::filesystem::exists(
        folder.path() / std::filesystem::path(u8"r\u00F6ms \u20AC\U0001F3AE/file")));
    EXPECT_EQ(platform::wideFromPath(folder.path() / path)
                  .substr(platform::wideFromPath(folder.path()).size() + 1),
              wide);
    std::setlocale(LC_ALL, previous.c_str());
}

} // namespace
