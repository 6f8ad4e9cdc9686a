#include "backend/files/text_fields.h"

namespace qxlauncher {

namespace {

// The C locale's whitespace, which strtol skips; read here without any locale.
bool isCWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

bool tryParseInt(std::string_view text, std::int32_t& value) {
    std::size_t at = 0;
    while (at < text.size() && isCWhitespace(text[at])) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    if (at == text.size()) {
        return false;
    }
    // One past the largest magnitude keeps INT32_MIN readable.
    constexpr std::int64_t limit = std::int64_t{INT32_MAX} + 1;
    std::int64_t magnitude = 0;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c < '0' || c > '9') {
            return false;
        }
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) {
            return false;
        }
    }
    const std::int64_t result = negative ? -magnitude : magnitude;
    if (result > INT32_MAX) {
        return false;
    }
    value = static_cast<std::int32_t>(result);
    return true;
}

std::string trim(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

} // namespace qxlauncher
