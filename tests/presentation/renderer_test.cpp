// The renderer's arithmetic over a recording device: design mapping, letterbox ornament, the
// packing of draws, lines, text layout, refusals and texture uploads.
#include "presentation/renderer.h"

#include "tests/support/case_names.h"
#include "tests/support/error_text.h"
#include "tests/support/recording_device.h"

#include "platform/font_atlas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace lumenark {
namespace {

using testsupport::DeviceLog;
using testsupport::errorText;
using testsupport::RecordingDevice;

class RendererTest : public ::testing::Test {
protected:
    void SetUp() override { log_ = std::make_shared<DeviceLog>(); }

    Renderer& renderer(int width = 1536, int height = 1024) {
        if (!renderer_) {
            log_->client = {width, height};
            renderer_ = std::make_unique<Renderer>(std::make_unique<RecordingDevice>(log_));
        }
        return *renderer_;
    }

    // One frame with the given drawing; returns what the device executed.
    template <typename Draw> const platform::FrameRecording& frame(Draw&& drawing) {
        renderer().beginFrame();
        drawing(renderer());
        renderer().endFrame(1);
        return log_->frames.back().recording;
    }

    std::shared_ptr<DeviceLog> log_;
    std::unique_ptr<Renderer> renderer_;
};

TEST_F(RendererTest, CreationUploadsWhiteThenFontAtlasAndSizesTheBuffersOnce) {
    renderer(1536, 1024);
    ASSERT_EQ(log_->textures.size(), 2u);
    EXPECT_EQ(log_->textures[0].width, 1u);
    EXPECT_EQ(log_->textures[0].pixels, std::vector<std::uint32_t>{0xFFFFFFFFu});
    EXPECT_EQ(log_->textures[1].width, 1024u);
    EXPECT_EQ(log_->textures[1].height, 1024u);
    ASSERT_EQ(log_->resizes.size(), 1u);
    EXPECT_EQ(log_->resizes[0].width, 1536);
    EXPECT_EQ(renderer().frameCount(), 0u);
}

struct MappingCase {
    int width, height;
    float designWidth, scale, offsetX, offsetY;
};

class DesignMappingTest : public RendererTest, public ::testing::WithParamInterface<MappingCase> {};

TEST_P(DesignMappingTest, MapsTheDesignSpaceIntoTheClientArea) {
    const MappingCase& c = GetParam();
    Renderer& r = renderer(c.width, c.height);
    EXPECT_FLOAT_EQ(r.designWidth(), c.designWidth);
    EXPECT_EQ(r.width(), std::max(c.width, 1));
    EXPECT_EQ(r.height(), std::max(c.height, 1));
    float x = 0;
    float y = 0;
    // The client origin is minus the offset in design units; one scale step is one unit.
    r.windowToDesign(0, 0, x, y);
    EXPECT_NEAR(x, -c.offsetX / c.scale, 1e-3);
    EXPECT_NEAR(y, -c.offsetY / c.scale, 1e-3);
    float x1 = 0;
    float y1 = 0;
    r.windowToDesign(100, 100, x1, y1);
    EXPECT_NEAR(x1 - x, 100.0f / c.scale, 1e-2);
    EXPECT_NEAR(y1 - y, 100.0f / c.scale, 1e-2);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, DesignMappingTest,
    ::testing::Values(MappingCase{1536, 1024, 1536.0f, 1.0f, 0.0f, 0.0f},
                      MappingCase{1920, 1080, 1820.4445f, 1.0546875f, 0.0f, 0.0f},
                      MappingCase{2560, 1080, 1820.4445f, 1.0546875f, 320.0f, 0.0f},
                      MappingCase{1700, 1024, 1700.0f, 1.0f, 0.0f, 0.0f},
                      MappingCase{1200, 1000, 1536.0f, 0.78125f, 0.0f, 100.0f},
                      // Minimised: treated as 1 x 1.
                      MappingCase{0, 0, 1536.0f, 1.0f / 1536.0f, 0.0f,
                                  (1.0f - 1024.0f / 1536.0f) / 2}),
    testsupport::clientSizeName);

TEST_F(RendererTest, OnlyAChangedClientSizeResizesTheBuffers) {
    Renderer& r = renderer(1536, 1024);
    frame([](Renderer&) {});
    frame([](Renderer&) {});
    EXPECT_EQ(log_->resizes.size(), 1u);
    log_->client = {1920, 1080};
    frame([](Renderer&) {});
    ASSERT_EQ(log_->resizes.size(), 2u);
    EXPECT_EQ(log_->resizes[1].width, 1920);
    EXPECT_FLOAT_EQ(r.designWidth(), 1820.4445f);
    log_->client = {0, 0};
    frame([](Renderer&) {});
    ASSERT_EQ(log_->resizes.size(), 3u);
    EXPECT_EQ(log_->resizes[2].width, 1);
    EXPECT_EQ(log_->resizes[2].height, 1);
}

TEST_F(RendererTest, EachFrameClearsToTheLauncherBackgroundAndCountsPresents) {
    renderer();
    const platform::FrameRecording& f = frame([](Renderer&) {});
    EXPECT_FLOAT_EQ(f.clearColor[0], 0.002f);
    EXPECT_FLOAT_EQ(f.clearColor[1], 0.003f);
    EXPECT_FLOAT_EQ(f.clearColor[2], 0.008f);
    EXPECT_FLOAT_EQ(f.clearColor[3], 1.0f);
    EXPECT_EQ(log_->frames.back().syncInterval, 1);
    renderer().beginFrame();
    renderer().endFrame(0);
    EXPECT_EQ(log_->frames.back().syncInterval, 0);
    EXPECT_EQ(renderer().frameCount(), 2u);
    // The previous frame is waited for before a new one is recorded.
    EXPECT_GE(log_->waits, 2);
}

// The ornament must never touch the design rectangle.
struct OrnamentCase {
    int width, height;
};

class OrnamentTest : public RendererTest, public ::testing::WithParamInterface<OrnamentCase> {};

TEST_P(OrnamentTest, ClearsOnlyTheLetterboxInsideTheClientArea) {
    Renderer& r = renderer(GetParam().width, GetParam().height);
    const platform::FrameRecording& f = frame([](Renderer&) {});
    float left = 0;
    float top = 0;
    r.windowToDesign(0, 0, left, top);
    // The content in pixels, from the mapping: the client origin lies at minus the offset.
    const float scale =
        static_cast<float>(r.height()) / 1024.0f < static_cast<float>(r.width()) / r.designWidth()
            ? static_cast<float>(r.height()) / 1024.0f
            : static_cast<float>(r.width()) / r.designWidth();
    const int contentLeft = static_cast<int>(std::floor(-left * scale));
    const int contentTop = static_cast<int>(std::floor(-top * scale));
    const int contentRight = static_cast<int>(std::floor(-left * scale + r.designWidth() * scale));
    const int contentBottom = static_cast<int>(std::floor(-top * scale + 1024.0f * scale));
    for (const platform::ClearRect& c : f.clears) {
        EXPECT_LT(c.left, c.right);
        EXPECT_LT(c.top, c.bottom);
        EXPECT_GE(c.left, 0);
        EXPECT_GE(c.top, 0);
        EXPECT_LE(c.right, r.width());
        EXPECT_LE(c.bottom, r.height());
        const bool overlaps = c.left < contentRight && c.right > contentLeft &&
                              c.top < contentBottom && c.bottom > contentTop;
        EXPECT_FALSE(overlaps) << c.left << "," << c.top << "," << c.right << "," << c.bottom;
    }
    const bool letterboxed =
        contentLeft > 0 || contentTop > 0 || contentRight < r.width() || contentBottom < r.height();
    EXPECT_EQ(!f.clears.empty(), letterboxed);
}

INSTANTIATE_TEST_SUITE_P(Sizes, OrnamentTest,
                         ::testing::Values(OrnamentCase{1536, 1024}, OrnamentCase{1920, 1080},
                                           OrnamentCase{2560, 1080}, OrnamentCase{1200, 1000},
                                           OrnamentCase{1000, 1500}, OrnamentCase{3840, 1440},
                                           OrnamentCase{2000, 3000}, OrnamentCase{7, 3}),
                         testsupport::clientSizeName);

bool sameColor(const platform::ClearRect& c, float r, float g, float b) {
    return c.r == r && c.g == g && c.b == b;
}

TEST_F(RendererTest, SideBandsGetGroundLinesDashesAndColumns) {
    renderer(2560, 1080);
    const platform::FrameRecording& f = frame([](Renderer&) {});
    ASSERT_GE(f.clears.size(), 2u);
    // The ground: the two side bands of about 320 pixels.
    EXPECT_EQ(f.clears[0].left, 0);
    EXPECT_EQ(f.clears[0].right, 320);
    EXPECT_EQ(f.clears[0].bottom, 1080);
    EXPECT_TRUE(sameColor(f.clears[0], 0.018f, 0.022f, 0.030f));
    EXPECT_EQ(f.clears[1].left, 2240);
    EXPECT_EQ(f.clears[1].right, 2560);
    // A line and two dashes per band of 24 rows: 45 bands.
    int lines = 0;
    std::vector<int> leftDashStarts;
    for (const platform::ClearRect& c : f.clears) {
        if (sameColor(c, 0.026f, 0.031f, 0.042f) && c.left == 0) {
            EXPECT_EQ(c.bottom - c.top, 1);
            EXPECT_EQ(c.top % 24, 0);
            ++lines;
        }
        if (sameColor(c, 0.22f, 0.025f, 0.018f) && c.right <= 320) {
            EXPECT_EQ(c.bottom - c.top, 3);
            EXPECT_EQ(c.right, 320 - 9);
            leftDashStarts.push_back(c.left);
        }
    }
    EXPECT_EQ(lines, 45);
    ASSERT_EQ(leftDashStarts.size(), 45u);
    // m = L / 2 = 160: dashes start at 160 and step inward by one pixel for five bands.
    EXPECT_EQ((std::vector<int>(leftDashStarts.begin(), leftDashStarts.begin() + 6)),
              (std::vector<int>{160, 161, 162, 163, 164, 160}));
    // Columns next to the content and the bright outer columns.
    const auto has = [&](int left, int top, int right, int bottom, float r, float g, float b) {
        return std::any_of(f.clears.begin(), f.clears.end(), [&](const platform::ClearRect& c) {
            return c.left == left && c.top == top && c.right == right && c.bottom == bottom &&
                   sameColor(c, r, g, b);
        });
    };
    EXPECT_TRUE(has(314, 0, 317, 1080, 0.46f, 0.23f, 0.065f));
    EXPECT_TRUE(has(2243, 0, 2246, 1080, 0.46f, 0.23f, 0.065f));
    EXPECT_TRUE(has(318, 0, 320, 1080, 0.09f, 0.008f, 0.005f));
    EXPECT_TRUE(has(2240, 0, 2242, 1080, 0.09f, 0.008f, 0.005f));
}

struct ScaleCase {
    int height;
    int k;
};

class OrnamentScaleTest : public RendererTest, public ::testing::WithParamInterface<ScaleCase> {};

TEST_P(OrnamentScaleTest, TallClientsThickenTheOrnament) {
    const int k = GetParam().k;
    renderer(GetParam().height * 2, GetParam().height);
    const platform::FrameRecording& f = frame([](Renderer&) {});
    int lines = 0;
    for (const platform::ClearRect& c : f.clears) {
        if (sameColor(c, 0.026f, 0.031f, 0.042f) && c.left == 0) {
            EXPECT_EQ(c.bottom - c.top, k);
            EXPECT_EQ(c.top % (24 * k), 0);
            ++lines;
        }
        if (sameColor(c, 0.22f, 0.025f, 0.018f)) {
            EXPECT_EQ(c.bottom - c.top, 3 * k);
        }
    }
    EXPECT_GT(lines, 0);
}

INSTANTIATE_TEST_SUITE_P(Heights, OrnamentScaleTest,
                         ::testing::Values(ScaleCase{1439, 1}, ScaleCase{1440, 2},
                                           ScaleCase{2159, 2}, ScaleCase{2160, 3}),
                         [](const auto& info) {
                             return "Height" + std::to_string(info.param.height);
                         });

TEST_F(RendererTest, DecorationSwitchTakesEffectAtTheNextFrame) {
    Renderer& r = renderer(2560, 1080);
    r.beginFrame();
    r.setDecoration(false);
    r.endFrame(1);
    EXPECT_FALSE(log_->frames.back().recording.clears.empty());
    EXPECT_TRUE(frame([](Renderer&) {}).clears.empty());
    r.setDecoration(true);
    EXPECT_FALSE(frame([](Renderer&) {}).clears.empty());
}

void expectConstants(const platform::DrawConstants& k, std::array<float, 16> expected) {
    const float* values = &k.rect[0];
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(values[i], expected[static_cast<std::size_t>(i)], 1e-3) << "constant " << i;
    }
}

