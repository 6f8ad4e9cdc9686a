#pragma once
// Small readers shared by the preference files, manifests and receipts: integers, trimming,
// lines, ASCII case and digest text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qxlauncher {

// True when the whole text is one decimal integer in the signed 32-bit range. Leading
// whitespace and a sign are allowed, as strtol reads them; nothing may follow the digits.
bool tryParseInt(std::string_view text, std::int32_t& value);

// The text without leading and trailing spaces, tabs, CR and LF.
std::string trim(std::string_view text);

// The text with the letters A to Z folded to lower case; every other byte as it is.
std::string lowerAscii(std::string text);

// Exactly 64 characters of "0123456789abcdef": the text of a SHA-256 digest.
bool isLowerHex64(std::string_view text);

// The pieces between the separators, empty ones included; a text without one is one piece.
std::vector<std::string_view> splitAt(std::string_view text, char separator);

// Calls `visit` with each trimmed line of a key=value text, split at line feeds, skipping blank
// lines and comments (';' or '#').
template <typename Visit> void forEachContentLine(std::string_view text, Visit visit) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string line = trim(text.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line.front() != ';' && line.front() != '#') {
            visit(line);
        }
    }
}

} // namespace qxlauncher
