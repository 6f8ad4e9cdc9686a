// A fixed scene drawn by the real device with every operation and every shader mode, checked
// by pixel probes and written as PNG. On Linux the device is the CPU rasteriser.
#include "presentation/renderer.h"

#include "tests/support/case_names.h"
#include "tests/support/error_text.h"

#include "platform/image_codec.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace lumenark {
namespace {

using testsupport::errorText;

constexpr ColorF red{1, 0, 0, 1};
constexpr ColorF white{1, 1, 1, 1};
constexpr ColorF green{0, 1, 0, 1};
constexpr std::uint32_t background = 0xFF010102u; // (0.002, 0.003, 0.008) as bytes

struct Rgb {
    int r, g, b;
};

Rgb rgbOf(std::uint32_t pixel) {
    return {static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
            static_cast<int>(pixel & 0xFF)};
}

class SceneTest : public ::testing::Test {
protected:
    // The device for the size, or nothing where the system has none (the test then skips).
    bool open(int width, int height) {
        try {
            renderer_.emplace(platform::RenderSurface{nullptr, width, height},
                              RendererOptions{true});
            return true;
        } catch (const std::runtime_error& error) {
            failure_ = error.what();
            return false;
        }
    }

    template <typename Draw> void draw(Draw&& drawing) {
        renderer_->beginFrame();
        drawing(*renderer_);
        renderer_->endFrame(0);
        pixels_ = renderer_->readBack(width_, height_);
    }

    std::uint32_t at(int x, int y) const {
        return pixels_[static_cast<std::size_t>(y) * width_ + static_cast<std::size_t>(x)];
    }

    // Within two steps per channel: GPUs round filtering and blending slightly differently.
    void expectNear(int x, int y, Rgb expected) const {
        const Rgb got = rgbOf(at(x, y));
        EXPECT_TRUE(std::abs(got.r - expected.r) <= 2 && std::abs(got.g - expected.g) <= 2 &&
                    std::abs(got.b - expected.b) <= 2)
            << "pixel (" << x << ", " << y << ") is " << got.r << "," << got.g << "," << got.b
            << " not " << expected.r << "," << expected.g << "," << expected.b;
    }
    void expectBackground(int x, int y) const { expectNear(x, y, rgbOf(background)); }

    std::optional<Renderer> renderer_;
    std::string failure_;
    std::vector<std::uint32_t> pixels_;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
};

#define OPEN_OR_SKIP(w, h)                                                                         \
    if (!open(w, h)) {                                                                             \
        GTEST_SKIP() << "no render device here: " << failure_;                                     \
    }

// Every operation and every mode on the 1536 x 1024 capture size, design units = pixels.
void drawFixedScene(Renderer& r, int checker) {
    r.fillRect({100, 100, 50, 40}, red);
    r.fillRect({200, 100, 20, 20}, white);
    r.fillRect({200, 100, 20, 20}, {0, 0, 1, 0.5f});
    r.drawRoundedRect({300, 100, 100, 60}, 20, green, 0);
    r.drawRoundedRect({450, 100, 100, 60}, 10, green, 3);
    r.fillTriangle(600, 100, 700, 100, 600, 200, red);
    r.drawLine(800, 150, 900, 150, 4, white);
    r.drawText(L"AV\nLumenark 0123", 1000, 100, 46, white, 0);
    r.drawImage(0, {100, 300, 200, 200}, {0, 0, 1, 1}, green, ShaderMode::Glow, 0);
    r.drawImage(0, {400, 300, 100, 100}, {0, 0, 1, 1}, white, ShaderMode::ReflectionFade, 0);
    r.drawImage(0, {550, 300, 100, 100}, {0, 0, 1, 1}, white, ShaderMode::Scanlines, 0);
    r.drawImage(checker, {700, 300, 100, 100}, {0, 0, 1, 1}, white, ShaderMode::Textured, 0);
    r.drawImage(0, {850, 300, 120, 200}, {0, 0, 1, 1}, white, ShaderMode::Fire, 0);
    r.drawImage(0, {1000, 300, 300, 200}, {0, 0, 1, 1}, {0.7f, 0.7f, 0.8f, 1}, ShaderMode::Fog, 0);
    r.drawImage(0, {1350, 300, 50, 50}, {0, 0, 1, 1}, red, static_cast<ShaderMode>(7), 0);
}

int uploadChecker(Renderer& r) {
    return r.uploadTexture(2, 2, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu});
}

