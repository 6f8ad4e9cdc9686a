#include "platform/font_atlas.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

namespace platform {
namespace {

// The DC, bitmap and font of the atlas, with the DC's previous objects restored first.
struct AtlasDc {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HFONT font = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    HGDIOBJ previousFont = nullptr;
    ~AtlasDc() {
        if (previousFont != nullptr) {
            SelectObject(dc, previousFont);
        }
        if (previousBitmap != nullptr) {
            SelectObject(dc, previousBitmap);
        }
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
        if (font != nullptr) {
            DeleteObject(font);
        }
        if (dc != nullptr) {
            DeleteDC(dc);
        }
    }
};

} // namespace

FontAtlas buildFontAtlas() {
    AtlasDc gdi;
    gdi.dc = CreateCompatibleDC(nullptr);
    if (gdi.dc == nullptr) {
        throw std::runtime_error("launcher font DC");
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = static_cast<LONG>(fontAtlasSide);
    info.bmiHeader.biHeight = -static_cast<LONG>(fontAtlasSide);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    gdi.bitmap = CreateDIBSection(gdi.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    gdi.font = CreateFontW(-fontAtlasCharacterHeight, 0, 0, 0, 500, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           ANTIALIASED_QUALITY, DEFAULT_PITCH, L"Bahnschrift");
    if (gdi.bitmap == nullptr || gdi.font == nullptr || bits == nullptr) {
        throw std::runtime_error("launcher font atlas");
    }
    gdi.previousBitmap = SelectObject(gdi.dc, gdi.bitmap);
    gdi.previousFont = SelectObject(gdi.dc, gdi.font);
    const std::size_t count = static_cast<std::size_t>(fontAtlasSide) * fontAtlasSide;
    auto* pixels = static_cast<std::uint32_t*>(bits);
    std::fill(pixels, pixels + count, 0u);
    SetTextColor(gdi.dc, RGB(255, 255, 255));
    SetBkMode(gdi.dc, TRANSPARENT);
    FontAtlas atlas;
    for (unsigned code = 32; code < 256; ++code) {
        const wchar_t character = static_cast<wchar_t>(code);
        SIZE extent{};
        GetTextExtentPoint32W(gdi.dc, &character, 1, &extent);
        atlas.glyphAdvance[code] = static_cast<float>(extent.cx);
        TextOutW(gdi.dc, static_cast<int>((code % 16) * fontAtlasCell + 2),
                 static_cast<int>((code / 16) * fontAtlasCell + 2), &character, 1);
    }
    GdiFlush();
    atlas.pixels.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t p = pixels[i];
        const std::uint32_t coverage = std::max({p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF});
        atlas.pixels[i] = (coverage << 24) | 0x00FFFFFFu;
    }
    return atlas;
}

} // namespace platform
