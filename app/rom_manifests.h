#pragma once
// The digest kinds a game's ROM manifest gives for every file, shown on the ROM Setup page.
#include "backend/files/json.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace lumenark {

inline constexpr std::uintmax_t romManifestLimit = 4194304;

// "Size", "CRC32", "SHA-1", "SHA-256" in this order, each when every entry of the non-empty
// "roms" array has the member; nothing for any other document.
std::vector<std::wstring> manifestDigestKinds(const qxlauncher::JsonValue& manifest);

// The kinds of the game's manifest under the root; nothing for a missing, oversized, linked or
// unparsable manifest.
std::vector<std::wstring> readManifestDigestKinds(const std::filesystem::path& root, int game);

} // namespace lumenark
