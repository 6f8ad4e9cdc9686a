#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace qxlauncher {

inline constexpr int gameCount = 3;

struct GameInfo {
    std::wstring_view marqueeTitle;
    std::wstring_view title;
    std::wstring_view revision;
    std::wstring_view board;
    std::wstring_view id;
    std::wstring_view romManifest; // relative to the project root
    std::wstring_view boardCaption;
};

inline constexpr std::array<GameInfo, gameCount> gameTable{{
    {L"QUARRIX", L"Quarrix", L"5.0", L"Q-Unit (ADPCM sound)", L"qx1", L"tools/qx1/roms-l1.json",
     L"Q-UNIT  /  REV 5.0"},
    {L"QUARRIX II", L"Quarrix II", L"L3.1", L"Q-Unit", L"qx2", L"tools/qx2/roms-l31.json",
     L"Q-UNIT  /  REV L3.1"},
    {L"QUARRIX 3", L"Quarrix 3", L"2.1", L"R-Unit", L"qx3", L"tools/qx3/roms-21.json",
     L"R-UNIT  /  REV 2.1"},
}};

inline constexpr bool isGameKind(int game) {
    return game >= 0 && game < gameCount;
}

// The game id of the game table, one byte per UTF-16 unit.
inline std::string gameIdNarrow(int game) {
    std::string id;
    for (const wchar_t unit : gameTable.at(static_cast<std::size_t>(game)).id) {
        id.push_back(static_cast<char>(unit));
    }
    return id;
}

} // namespace qxlauncher
