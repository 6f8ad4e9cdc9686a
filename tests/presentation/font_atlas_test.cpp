// The UI font atlas: cell layout, white pixels with coverage as alpha, advances.
#include "platform/font_atlas.h"

#include "tests/support/error_text.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include "platform/posix/font_files.h"
#endif

namespace platform {
namespace {

class FontAtlasTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { atlas_ = new FontAtlas(buildFontAtlas()); }
    static void TearDownTestSuite() {
        delete atlas_;
        atlas_ = nullptr;
    }

    // Summed coverage inside one cell.
    static std::uint64_t ink(unsigned code) {
        std::uint64_t sum = 0;
        const unsigned left = (code % 16) * fontAtlasCell;
        const unsigned top = (code / 16) * fontAtlasCell;
        for (unsigned y = top; y < top + fontAtlasCell; ++y) {
            for (unsigned x = left; x < left + fontAtlasCell; ++x) {
                sum += atlas_->pixels[y * fontAtlasSide + x] >> 24;
            }
        }
        return sum;
    }

    static FontAtlas* atlas_;
};

FontAtlas* FontAtlasTest::atlas_ = nullptr;

TEST_F(FontAtlasTest, IsWhiteWithCoverageAsAlpha) {
    ASSERT_EQ(atlas_->pixels.size(), static_cast<std::size_t>(fontAtlasSide) * fontAtlasSide);
    std::uint32_t strongest = 0;
    for (const std::uint32_t pixel : atlas_->pixels) {
        ASSERT_EQ(pixel & 0x00FFFFFFu, 0x00FFFFFFu);
        strongest = std::max(strongest, pixel >> 24);
    }
    EXPECT_GE(strongest, 250u);
}

TEST_F(FontAtlasTest, ControlCodesHaveNoCellsAndNoAdvance) {
    for (unsigned code = 0; code < 32; ++code) {
        EXPECT_EQ(atlas_->glyphAdvance[code], 0.0f) << code;
        EXPECT_EQ(ink(code), 0u) << code;
    }
}

TEST_F(FontAtlasTest, PrintableCharactersHaveInkAndAdvances) {
    for (const unsigned code :
         {unsigned('A'), unsigned('g'), unsigned('0'), unsigned('?'), 0xE9u}) {
        EXPECT_GT(ink(code), 1000u) << code;
        EXPECT_GT(atlas_->glyphAdvance[code], 10.0f) << code;
        EXPECT_LT(atlas_->glyphAdvance[code], 60.0f) << code;
    }
    EXPECT_EQ(ink(' '), 0u);
    EXPECT_GT(atlas_->glyphAdvance[' '], 5.0f);
    EXPECT_GT(atlas_->glyphAdvance['W'], atlas_->glyphAdvance['i']);
}

TEST_F(FontAtlasTest, GlyphsStartTwoPixelsIntoTheirCell) {
    // 'H' (72) has upright stems: no ink on the cell's first two columns and rows.
    const unsigned left = (72 % 16) * fontAtlasCell;
    const unsigned top = (72 / 16) * fontAtlasCell;
    for (unsigned i = 0; i < fontAtlasCell; ++i) {
        for (unsigned j = 0; j < 2; ++j) {
            EXPECT_EQ(atlas_->pixels[(top + i) * fontAtlasSide + left + j] >> 24, 0u);
            EXPECT_EQ(atlas_->pixels[(top + j) * fontAtlasSide + left + i] >> 24, 0u);
        }
    }
}

#ifndef _WIN32
TEST(FontFilesTest, FallsBackToTheNextFaceAndFailsWithoutAny) {
    const std::vector<std::filesystem::path> files = posix::defaultFontFiles();
    ASSERT_EQ(files.size(), 2u);
    const FontAtlas fallback = posix::buildFontAtlasFrom({"/nonexistent/font.ttf", files[1]});
    EXPECT_GT(fallback.glyphAdvance['A'], 10.0f);
    EXPECT_EQ(testsupport::errorText([] { posix::buildFontAtlasFrom({"/nonexistent/font.ttf"}); }),
              "launcher font atlas");
}
#endif

} // namespace
} // namespace platform
