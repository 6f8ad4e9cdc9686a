#include "app/rom_manifests.h"

#include "backend/files/file_safety.h"
#include "backend/game_table.h"

#include <algorithm>
#include <array>
#include <utility>

namespace lumenark {

std::vector<std::wstring> manifestDigestKinds(const qxlauncher::JsonValue& manifest) {
    static constexpr std::array<std::pair<const char*, const wchar_t*>, 4> kinds{{
        {"size", L"Size"},
        {"crc32", L"CRC32"},
        {"sha1", L"SHA-1"},
        {"sha256", L"SHA-256"},
    }};
    std::vector<std::wstring> found;
    const qxlauncher::JsonValue* roms = manifest.type == qxlauncher::JsonType::Object
                                            ? manifest.member("roms", qxlauncher::JsonType::Array)
                                            : nullptr;
    if (roms == nullptr || roms->elements.empty()) {
        return found;
    }
    for (const auto& [key, label] : kinds) {
        const bool everyEntry = std::all_of(
            roms->elements.begin(), roms->elements.end(),
            [key](const qxlauncher::JsonValue& entry) { return entry.members.contains(key); });
        if (everyEntry) {
            found.emplace_back(label);
        }
    }
    return found;
}

std::vector<std::wstring> readManifestDigestKinds(const std::filesystem::path& root, int game) {
    const std::filesystem::path path =
        root / qxlauncher::gameTable.at(static_cast<std::size_t>(game)).romManifest;
    const std::optional<std::string> text = qxlauncher::readFileLimited(path, romManifestLimit);
    qxlauncher::JsonValue manifest;
    if (!text || !qxlauncher::parseJsonObjectDocument(*text, manifest)) {
        return {};
    }
    return manifestDigestKinds(manifest);
}

} // namespace lumenark