TEST_F(RendererTest, DrawsArePackedInPixelsWithTheirModeAndSlot) {
    renderer(2560, 1080);
    const float s = 1.0546875f;
    const platform::FrameRecording& f = frame([](Renderer& r) {
        r.fillRect({10, 20, 100, 50}, {0.1f, 0.2f, 0.3f, 0.4f});
        r.drawRoundedRect({0, 0, 200, 100}, 12, {1, 1, 1, 1}, 2);
        r.fillTriangle(0, 0, 100, 0, 0, 100, {1, 0, 0, 1});
        r.drawImage(1, {0, 0, 64, 32}, {0.25f, 0.5f, 0.125f, 0.0625f}, {1, 1, 1, 0.5f},
                    ShaderMode::Fire, 2.5f);
        r.drawImage(0, {0, 0, 1, 1}, {0, 0, 1, 1}, {1, 1, 1, 1}, static_cast<ShaderMode>(7), 0);
    });
    ASSERT_EQ(f.draws.size(), 5u);
    EXPECT_EQ(f.draws[0].slot, 0);
    EXPECT_EQ(f.draws[0].vertexCount, 6u);
    expectConstants(f.draws[0].constants, {320 + 10 * s, 20 * s, 100 * s, 50 * s, 0, 0, 1, 1, 0.1f,
                                           0.2f, 0.3f, 0.4f, 2560, 1080, 0, 0});
    expectConstants(f.draws[1].constants,
                    {320, 0, 200 * s, 100 * s, 12 * s, 2 * s, 0, 0, 1, 1, 1, 1, 2560, 1080, 0, 6});
    EXPECT_EQ(f.draws[2].vertexCount, 3u);
    expectConstants(f.draws[2].constants,
                    {320, 0, 320 + 100 * s, 0, 320, 100 * s, 0, 0, 1, 0, 0, 1, 2560, 1080, 0, 10});
    EXPECT_EQ(f.draws[3].slot, 1);
    expectConstants(f.draws[3].constants, {320, 0, 64 * s, 32 * s, 0.25f, 0.5f, 0.125f, 0.0625f, 1,
                                           1, 1, 0.5f, 2560, 1080, 2.5f, 1});
    EXPECT_FLOAT_EQ(f.draws[4].constants.params[3], 7.0f);
    EXPECT_EQ(f.draws[4].vertexCount, 6u);
}

