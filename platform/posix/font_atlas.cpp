#include "platform/font_atlas.h"
#include "platform/posix/font_files.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <stdexcept>

namespace platform {
namespace posix {
namespace {

struct Library {
    FT_Library handle = nullptr;
    ~Library() {
        if (handle != nullptr) {
            FT_Done_FreeType(handle);
        }
    }
};

struct Face {
    FT_Face handle = nullptr;
    ~Face() {
        if (handle != nullptr) {
            FT_Done_Face(handle);
        }
    }
};

// Coverage is combined with max, as GDI's white text over the black bitmap would leave it.
void blitGlyph(const FT_Bitmap& bitmap, int left, int top, std::vector<std::uint8_t>& coverage) {
    const int side = static_cast<int>(fontAtlasSide);
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const int y = top + static_cast<int>(row);
        if (y < 0 || y >= side) {
            continue;
        }
        const unsigned char* source = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
        for (unsigned column = 0; column < bitmap.width; ++column) {
            const int x = left + static_cast<int>(column);
            if (x < 0 || x >= side) {
                continue;
            }
            std::uint8_t& target = coverage[static_cast<std::size_t>(y) * side + x];
            target = std::max(target, static_cast<std::uint8_t>(source[column]));
        }
    }
}

} // namespace

std::vector<std::filesystem::path> defaultFontFiles() {
    return {"/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf",
            "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"};
}

FontAtlas buildFontAtlasFrom(const std::vector<std::filesystem::path>& faces) {
    Library library;
    if (FT_Init_FreeType(&library.handle) != 0) {
        throw std::runtime_error("launcher font DC");
    }
    Face face;
    for (const std::filesystem::path& file : faces) {
        if (FT_New_Face(library.handle, file.c_str(), 0, &face.handle) == 0) {
            break;
        }
        face.handle = nullptr;
    }
    if (face.handle == nullptr ||
        FT_Set_Pixel_Sizes(face.handle, 0, fontAtlasCharacterHeight) != 0) {
        throw std::runtime_error("launcher font atlas");
    }
    // GDI places the top of the character cell at the text position: the baseline is one
    // ascent below it.
    const int ascent = static_cast<int>((face.handle->size->metrics.ascender + 63) >> 6);
    FontAtlas atlas;
    std::vector<std::uint8_t> coverage(static_cast<std::size_t>(fontAtlasSide) * fontAtlasSide, 0);
    for (unsigned code = 32; code < 256; ++code) {
        const FT_UInt glyph = FT_Get_Char_Index(face.handle, code);
        if (FT_Load_Glyph(face.handle, glyph, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) {
            continue;
        }
        const FT_GlyphSlot slot = face.handle->glyph;
        atlas.glyphAdvance[code] = static_cast<float>((slot->advance.x + 32) >> 6);
        const int originX = static_cast<int>((code % 16) * fontAtlasCell + 2);
        const int originY = static_cast<int>((code / 16) * fontAtlasCell + 2);
        blitGlyph(slot->bitmap, originX + slot->bitmap_left, originY + ascent - slot->bitmap_top,
                  coverage);
    }
    atlas.pixels.resize(coverage.size());
    for (std::size_t i = 0; i < coverage.size(); ++i) {
        atlas.pixels[i] = (static_cast<std::uint32_t>(coverage[i]) << 24) | 0x00FFFFFFu;
    }
    return atlas;
}

} // namespace posix

FontAtlas buildFontAtlas() {
    return posix::buildFontAtlasFrom(posix::defaultFontFiles());
}

} // namespace platform
