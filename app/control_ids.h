#pragma once
// Control ids of the launcher window that more than one part of the App names.
#include "app/navigation.h"
#include "backend/preferences/launcher_files.h"

#include <array>

namespace lumenark {

// The Play page: the three cabinets and PLAY.
constexpr int cabinetControlId(int game) {
    return 1 + game;
}
inline constexpr int playControlId = 20;

// The sidebar's entries.
inline constexpr int playNavigationId = 10;
inline constexpr int settingsNavigationId = 11;
inline constexpr int overviewNavigationId = 40;
inline constexpr int romSetupNavigationId = 41;
inline constexpr int buildNavigationId = 42;
inline constexpr int legalNavigationId = 43; // also the ROM Setup page's "Open Legal"

// The sidebar's order, and the order of section cycling.
inline constexpr std::array<int, 6> navigationOrder{overviewNavigationId, romSetupNavigationId,
                                                    buildNavigationId,    playNavigationId,
                                                    settingsNavigationId, legalNavigationId};

// The selected game's log folder (the Play page's 'L').
inline constexpr int gameLogFolderControlId = 21;

// The sidebar entry of a section.
constexpr int sectionNavigationId(NavSection section) {
    switch (section) {
    case NavSection::overview:
        return overviewNavigationId;
    case NavSection::romSetup:
        return romSetupNavigationId;
    case NavSection::build:
        return buildNavigationId;
    case NavSection::play:
        return playNavigationId;
    case NavSection::legal:
        return legalNavigationId;
    }
    return overviewNavigationId;
}

inline constexpr int minimiseControlId = 12;
inline constexpr int closeControlId = 13;

// The page controls; the families take the game kind g (0 to 2).
inline constexpr int oneFolderControlId = 30;
constexpr int folderFieldControlId(int game) {
    return 50 + game;
}
constexpr int verifyControlId(int game) {
    return 60 + game;
}
constexpr int buildControlId(int game) {
    return 70 + game;
}
inline constexpr int buildAllControlId = 73;
constexpr int cancelControlId(int game) {
    return 80 + game;
}
constexpr int openLogControlId(int game) {
    return 90 + game;
}
constexpr int openFolderControlId(int game) {
    return 95 + game;
}
constexpr int copyReportControlId(int game) {
    return 100 + game;
}
constexpr int playGameControlId(int game) {
    return 110 + game;
}
inline constexpr int ownershipControlId = 120;
// 121, 122, 123: "DISCLAIMER.md", "THIRD_PARTY_NOTICES.md", "LICENSE".
constexpr int documentControlId(int document) {
    return 121 + document;
}
inline constexpr int checkRequirementsControlId = 124;
constexpr int gameRowControlId(int game) {
    return 130 + game;
}

// Settings' buttons.
inline constexpr int settingsSaveControlId = 210;
inline constexpr int restoreDefaultsControlId = 211;
inline constexpr int settingsBackControlId = 212;

// A binding slot's control: 300 + 50 x player + 25 x kind (0 key, 1 controller) + slot.
constexpr int bindingSlotId(int player, int kind, int slot) {
    return 300 + 50 * player + 25 * kind + slot;
}

// The binding a slot control stands for: player 0 or 1, kind 0 (key) or 1 (controller), slot 0
// to 11.
struct BindingSlot {
    int player = 0;
    int kind = 0;
    int slot = 0;

    // The slot's place in the bindings' key codes and pad masks.
    std::size_t bindingIndex() const {
        return static_cast<std::size_t>(player * qxlauncher::slotsPerPlayer + slot);
    }
};

constexpr BindingSlot bindingSlotOf(int id) {
    const int offset = id - bindingSlotId(0, 0, 0);
    return {offset / 50, offset % 50 / 25, offset % 25};
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