TEST_F(SceneTest, FixedSceneProbes) {
    OPEN_OR_SKIP(1536, 1024);
    const int checker = uploadChecker(*renderer_);
    draw([&](Renderer& r) { drawFixedScene(r, checker); });
    ASSERT_EQ(width_, 1536u);
    ASSERT_EQ(height_, 1024u);
    renderer_->capturePng(testsupport::binaryFolder() / "renderer-scene.png");
    for (const std::uint32_t pixel : pixels_) {
        ASSERT_EQ(pixel >> 24, 0xFFu) << "the frame is opaque";
    }
    expectBackground(1500, 1000);
    // Solid fill covers exactly its pixels.
    expectNear(100, 100, {255, 0, 0});
    expectNear(149, 139, {255, 0, 0});
    expectBackground(99, 100);
    expectBackground(150, 100);
    expectBackground(100, 140);
    expectBackground(100, 99);
    // Straight-alpha blend of half blue over white, the same on both triangles of the quad.
    for (int y = 100; y < 120; ++y) {
        for (int x = 200; x < 220; ++x) {
            EXPECT_EQ(at(x, y), at(200, 100)) << x << "," << y;
        }
    }
    expectNear(210, 110, {128, 128, 255});
    // Rounded rectangles: filled, and outlined 3 pixels wide.
    expectNear(350, 130, {0, 255, 0});
    expectBackground(300, 100);
    expectNear(300, 130, {0, 255, 0});
    expectBackground(500, 130);
    expectNear(500, 101, {0, 255, 0});
    expectBackground(451, 101);
    // Triangle: inside near the right angle, outside beyond the hypotenuse.
    expectNear(610, 110, {255, 0, 0});
    expectBackground(690, 190);
    // Line 4 wide around y = 150, square ends.
    for (int y = 148; y < 152; ++y) {
        expectNear(850, y, {255, 255, 255});
    }
    expectBackground(850, 147);
    expectBackground(850, 152);
    expectBackground(799, 150);
    expectBackground(901, 150);
    // Glow: full at the centre, nothing in the corner of its quad.
    expectNear(200, 400, {0, 251, 0});
    expectBackground(102, 302);
    // Reflection fade: 32 % at the top, nothing at the bottom.
    expectNear(450, 300, {82, 82, 83});
    expectBackground(450, 399);
    // Scan-lines: white at 14 %, shaded by at most 22 %.
    const Rgb scan = rgbOf(at(600, 350));
    EXPECT_GE(scan.r, 19);
    EXPECT_LE(scan.r, 38);
    // The uploaded 2 x 2 texture: corners are the texels (clamped), the middle their blend.
    expectNear(700, 300, {255, 0, 0});
    expectNear(799, 300, {0, 255, 0});
    expectNear(700, 399, {0, 0, 255});
    expectNear(799, 399, {255, 255, 255});
    expectNear(750, 350, {128, 128, 128});
    // Fire: unlit at the top and bottom rows, a warm flame inside.
    expectBackground(910, 300);
    expectBackground(910, 499);
    bool flame = false;
    for (int y = 300; y < 500 && !flame; ++y) {
        const Rgb c = rgbOf(at(910, y));
        flame = c.r > 200 && c.b < 80;
    }
    EXPECT_TRUE(flame);
    // Fog: none on its top and bottom rows.
    expectBackground(1150, 300);
    expectBackground(1150, 499);
    // An unknown mode draws like the textured one.
    expectNear(1375, 325, {255, 0, 0});
}

