#pragma once
// UTF-8 and UTF-16 conversions. On Linux wchar_t holds UTF-32; lengths that the system counts
// in UTF-16 units are counted with utf16Length on both platforms.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Malformed sequences become U+FFFD, as the Windows converter does without flags.
std::wstring wideFromUtf8(std::string_view text);

// Unpaired surrogates become U+FFFD.
std::string utf8FromWide(std::wstring_view text);

// The number of UTF-16 code units the text occupies.
std::size_t utf16Length(std::wstring_view text);

// A path from wide text, and a path's wide text. The one place where paths meet wide strings:
// on Linux the library's own conversion follows the "C" locale, whatever the user's, and fails
// on any character beyond ASCII, so there the names are UTF-8.
std::filesystem::path pathFromWide(std::wstring_view text);
std::wstring wideFromPath(const std::filesystem::path& path);

} // namespace platform
