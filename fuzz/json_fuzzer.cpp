// Feeds arbitrary bytes to the JSON reader under both document rules and walks the tree it
// builds. The reader must never crash, hang or read past its input.
#include "backend/files/json.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

std::size_t walk(const qxlauncher::JsonValue& node) {
    std::size_t count = 1 + node.text.size();
    for (const qxlauncher::JsonValue& element : node.elements) {
        count += walk(element);
    }
    for (const auto& [name, member] : node.members) {
        count += name.size() + walk(member);
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    qxlauncher::JsonValue whole;
    if (qxlauncher::parseJsonObjectDocument(text, whole)) {
        (void)walk(whole);
        (void)qxlauncher::jsonGetString(whole, "state");
        (void)whole.numberMember("done");
    }
    qxlauncher::JsonValue leading;
    if (qxlauncher::parseLeadingJsonObject(text, leading)) {
        (void)walk(leading);
    }
    qxlauncher::JsonParser parser(text);
    qxlauncher::JsonValue any;
    (void)parser.parseValue(any);
    return 0;
}