TEST_F(RendererTest, LinesBecomeTwoSquareEndedTriangles) {
    renderer();
    const platform::FrameRecording& f = frame([](Renderer& r) {
        r.drawLine(50, 60, 50, 60, 4, {1, 1, 1, 1});
        r.drawLine(100, 200, 300, 200, 4, {1, 1, 1, 1});
    });
    ASSERT_EQ(f.draws.size(), 2u);
    // Normal (0, 2): corners (100, 202), (300, 202), (100, 198), then (100, 198), (300, 202),
    // (300, 198).
    expectConstants(f.draws[0].constants,
                    {100, 202, 300, 202, 100, 198, 0, 0, 1, 1, 1, 1, 1536, 1024, 0, 10});
    expectConstants(f.draws[1].constants,
                    {100, 198, 300, 202, 300, 198, 0, 0, 1, 1, 1, 1, 1536, 1024, 0, 10});
}

TEST_F(RendererTest, SteadyFramesKeepTheirDrawStorage) {
    renderer();
    const auto scene = [](Renderer& r) {
        for (int i = 0; i < 3000; ++i) {
            r.fillRect({static_cast<float>(i % 1000), 0, 1, 1}, {1, 1, 1, 1});
        }
    };
    frame(scene);
    frame(scene);
    frame(scene);
    EXPECT_EQ(log_->frames[1].drawStorage, log_->frames[2].drawStorage);
    EXPECT_EQ(log_->frames[1].drawCapacity, log_->frames[2].drawCapacity);
}

