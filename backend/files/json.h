#pragma once
// The launcher's own JSON reader for the setup script's documents, the build receipts and the
// ROM manifests. A document parses or it does not; there are no error texts.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qxlauncher {

enum class JsonType : std::int32_t {
    Null = 0,
    Bool = 1,
    Number = 2,
    String = 3,
    Array = 4,
    Object = 5
};

// One node; only the field that matches the type is filled.
struct JsonValue {
    JsonType type = JsonType::Null;
    bool boolean = false;
    double number = 0.0;
    std::string text; // UTF-8, not checked
    std::vector<JsonValue> elements;
    std::map<std::string, JsonValue> members; // names ordered bytewise, unique

    // The member when it exists and has exactly the wanted type; a non-object has no members.
    const JsonValue* member(const char* name, JsonType wanted) const;
    // The member's number when it is a Number, else 0.
    double numberMember(const char* name) const;
};

// A copy of the member's text when it is a String, else the empty string.
std::string jsonGetString(const JsonValue& node, const char* name);

// The reading state over one text. Containers may nest 32 deep (the top-level value is depth 1).
class JsonParser {
public:
    static constexpr std::uint32_t maximumDepth = 32;

    // The text must outlive the parser.
    explicit JsonParser(std::string_view text) : text_(text) {}

    // One value at the position into a fresh node; the position ends just after it. After a
    // failure the node and the position are of no use.
    bool parseValue(JsonValue& node);
    // Skips whitespace, then one string literal whose decoded bytes are appended to `output`.
    bool parseString(std::string& output);
    // The text at the position starts with exactly `word` (no whitespace is skipped).
    bool matchLiteral(std::string_view word);
    // Skips whitespace and consumes `character` when it comes next.
    bool expect(char character);

    void skipWhitespace();
    std::uint64_t position() const { return position_; }
    bool atEnd() const { return position_ >= text_.size(); }

private:
    bool parseObject(JsonValue& node);
    bool parseArray(JsonValue& node);
    bool parseNumber(JsonValue& node);
    bool parseEscape(std::string& output);

    std::string_view text_;
    std::uint64_t position_ = 0;
    std::uint32_t depth_ = 0;
};

// Whole object document: one value from the start, only whitespace after it, and an object.
bool parseJsonObjectDocument(std::string_view text, JsonValue& node);

// Leading object: one value from the start that is an object; what follows is not examined.
bool parseLeadingJsonObject(std::string_view text, JsonValue& node);

// A small file (below 64 KiB, read while its writer may still hold it) holding a whole object
// document. False for a link, a file that cannot be read, a larger file or a refused document.
bool readJsonObjectFile(const std::filesystem::path& path, JsonValue& node);

} // namespace qxlauncher
