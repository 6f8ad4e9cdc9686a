#pragma once
// The environment of a game process: the launcher's own variables without those it sets, then
// the user's video, audio and control preferences as "QX1_" variables, plus at most one
// widescreen switch. Also the preset tables that the session-script arguments share.
#include "backend/preferences/config.h"
#include "backend/preferences/control_bindings.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qxlauncher {

struct CrtPresetRow {
    std::wstring_view strength;
    std::wstring_view preset;
};

// By the scan-lines value 0..9 of a video block.
inline constexpr std::array<CrtPresetRow, 10> CrtPreset{{
    {L"0", L"off"},
    {L"0.25", L"off"},
    {L"0.5", L"off"},
    {L"0.75", L"off"},
    {L"0", L"bvm-1080"},
    {L"0", L"bvm-4k"},
    {L"0", L"bvm-soft"},
    {L"0", L"energy"},
    {L"0", L"pvm"},
    {L"0", L"phosphor"},
}};

inline constexpr std::array<std::wstring_view, 4> filterNames{L"nearest", L"linear",
                                                              L"sharp-bilinear", L"bicubic"};

// Compares as the system's case-blind comparison does: letters A to Z folded to lower case
// first, then by code unit. Negative, zero or positive.
int compareIgnoringCase(std::wstring_view left, std::wstring_view right);

struct CaseInsensitiveLess {
    bool operator()(const std::wstring& left, const std::wstring& right) const {
        return compareIgnoringCase(left, right) < 0;
    }
};

using EnvironmentMap = std::map<std::wstring, std::wstring, CaseInsensitiveLess>;

// The block from the inherited "NAME=value" strings (none: "native process environment"):
// entries "NAME=value" each ended by a NUL, in map order, and one more NUL.
std::wstring buildGameEnvironment(const std::optional<std::vector<std::wstring>>& inherited,
                                  const Config& config, const VideoSettings& video,
                                  const std::filesystem::path& musicFolder, bool extendedVideo,
                                  bool graphicsValidation, const std::filesystem::path& bezelImage,
                                  const ControlBindings& bindings,
                                  const std::optional<std::wstring>& widescreenVariable);

// The same with the launcher's own environment.
std::wstring buildGameEnvironment(const Config& config, const VideoSettings& video,
                                  const std::filesystem::path& musicFolder, bool extendedVideo,
                                  bool graphicsValidation, const std::filesystem::path& bezelImage,
                                  const ControlBindings& bindings,
                                  const std::optional<std::wstring>& widescreenVariable);

// root/custom_bezel/<game id>/bezel.png when that is a regular file, else empty.
std::filesystem::path customBezelPath(const std::filesystem::path& root, int game);

} // namespace qxlauncher