TEST_F(RendererTest, DrawOutsideAFrameOrWithABadSlotIsRefused) {
    Renderer& r = renderer();
    EXPECT_EQ(errorText([&] { r.fillRect({0, 0, 1, 1}, {1, 1, 1, 1}); }), "launcher invalid draw");
    r.beginFrame();
    for (const int slot : {-1, 2, 32}) {
        EXPECT_EQ(errorText([&] {
                      r.drawImage(slot, {0, 0, 1, 1}, {0, 0, 1, 1}, {1, 1, 1, 1},
                                  ShaderMode::Textured, 0);
                  }),
                  "launcher invalid draw")
            << slot;
    }
    r.drawImage(1, {0, 0, 1, 1}, {0, 0, 1, 1}, {1, 1, 1, 1}, ShaderMode::Textured, 0);
    r.endFrame(1);
    EXPECT_EQ(errorText([&] {
                  r.drawText(L"A", 0, 0, 20, {1, 1, 1, 1}, 0);
              }),
              "launcher invalid draw");
    EXPECT_EQ(errorText([&] { r.endFrame(1); }), "launcher invalid draw");
}

TEST_F(RendererTest, TextureUploadsAreRefusedUnlessIdleAndConsistent) {
    Renderer& r = renderer();
    struct Case {
        std::uint32_t width, height;
        std::size_t pixels;
    };
    // A 65536 x 65536 texture has 2^32 pixels: in 32 bits that wraps to an empty vector.
    for (const Case& c : {Case{0, 4, 0}, Case{4, 0, 0}, Case{2, 2, 3}, Case{65536, 65536, 0}}) {
        EXPECT_EQ(errorText([&] {
                      r.uploadTexture(c.width, c.height, std::vector<std::uint32_t>(c.pixels));
                  }),
                  "launcher invalid texture upload")
            << c.width << "x" << c.height;
    }
    r.beginFrame();
    EXPECT_EQ(errorText([&] { r.uploadTexture(1, 1, {0}); }), "launcher invalid texture upload");
    r.endFrame(1);
    for (int slot = 2; slot < 32; ++slot) {
        EXPECT_EQ(r.uploadTexture(1, 2, {1, 2}), slot);
    }
    EXPECT_EQ(errorText([&] { r.uploadTexture(1, 1, {0}); }), "launcher invalid texture upload");
    EXPECT_EQ(log_->textures.size(), 32u);
}

