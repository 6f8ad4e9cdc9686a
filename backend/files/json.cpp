#include "backend/files/json.h"
#include "backend/files/file_safety.h"
#include "platform/shared_read.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace qxlauncher {

namespace {

constexpr std::size_t jsonFileBuffer = 65536;

bool isJsonWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNumberByte(char c) {
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Each UTF-16 code unit on its own: surrogate halves are not paired.
void appendCodeUnit(std::string& output, unsigned unit) {
    if (unit < 0x80) {
        output.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
        output.push_back(static_cast<char>(0xC0 | (unit >> 6)));
        output.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
        output.push_back(static_cast<char>(0xE0 | (unit >> 12)));
        output.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
        output.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
}

// strtod's decimal form without a locale: from_chars reads the same digits but takes no plus.
bool convertNumber(std::string_view run, double& value) {
    const char* begin = run.data();
    const char* end = run.data() + run.size();
    if (begin != end && *begin == '+') {
        ++begin;
        if (begin == end || *begin == '+' || *begin == '-') {
            return false;
        }
    }
    const std::from_chars_result result =
        std::from_chars(begin, end, value, std::chars_format::general);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

// Puts the depth back on every way out of a value.
class DepthGuard {
public:
    explicit DepthGuard(std::uint32_t& depth) : depth_(depth), saved_(depth) { ++depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    ~DepthGuard() { depth_ = saved_; }

private:
    std::uint32_t& depth_;
    std::uint32_t saved_;
};

bool parseTopLevelObject(std::string_view text, JsonValue& node, bool wholeDocument) {
    JsonParser parser(text);
    if (!parser.parseValue(node) || node.type != JsonType::Object) {
        return false;
    }
    if (wholeDocument) {
        parser.skipWhitespace();
        return parser.atEnd();
    }
    return true;
}

} // namespace

const JsonValue* JsonValue::member(const char* name, JsonType wanted) const {
    if (type != JsonType::Object) {
        return nullptr;
    }
    const auto found = members.find(name);
    if (found == members.end() || found->second.type != wanted) {
        return nullptr;
    }
    return &found->second;
}

double JsonValue::numberMember(const char* name) const {
    const JsonValue* value = member(name, JsonType::Number);
    return value != nullptr ? value->number : 0.0;
}

std::string jsonGetString(const JsonValue& node, const char* name) {
    const JsonValue* value = node.member(name, JsonType::String);
    return value != nullptr ? value->text : std::string();
}

void JsonParser::skipWhitespace() {
    while (!atEnd() && isJsonWhitespace(text_[position_])) {
        ++position_;
    }
}

bool JsonParser::matchLiteral(std::string_view word) {
    if (text_.substr(position_, word.size()) != word) {
        return false;
    }
    position_ += word.size();
    return true;
}

bool JsonParser::expect(char character) {
    skipWhitespace();
    if (atEnd() || text_[position_] != character) {
        return false;
    }
    ++position_;
    return true;
}

bool JsonParser::parseValue(JsonValue& node) {
    DepthGuard depth(depth_);
    if (depth_ > maximumDepth) {
        return false;
    }
    skipWhitespace();
    if (atEnd()) {
        return false;
    }
    switch (text_[position_]) {
    case '{':
        return parseObject(node);
    case '[':
        return parseArray(node);
    case '"':
        node.type = JsonType::String;
        return parseString(node.text);
    default:
        break;
    }
    if (matchLiteral("true")) {
        node.type = JsonType::Bool;
        node.boolean = true;
        return true;
    }
    if (matchLiteral("false")) {
        node.type = JsonType::Bool;
        node.boolean = false;
        return true;
    }
    if (matchLiteral("null")) {
        node.type = JsonType::Null;
        return true;
    }
    return parseNumber(node);
}

bool JsonParser::parseObject(JsonValue& node) {
    node.type = JsonType::Object;
    ++position_;
    if (expect('}')) {
        return true;
    }
    for (;;) {
        std::string name;
        if (!parseString(name) || !expect(':')) {
            return false;
        }
        JsonValue value;
        if (!parseValue(value)) {
            return false;
        }
        if (!node.members.try_emplace(std::move(name), std::move(value)).second) {
            return false;
        }
        if (expect('}')) {
            return true;
        }
        if (!expect(',')) {
            return false;
        }
    }
}

bool JsonParser::parseArray(JsonValue& node) {
    node.type = JsonType::Array;
    ++position_;
    if (expect(']')) {
        return true;
    }
    for (;;) {
        JsonValue& element = node.elements.emplace_back();
        if (!parseValue(element)) {
            return false;
        }
        if (expect(']')) {
            return true;
        }
        if (!expect(',')) {
            return false;
        }
    }
}

bool JsonParser::parseNumber(JsonValue& node) {
    const std::uint64_t start = position_;
    while (!atEnd() && isNumberByte(text_[position_])) {
        ++position_;
    }
    if (position_ == start) {
        return false;
    }
    double value = 0.0;
    if (!convertNumber(text_.substr(start, position_ - start), value)) {
        return false;
    }
    node.type = JsonType::Number;
    node.number = value;
    return true;
}

bool JsonParser::parseString(std::string& output) {
    if (!expect('"')) {
        return false;
    }
    while (!atEnd()) {
        const char c = text_[position_++];
        if (c == '"') {
            return true;
        }
        if (static_cast<unsigned char>(c) < 0x20) {
            return false;
        }
        if (c == '\\') {
            if (!parseEscape(output)) {
                return false;
            }
        } else {
            output.push_back(c);
        }
    }
    return false;
}

bool JsonParser::parseEscape(std::string& output) {
    if (atEnd()) {
        return false;
    }
    const char c = text_[position_++];
    switch (c) {
    case '"':
    case '\\':
    case '/':
        output.push_back(c);
        return true;
    case 'b':
        output.push_back('\b');
        return true;
    case 'f':
        output.push_back('\f');
        return true;
    case 'n':
        output.push_back('\n');
        return true;
    case 'r':
        output.push_back('\r');
        return true;
    case 't':
        output.push_back('\t');
        return true;
    case 'u':
        break;
    default:
        return false;
    }
    if (text_.size() - position_ < 4) {
        return false;
    }
    unsigned unit = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = hexDigitValue(text_[position_++]);
        if (digit < 0) {
            return false;
        }
        unit = unit * 16 + static_cast<unsigned>(digit);
    }
    appendCodeUnit(output, unit);
    return true;
}

bool parseJsonObjectDocument(std::string_view text, JsonValue& node) {
    return parseTopLevelObject(text, node, true);
}

bool parseLeadingJsonObject(std::string_view text, JsonValue& node) {
    return parseTopLevelObject(text, node, false);
}

bool readJsonObjectFile(const std::filesystem::path& path, JsonValue& node) {
    if (hasReparsePoint(path)) {
        return false;
    }
    // The setup script may be writing the file now; a torn read just fails to parse.
    const std::optional<std::string> text = platform::readOnceShared(path, jsonFileBuffer);
    if (!text || text->size() >= jsonFileBuffer) {
        return false;
    }
    return parseJsonObjectDocument(*text, node);
}

} // namespace qxlauncher
