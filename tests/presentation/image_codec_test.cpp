// PNG files out and images in, and the renderer's loading rule over them.
#include "platform/image_codec.h"

#include "tests/support/error_text.h"
#include "tests/support/recording_device.h"

#include "presentation/renderer.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace lumenark {
namespace {

using testsupport::errorText;
using testsupport::startsWith;

std::vector<std::uint32_t> gradient(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            pixels[y * width + x] =
                0xFF000000u | ((x * 7) & 0xFF) << 16 | ((y * 5) & 0xFF) << 8 | ((x + y) & 0xFF);
        }
    }
    return pixels;
}

class ImageCodecTest : public ::testing::Test {
protected:
    Renderer& renderer() {
        if (!renderer_) {
            renderer_ =
                std::make_unique<Renderer>(std::make_unique<testsupport::RecordingDevice>(log_));
        }
        return *renderer_;
    }

    testsupport::TempFolder folder_{"images"};
    std::shared_ptr<testsupport::DeviceLog> log_ = std::make_shared<testsupport::DeviceLog>();
    std::unique_ptr<Renderer> renderer_;
};

TEST_F(ImageCodecTest, PngRoundTripKeepsEveryPixel) {
    const std::vector<std::uint32_t> pixels = gradient(37, 11);
    platform::writePngFile(folder_ / "round.png", 37, 11, pixels);
    EXPECT_EQ(testsupport::readFile(folder_ / "round.png").substr(1, 3), "PNG");
    const auto image = platform::openImageFile(folder_ / "round.png");
    ASSERT_TRUE(image);
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    image->size(width, height);
    EXPECT_EQ(width, 37u);
    EXPECT_EQ(height, 11u);
    EXPECT_EQ(image->pixels(), pixels);
}

TEST_F(ImageCodecTest, WritingReplacesTheFileAndFailsWithoutItsFolder) {
    testsupport::writeFile(folder_ / "old.png", std::string(5000, 'x'));
    platform::writePngFile(folder_ / "old.png", 2, 2, gradient(2, 2));
    EXPECT_LT(testsupport::readFile(folder_ / "old.png").size(), 1000u);
    EXPECT_TRUE(startsWith(errorText([&] {
                               platform::writePngFile(folder_ / "none" / "x.png", 2, 2,
                                                      gradient(2, 2));
                           }),
                           "launcher capture output"));
}

TEST_F(ImageCodecTest, LoadedImagesBecomeTexturesInTheNextSlot) {
    platform::writePngFile(folder_ / "tile.png", 5, 3, gradient(5, 3));
    EXPECT_EQ(renderer().loadImage(folder_ / "tile.png"), 2);
    EXPECT_EQ(log_->textures[2].width, 5u);
    EXPECT_EQ(log_->textures[2].pixels, gradient(5, 3));
}

// Missing files and files that no codec knows are not errors: they get one dark pixel.
TEST_F(ImageCodecTest, UnreadableOrUnknownFilesGetThePlaceholderPixel) {
    testsupport::writeFile(folder_ / "notes.txt", "plain text, not an image at all");
    for (const char* name : {"missing.png", "notes.txt"}) {
        const int slot = renderer().loadImage(folder_ / name);
        ASSERT_EQ(log_->textures.size(), static_cast<std::size_t>(slot) + 1) << name;
        EXPECT_EQ(log_->textures.back().width, 1u);
        EXPECT_EQ(log_->textures.back().pixels, std::vector<std::uint32_t>{0xFF0A0B0Du}) << name;
    }
}

TEST_F(ImageCodecTest, DamagedImagesOfAKnownFormatFailToDecode) {
    platform::writePngFile(folder_ / "good.png", 64, 64, gradient(64, 64));
    const std::string good = testsupport::readFile(folder_ / "good.png");
    // The signature and a torn header; then a whole header with its image data cut short.
    testsupport::writeFile(folder_ / "torn.png", good.substr(0, 12));
    testsupport::writeFile(folder_ / "short.png", good.substr(0, 60));
    renderer();
    const std::size_t before = log_->textures.size();
    EXPECT_TRUE(
        startsWith(errorText([&] { renderer().loadImage(folder_ / "torn.png"); }), "launcher WIC"));
    EXPECT_TRUE(startsWith(errorText([&] { renderer().loadImage(folder_ / "short.png"); }),
                           "launcher WIC"));
    EXPECT_EQ(log_->textures.size(), before);
}

TEST_F(ImageCodecTest, ImagesWiderThanTheAssetLimitAreRefused) {
    platform::writePngFile(folder_ / "wide.png", 8193, 1, std::vector<std::uint32_t>(8193, ~0u));
    EXPECT_EQ(errorText([&] { renderer().loadImage(folder_ / "wide.png"); }),
              "launcher asset dimensions");
    platform::writePngFile(folder_ / "edge.png", 8192, 1, std::vector<std::uint32_t>(8192, ~0u));
    EXPECT_EQ(renderer().loadImage(folder_ / "edge.png"), 2);
}

} // namespace
} // namespace lumenark