TEST_F(SceneTest, TextSitsAtThePenAndSpansItsMeasure) {
    OPEN_OR_SKIP(1536, 1024);
    const std::wstring text = L"MWAV";
    const float size = 46;
    draw([&](Renderer& r) { r.drawText(text, 200, 300, size, white, 0); });
    const float width = renderer_->measureText(text, size, 0);
    ASSERT_GT(width, 60.0f);
    int left = 1536;
    int right = -1;
    int top = 1024;
    int bottom = -1;
    for (int y = 250; y < 400; ++y) {
        for (int x = 150; x < 500; ++x) {
            if (rgbOf(at(x, y)).r > 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    // The ink lies inside the pen's line box and fills most of the measured width.
    EXPECT_GE(left, 200);
    EXPECT_LE(left, 206);
    EXPECT_LE(right, 200 + static_cast<int>(width) + 4);
    EXPECT_GE(right, 200 + static_cast<int>(width * 0.85f));
    EXPECT_GE(top, 300);
    EXPECT_LT(bottom, 300 + 46 + 8);
    EXPECT_GT(bottom - top, 25);
    // A second line starts size * 1.45 lower.
    draw([&](Renderer& r) { r.drawText(L"\nM", 200, 300, size, white, 0); });
    int secondTop = 1024;
    for (int y = 300; y < 500; ++y) {
        for (int x = 190; x < 260; ++x) {
            if (rgbOf(at(x, y)).r > 128) {
                secondTop = std::min(secondTop, y);
            }
        }
    }
    EXPECT_NEAR(secondTop - top, 46 * 1.45, 2.0);
}

struct WindowCase {
    int width, height;
    int designOriginX, designOriginY; // pixel of design (0, 0)
    int bandX, bandY;                 // a pixel of the letterbox, or -1
};

class SceneMappingTest : public SceneTest, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(SceneMappingTest, DesignRectangleLandsInsideTheLetterbox) {
    const WindowCase& c = GetParam();
    OPEN_OR_SKIP(c.width, c.height);
    draw([](Renderer& r) {
        r.fillRect({0, 0, 10, 10}, red);
        r.fillRect({r.designWidth() - 10, 1014, 10, 10}, green);
    });
    ASSERT_EQ(width_, static_cast<std::uint32_t>(c.width));
    expectNear(c.designOriginX + 1, c.designOriginY + 1, {255, 0, 0});
    expectNear(c.width - 1 - c.designOriginX - 1, c.height - 1 - c.designOriginY - 1, {0, 255, 0});
    expectBackground(c.width / 2, c.height / 2);
    if (c.bandX >= 0) {
        EXPECT_NE(at(c.bandX, c.bandY), background) << "the band carries the ornament";
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, SceneMappingTest,
                         ::testing::Values(WindowCase{1536, 1024, 0, 0, -1, -1},
                                           WindowCase{1920, 1080, 0, 0, -1, -1},
                                           WindowCase{2560, 1080, 320, 0, 5, 500},
                                           WindowCase{1200, 1000, 0, 100, 600, 5},
                                           WindowCase{1382, 922, 0, 0, -1, -1}),
                         testsupport::clientSizeName);

TEST_F(SceneTest, LetterboxColumnsHaveTheirColours) {
    OPEN_OR_SKIP(2560, 1080);
    draw([](Renderer&) {});
    expectNear(315, 10, {117, 59, 17}); // bright column (0.46, 0.23, 0.065)
    expectNear(319, 10, {23, 2, 1});    // dark edge (0.09, 0.008, 0.005)
    expectNear(5, 12, {5, 6, 8});       // ground (0.018, 0.022, 0.030)
    expectNear(5, 24, {7, 8, 11});      // line (0.026, 0.031, 0.042)
    expectNear(200, 25, {56, 6, 5});    // dash (0.22, 0.025, 0.018)
    expectBackground(1280, 540);
    renderer_->setDecoration(false);
    draw([](Renderer&) {});
    expectBackground(315, 10);
}

TEST_F(SceneTest, TwoCapturesOfOneSceneAreByteIdentical) {
    OPEN_OR_SKIP(1536, 1024);
    const int checker = uploadChecker(*renderer_);
    testsupport::TempFolder folder("capture");
    draw([&](Renderer& r) { drawFixedScene(r, checker); });
    renderer_->capturePng(folder / "first.png");
    draw([&](Renderer& r) { drawFixedScene(r, checker); });
    renderer_->capturePng(folder / "second.png");
    const std::string first = testsupport::readFile(folder / "first.png");
    EXPECT_GT(first.size(), 1000u);
    EXPECT_EQ(first, testsupport::readFile(folder / "second.png"));
    // The PNG holds the frame.
    const auto image = platform::openImageFile(folder / "first.png");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels(), pixels_);
}

TEST_F(SceneTest, CaptureIntoAMissingFolderFails) {
    OPEN_OR_SKIP(64, 64);
    testsupport::TempFolder folder("capture");
    draw([](Renderer&) {});
    EXPECT_TRUE(testsupport::startsWith(
        errorText([&] { renderer_->capturePng(folder / "missing" / "x.png"); }),
        "launcher capture output"));
}

TEST_F(SceneTest, DeviceRefusesTexturesWiderThanItsLimit) {
    OPEN_OR_SKIP(64, 64);
    EXPECT_EQ(
        errorText([&] { renderer_->uploadTexture(16385, 1, std::vector<std::uint32_t>(16385)); }),
        "launcher resource HRESULT=2147942487");
}

} // namespace
} // namespace lumenark
