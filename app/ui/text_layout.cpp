#include "app/ui/text_layout.h"

#include "platform/text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cwctype>
#include <utility>

namespace lumenark {
namespace {

constexpr std::wstring_view ellipsis = L"...";

bool fits(const Canvas& canvas, std::wstring_view text, float size, float maxWidth) {
    return canvas.measureText(text, size, 0.0f) <= maxWidth;
}

bool isHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(wchar_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

std::vector<std::wstring_view> splitWords(std::wstring_view paragraph) {
    std::vector<std::wstring_view> words;
    std::size_t at = 0;
    while (at < paragraph.size()) {
        while (at < paragraph.size() && std::iswspace(paragraph[at]) != 0) {
            ++at;
        }
        const std::size_t start = at;
        while (at < paragraph.size() && std::iswspace(paragraph[at]) == 0) {
            ++at;
        }
        if (at > start) {
            words.push_back(paragraph.substr(start, at - start));
        }
    }
    return words;
}

} // namespace

std::wstring fitText(const Canvas& canvas, std::wstring_view text, float size, float maxWidth,
                     bool keepEnd) {
    if (fits(canvas, text, size, maxWidth)) {
        return std::wstring(text);
    }
    // The text with "..." keeping `kept` of its code units, at its end or, for paths, its start.
    std::wstring candidate;
    const auto shortened = [&](std::size_t kept) -> std::wstring_view {
        candidate.assign(keepEnd ? ellipsis : text.substr(0, kept));
        candidate.append(keepEnd ? text.substr(text.size() - kept) : ellipsis);
        return candidate;
    };
    // The width grows with every code unit kept, so the most that fits is found by halving:
    // the same text as dropping one at a time, with O(log n) measures instead of O(n).
    std::size_t most = 0;
    std::size_t fewestFailing = text.size() + 1;
    while (fewestFailing - most > 1) {
        const std::size_t kept = most + (fewestFailing - most) / 2;
        if (fits(canvas, shortened(kept), size, maxWidth)) {
            most = kept;
        } else {
            fewestFailing = kept;
        }
    }
    // A character beyond the BMP is two units (a surrogate pair): it is kept whole or not at all.
    const std::size_t cut = keepEnd ? text.size() - most : most;
    if (cut > 0 && cut < text.size() && isHighSurrogate(text[cut - 1]) &&
        isLowSurrogate(text[cut])) {
        --most;
    }
    if (most == 0) {
        return std::wstring(ellipsis);
    }
    shortened(most);
    return candidate;
}

std::vector<std::wstring> wrapText(const Canvas& canvas, std::wstring_view paragraph, float size,
                                   float maxWidth) {
    std::vector<std::wstring> lines;
    std::wstring line;
    for (const std::wstring_view word : splitWords(paragraph)) {
        std::wstring candidate =
            line.empty() ? std::wstring(word) : line + L" " + std::wstring(word);
        if (!line.empty() && !fits(canvas, candidate, size, maxWidth)) {
            lines.push_back(std::move(line));
            line = std::wstring(word);
        } else {
            line = std::move(candidate);
        }
    }
    if (!line.empty()) {
        lines.push_back(std::move(line));
    }
    return lines;
}

std::wstring digestKindLabel(std::string_view key) {
    static constexpr std::array<std::pair<std::string_view, std::wstring_view>, 4> labels{{
        {"size", L"Size"},
        {"crc32", L"CRC32"},
        {"sha1", L"SHA-1"},
        {"sha256", L"SHA-256"},
    }};
    for (const auto& [name, label] : labels) {
        if (key == name) {
            return std::wstring(label);
        }
    }
    return platform::wideFromUtf8(key);
}

int buildStepGroup(std::string_view step) {
    if (step == "decoder" || step == "generate") {
        return 2;
    }
    if (step == "accept") {
        return 3;
    }
    if (step == "compile" || step == "seed" || step == "install") {
        return 4;
    }
    return 1; // "verify", "stage" and any other key
}

std::wstring formatElapsed(double seconds) {
    // The seconds come from files a crash or a user can damage: what is not finite or below zero
    // reads 0:00, and the text stops at 99999:59.
    constexpr double longest = 99999.0 * 60 + 59;
    std::int64_t whole = 0;
    if (std::isfinite(seconds) && seconds > 0) {
        whole = static_cast<std::int64_t>(std::min(seconds + 0.5, longest));
    }
    const std::int64_t rest = whole % 60;
    return std::to_wstring(whole / 60) + (rest < 10 ? L":0" : L":") + std::to_wstring(rest);
}

std::wstring controllerBindingName(qxlauncher::PadButtons mask) {
    using namespace qxlauncher;
    static constexpr std::array<std::pair<PadButtons, std::wstring_view>, 12> named{{
        {PadButton::a, L"A"},
        {PadButton::b, L"B"},
        {PadButton::x, L"X"},
        {PadButton::y, L"Y"},
        {PadButton::leftShoulder, L"LB"},
        {PadButton::rightShoulder, L"RB"},
        {PadButton::leftTrigger, L"LT"},
        {PadButton::rightTrigger, L"RT"},
        {PadButton::back, L"BACK"},
        {PadButton::start, L"START"},
        {PadButton::leftThumb, L"L3"},
        {PadButton::rightThumb, L"R3"},
    }};
    std::vector<std::wstring> parts;
    PadButtons rest = mask;
    for (const auto& [bit, name] : named) {
        if ((mask & bit) != 0) {
            parts.emplace_back(name);
            rest &= ~bit;
        }
    }
    for (int bit = 0; bit < 32; ++bit) {
        if ((rest & (PadButtons{1} << bit)) == 0) {
            continue;
        }
        // Bits 18 and up are the HID buttons 11 to 24; the others left are the directions.
        parts.push_back(bit >= PadButton::firstExtraHidBit ? L"BUTTON " + std::to_wstring(bit - 7)
                                                           : std::wstring(L"D-PAD"));
    }
    if (parts.empty()) {
        return L"-";
    }
    std::wstring joined = parts.front();
    for (std::size_t i = 1; i < parts.size(); ++i) {
        joined += L" / " + parts[i];
    }
    return joined;
}

} // namespace lumenark
