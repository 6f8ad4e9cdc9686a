#pragma once
// Control ids of the launcher window that more than one part of the App names.
#include "backend/preferences/launcher_files.h"

#include <array>

namespace lumenark {

inline constexpr int minimiseControlId = 12;
inline constexpr int closeControlId = 13;

// A binding slot's control: 300 + 50 x player + 25 x kind (0 key, 1 controller) + slot.
constexpr int bindingSlotId(int player, int kind, int slot) {
    return 300 + 50 * player + 25 * kind + slot;
}

inline constexpr int bindingSlotIdCount =
    2 * (qxlauncher::slotsPerPlayer + qxlauncher::slotsPerPlayer - qxlauncher::directionSlots);

// The CONTROLS tab's binding slots in order: per player the key slots 0 to 11, then the
// controller slots 4 to 11 (the controller's directions come from the pad or stick and have no
// control): 300-311, 329-336, 350-361, 379-386.
constexpr std::array<int, bindingSlotIdCount> makeBindingSlotIds() {
    std::array<int, bindingSlotIdCount> ids{};
    std::size_t next = 0;
    for (int player = 0; player < 2; ++player) {
        for (int slot = 0; slot < qxlauncher::slotsPerPlayer; ++slot) {
            ids[next++] = bindingSlotId(player, 0, slot);
        }
        for (int slot = qxlauncher::directionSlots; slot < qxlauncher::slotsPerPlayer; ++slot) {
            ids[next++] = bindingSlotId(player, 1, slot);
        }
    }
    return ids;
}

inline constexpr std::array<int, bindingSlotIdCount> bindingSlotIdList = makeBindingSlotIds();

constexpr const std::array<int, bindingSlotIdCount>& bindingSlotIds() {
    return bindingSlotIdList;
}

} // namespace lumenark
