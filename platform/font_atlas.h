#pragma once
// The UI font rasterised once into a 1024 x 1024 atlas of 16 x 16 cells of 64 pixels: the cell
// of code c (32 to 255) is column c % 16, row c / 16, the glyph's origin 2 pixels right of and
// below the cell's corner, at a character height of 46 pixels. Every pixel is white with the
// glyph's coverage as alpha.
#include <array>
#include <cstdint>
#include <vector>

namespace platform {

inline constexpr std::uint32_t fontAtlasSide = 1024;
inline constexpr std::uint32_t fontAtlasCell = 64;
inline constexpr int fontAtlasCharacterHeight = 46;

struct FontAtlas {
    std::vector<std::uint32_t> pixels;     // fontAtlasSide * fontAtlasSide, 0xAARRGGBB
    std::array<float, 256> glyphAdvance{}; // atlas pixels; 0 for codes below 32
};

// "Bahnschrift" through GDI on Windows; DejaVu Sans Condensed through FreeType on Linux.
// Throws "launcher font DC" or "launcher font atlas".
FontAtlas buildFontAtlas();

} // namespace platform