TEST_F(RendererTest, ReadBackAndCaptureAreRefusedDuringAFrame) {
    Renderer& r = renderer();
    r.beginFrame();
    std::uint32_t w = 0;
    std::uint32_t h = 0;
    EXPECT_EQ(errorText([&] { r.readBack(w, h); }), "launcher capture during frame");
    EXPECT_EQ(errorText([&] { r.capturePng("unused.png"); }), "launcher capture during frame");
    r.endFrame(1);
    EXPECT_EQ(r.readBack(w, h).size(), 1536u * 1024u);
}

// Text: glyph quads from the atlas advances.
class TextLayoutTest : public RendererTest {
protected:
    float advance(wchar_t c) const { return advances_[static_cast<std::size_t>(c)]; }
    void SetUp() override {
        RendererTest::SetUp();
        renderer();
        advances_ = platform::buildFontAtlas().glyphAdvance;
    }
    std::array<float, 256> advances_{};
};

TEST_F(TextLayoutTest, GlyphQuadsFollowThePenAndTheAtlasCells) {
    const float size = 23.0f;
    const platform::FrameRecording& f = frame([&](Renderer& r) {
        r.drawText(L"A\nB", 100, 50, size, {1, 0.5f, 0, 1}, 3);
    });
    ASSERT_EQ(f.draws.size(), 2u);
    const float aA = std::min(advance(L'A') + 4, 62.0f);
    // 'A' (65): column 1, row 4.
    expectConstants(f.draws[0].constants,
                    {100, 50, aA / 46 * size, size * 64 / 46, 64.0f / 1024, 256.0f / 1024,
                     aA / 1024, 64.0f / 1024, 1, 0.5f, 0, 1, 1536, 1024, 0, 0});
    EXPECT_EQ(f.draws[0].slot, 1);
    // 'B' starts the next line at the start x, size * 1.45 lower.
    EXPECT_FLOAT_EQ(f.draws[1].constants.rect[0], 100);
    EXPECT_FLOAT_EQ(f.draws[1].constants.rect[1], 50 + size * 1.45f);
}

