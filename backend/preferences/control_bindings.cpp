#include "backend/preferences/control_bindings.h"

#include "backend/files/text_fields.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace qxlauncher {

namespace {

constexpr std::size_t maximumControlField = 8;

std::string hex(std::uint32_t value) {
    constexpr char digits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return text;
}

std::optional<std::uint32_t> readHexField(std::string_view field) {
    if (field.empty() || field.size() > maximumControlField) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : field) {
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<std::uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        } else {
            return std::nullopt;
        }
        value = value * 16 + digit;
    }
    return value;
}

} // namespace

std::string formatControls(const ControlBindings& bindings) {
    std::string text;
    for (const std::uint8_t key : bindings.keyCodes) {
        text.append(hex(key)).push_back(',');
    }
    for (const PadButtons mask : bindings.padMasks) {
        text.append(hex(mask)).push_back(',');
    }
    text.append(std::to_string(static_cast<std::int32_t>(bindings.socd))).push_back(',');
    text.append(std::to_string(static_cast<std::int32_t>(bindings.runAhead))).push_back(',');
    text.append(std::to_string(static_cast<std::int32_t>(bindings.trainingMode)));
    return text;
}

bool parseControls(std::string_view text, ControlBindings& bindings) {
    const auto commas = std::count(text.begin(), text.end(), ',');
    if (commas < 2 * bindingSlotCount || commas > 2 * bindingSlotCount + 2) {
        return false;
    }
    std::vector<std::uint32_t> values;
    for (const std::string_view field : splitAt(text, ',')) {
        const std::optional<std::uint32_t> value = readHexField(field);
        if (!value) {
            return false;
        }
        values.push_back(*value);
    }
    ControlBindings read = bindings;
    for (int slot = 0; slot < bindingSlotCount; ++slot) {
        const std::uint32_t key = values[static_cast<std::size_t>(slot)];
        if (key > 0xFF) {
            return false;
        }
        read.keyCodes[static_cast<std::size_t>(slot)] = static_cast<std::uint8_t>(key);
        const bool direction = slot % slotsPerPlayer < directionSlots;
        read.padMasks[static_cast<std::size_t>(slot)] =
            direction ? 0 : values[static_cast<std::size_t>(bindingSlotCount + slot)];
    }
    std::array<std::uint32_t*, 3> switches{&read.socd, &read.runAhead, &read.trainingMode};
    for (std::size_t i = 0; i < switches.size(); ++i) {
        const std::size_t at = 2 * bindingSlotCount + i;
        const std::uint32_t value = at < values.size() ? values[at] : 0;
        if (value > 1) {
            return false;
        }
        *switches[i] = value;
    }
    bindings = read;
    return true;
}

} // namespace qxlauncher
