#include "backend/launch/game_environment.h"
#include "backend/game_table.h"
#include "platform/environment_block.h"
#include "platform/text.h"

#include <stdexcept>
#include <system_error>

namespace qxlauncher {

namespace {

// The UTF-16 code units of a wide text, so the order is the same where wchar_t holds UTF-32.
std::u16string utf16Units(std::wstring_view text) {
    std::u16string units;
    units.reserve(text.size());
    for (const wchar_t c : text) {
        const auto point = static_cast<std::uint32_t>(c);
        if (point > 0xFFFF) {
            units.push_back(static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(point));
        }
    }
    return units;
}

char16_t foldLower(char16_t unit) {
    return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + (u'a' - u'A')) : unit;
}

bool startsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() &&
           compareIgnoringCase(text.substr(0, prefix.size()), prefix) == 0;
}

std::wstring switchText(bool on) {
    return on ? L"1" : L"0";
}

std::wstring numberText(std::int32_t value) {
    return std::to_wstring(value);
}

std::wstring widened(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

EnvironmentMap inheritedVariables(const std::vector<std::wstring>& strings) {
    EnvironmentMap map;
    for (const std::wstring& entry : strings) {
        // Per-drive folder entries ("=C:=C:\") keep their leading "=" in the name.
        const std::size_t equals = entry.find(L'=', entry.starts_with(L'=') ? 1 : 0);
        if (equals == std::wstring::npos) {
            continue;
        }
        if (startsWithIgnoringCase(entry, L"QX1_") ||
            startsWithIgnoringCase(entry, L"QX2_WIDESCREEN=") ||
            startsWithIgnoringCase(entry, L"QX3_WIDESCREEN=")) {
            continue;
        }
        // The first spelling of a name stays the key; a later one replaces the value.
        map[entry.substr(0, equals)] = entry.substr(equals + 1);
    }
    return map;
}

std::wstring filterVariable(const VideoSettings& video, bool extendedVideo) {
    if (extendedVideo) {
        return std::wstring(filterNames.at(static_cast<std::size_t>(video.filter)));
    }
    if (video.scanlines > 3 || video.filter != 1) {
        return L"nearest";
    }
    return video.scalefx && video.scalefxamount != 0 ? L"nearest" : L"linear";
}

std::wstring scaleFxVariable(const VideoSettings& video, bool extendedVideo) {
    if (!video.scalefx || (!extendedVideo && video.scanlines == 9)) {
        return L"0";
    }
    return numberText(video.scalefxamount);
}

std::wstring automaticOr(std::int32_t value) {
    return value == 0 ? L"auto" : numberText(value);
}

void setSettingsVariables(EnvironmentMap& map, const Config& config, const VideoSettings& video,
                          const std::filesystem::path& musicFolder, bool extendedVideo,
                          bool graphicsValidation, const std::filesystem::path& bezelImage,
                          const ControlBindings& bindings,
                          const std::optional<std::wstring>& widescreenVariable) {
    static constexpr std::array<std::wstring_view, 3> syncNames{L"vsync", L"vrr", L"immediate"};
    static constexpr std::array<std::wstring_view, 3> colorNames{L"original", L"vivid", L"warm"};
    const CrtPresetRow& crt = CrtPreset.at(static_cast<std::size_t>(video.scanlines));
    map[L"QX1_SCANLINES"] = crt.strength;
    map[L"QX1_CRT_PRESET"] = crt.preset;
    map[L"QX1_FILTER"] = filterVariable(video, extendedVideo);
    map[L"QX1_SCALEFX"] = scaleFxVariable(video, extendedVideo);
    if (extendedVideo) {
        map[L"QX1_SCALE_MODE"] = numberText(video.scalemode);
        map[L"QX1_CAS"] = numberText(video.cas);
        map[L"QX1_BILATERAL"] = numberText(video.bilateral);
        map[L"QX1_SMAA"] = switchText(video.smaa);
    }
    map[L"QX1_GAME_VOLUME"] = numberText(config.GameVolume);
    map[L"QX1_SYNC"] = syncNames.at(static_cast<std::size_t>(video.sync));
    map[L"QX1_COLOR"] = colorNames.at(static_cast<std::size_t>(video.color));
    map[L"QX1_BRIGHTNESS"] = numberText(video.brightness);
    map[L"QX1_BEZEL"] = switchText(video.bezel);
    map[L"QX1_HIGH_REFRESH"] = switchText(video.highrefresh);
    map[L"QX1_FULLSCREEN"] = switchText(video.fullscreen);
    map[L"QX1_HDR"] = video.hdr != 0 ? L"auto" : L"off";
    map[L"QX1_HDR_PAPER_WHITE"] = automaticOr(video.hdrpaperwhite);
    map[L"QX1_HDR_PEAK"] = automaticOr(video.hdrpeak);
    map[L"QX1_HDR_HIGHLIGHTS"] = numberText(video.hdrhighlights);
    if (!bezelImage.empty()) {
        map[L"QX1_BEZEL_IMAGE"] = platform::wideFromPath(bezelImage);
    }
    map[L"QX1_CONTROLS"] = widened(formatControls(bindings));
    map[L"QX1_AUDIO_LATENCY"] = config.AudioLatency == 2 ? L"safe" : L"balanced";
    map[L"QX1_MUSIC_MODE"] = config.Remastered ? L"remastered" : L"original";
    map[L"QX1_GRAPHICS_VALIDATE"] = switchText(graphicsValidation);
    if (config.Remastered) {
        map[L"QX1_MUSIC_DIRECTORY"] = platform::wideFromPath(musicFolder);
    }
    if (widescreenVariable) {
        map[*widescreenVariable] = L"1";
    }
}

} // namespace

int compareIgnoringCase(std::wstring_view left, std::wstring_view right) {
    const std::u16string a = utf16Units(left);
    const std::u16string b = utf16Units(right);
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t x = foldLower(a[i]);
        const char16_t y = foldLower(b[i]);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

std::wstring buildGameEnvironment(const std::optional<std::vector<std::wstring>>& inherited,
                                  const Config& config, const VideoSettings& video,
                                  const std::filesystem::path& musicFolder, bool extendedVideo,
                                  bool graphicsValidation, const std::filesystem::path& bezelImage,
                                  const ControlBindings& bindings,
                                  const std::optional<std::wstring>& widescreenVariable) {
    if (!inherited) {
        throw std::runtime_error("native process environment");
    }
    EnvironmentMap map = inheritedVariables(*inherited);
    setSettingsVariables(map, config, video, musicFolder, extendedVideo, graphicsValidation,
                         bezelImage, bindings, widescreenVariable);
    std::wstring block;
    for (const auto& [name, value] : map) {
        block += name;
        block += L'=';
        block += value;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

std::wstring buildGameEnvironment(const Config& config, const VideoSettings& video,
                                  const std::filesystem::path& musicFolder, bool extendedVideo,
                                  bool graphicsValidation, const std::filesystem::path& bezelImage,
                                  const ControlBindings& bindings,
                                  const std::optional<std::wstring>& widescreenVariable) {
    return buildGameEnvironment(platform::environmentStrings(), config, video, musicFolder,
                                extendedVideo, graphicsValidation, bezelImage, bindings,
                                widescreenVariable);
}

std::filesystem::path customBezelPath(const std::filesystem::path& root, int game) {
    const std::filesystem::path bezel =
        root / "custom_bezel" /
        platform::pathFromWide(gameTable.at(static_cast<std::size_t>(game)).id) / "bezel.png";
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::status(bezel, error)) && !error
               ? bezel
               : std::filesystem::path();
}

} // namespace qxlauncher