TEST_F(TextLayoutTest, MeasureIsTheWidestLineWithTrailingTracking) {
    const float size = 46.0f;
    const float ab = advance(L'A') + 2 + advance(L'B') + 2;
    EXPECT_FLOAT_EQ(renderer().measureText(L"AB\nA", size, 2), ab);
    EXPECT_FLOAT_EQ(renderer().measureText(L"A\nAB", size, 2), ab);
    EXPECT_FLOAT_EQ(renderer().measureText(L"", size, 2), 0);
    EXPECT_FLOAT_EQ(renderer().measureText(L"A", 23, 0), advance(L'A') / 2);
}

TEST_F(TextLayoutTest, WideCharactersDrawAsQuestionMarksAndControlsAsTracking) {
    const float size = 46.0f;
    const float question = advance(L'?') + 1;
    // U+0100, then U+1F600 as its two surrogates, each a "?".
    std::wstring wide = L"\u0100";
    if constexpr (sizeof(wchar_t) == 4) {
        wide += static_cast<wchar_t>(0x1F600);
    } else {
        wide += {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    }
    EXPECT_FLOAT_EQ(renderer().measureText(wide, size, 1), 3 * question);
    EXPECT_FLOAT_EQ(renderer().measureText(L"\t", size, 1), 1);
    const platform::FrameRecording& f = frame([&](Renderer& r) {
        r.drawText(wide + L"\tA", 0, 0, size, {1, 1, 1, 1}, 1);
    });
    ASSERT_EQ(f.draws.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        // '?' (63): column 15, row 3.
        EXPECT_FLOAT_EQ(f.draws[static_cast<std::size_t>(i)].constants.texrect[0],
                        15 * 64.0f / 1024);
        EXPECT_FLOAT_EQ(f.draws[static_cast<std::size_t>(i)].constants.rect[0], i * question);
    }
    // The tab draws nothing and moves the pen by the tracking alone.
    EXPECT_FLOAT_EQ(f.draws[3].constants.rect[0], 3 * question + 1);
}

} // namespace
} // namespace lumenark

namespace lumenark {
namespace {

TEST(GivenFont, MeasuresAndUploadsWithTheFontItWasGiven) {
    const auto log = std::make_shared<testsupport::DeviceLog>();
    Renderer renderer(std::make_unique<testsupport::RecordingDevice>(log),
                      testsupport::fixedAdvanceAtlas(23.0f));
    // Half the character height a character, whichever the character, plus the tracking.
    EXPECT_FLOAT_EQ(renderer.measureText(L"Wi.", 20, 0), 30);
    EXPECT_FLOAT_EQ(renderer.measureText(L"Wi.", 20, 1), 33);
    ASSERT_EQ(log->textures.size(), 2u);
    EXPECT_EQ(log->textures[1].width, platform::fontAtlasSide);
}

} // namespace
} // namespace lumenark
