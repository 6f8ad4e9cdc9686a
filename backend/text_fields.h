#pragma once
// Small readers shared by the preference files: whole-text integers and trimming.
#include <cstdint>
#include <string>
#include <string_view>

namespace qxlauncher {

// True when the whole text is one decimal integer in the signed 32-bit range. Leading
// whitespace and a sign are allowed, as strtol reads them; nothing may follow the digits.
bool tryParseInt(std::string_view text, std::int32_t& value);

// The text without leading and trailing spaces, tabs, CR and LF.
std::string trim(std::string_view text);

} // namespace qxlauncher
