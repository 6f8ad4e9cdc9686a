#pragma once
// A render device that keeps what the renderer hands it, so the renderer's arithmetic can be
// checked without a GPU.
#include "platform/font_atlas.h"
#include "platform/render_device.h"

#include <functional>
#include <memory>
#include <vector>

namespace testsupport {

struct RecordedTexture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> pixels;
};

struct RecordedFrame {
    platform::FrameRecording recording;
    std::uint8_t syncInterval = 0;
    // Where the renderer kept its draws: the same storage from frame to frame means no
    // allocation in steady drawing.
    const platform::DrawCommand* drawStorage = nullptr;
    std::size_t drawCapacity = 0;
};

// What the device saw; shared so that a test can read it while the renderer owns the device.
struct DeviceLog {
    platform::ClientSize client{1536, 1024};
    std::vector<platform::ClientSize> resizes;
    std::vector<RecordedTexture> textures;
    std::vector<RecordedFrame> frames;
    int waits = 0;
    // Called after each frame is recorded (a test can act from inside the loop that draws).
    std::function<void(std::size_t frameCount)> afterFrame;
};

class RecordingDevice final : public platform::RenderDevice {
public:
    explicit RecordingDevice(std::shared_ptr<DeviceLog> log) : log_(std::move(log)) {}

    platform::ClientSize clientSize() override { return log_->client; }
    void resizeBuffers(int width, int height) override { log_->resizes.push_back({width, height}); }
    void waitForGpu() override { ++log_->waits; }
    int createTexture(std::uint32_t width, std::uint32_t height,
                      const std::vector<std::uint32_t>& pixels) override {
        log_->textures.push_back({width, height, pixels});
        return static_cast<int>(log_->textures.size() - 1);
    }
    void executeFrame(const platform::FrameRecording& frame, std::uint8_t syncInterval) override {
        log_->frames.push_back({frame, syncInterval, frame.draws.data(), frame.draws.capacity()});
        if (log_->afterFrame) {
            log_->afterFrame(log_->frames.size());
        }
    }
    std::vector<std::uint32_t> readBack(std::uint32_t& width, std::uint32_t& height) override {
        width = static_cast<std::uint32_t>(log_->client.width);
        height = static_cast<std::uint32_t>(log_->client.height);
        return std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, 0xFF000000u);
    }

private:
    std::shared_ptr<DeviceLog> log_;
};

// A font whose every printable character advances by the same width (atlas pixels at the
// atlas's character height), so text measures the same on every machine.
inline platform::FontAtlas fixedAdvanceAtlas(float advance) {
    platform::FontAtlas atlas;
    atlas.pixels.assign(static_cast<std::size_t>(platform::fontAtlasSide) * platform::fontAtlasSide,
                        0);
    for (std::size_t code = 32; code < atlas.glyphAdvance.size(); ++code) {
        atlas.glyphAdvance[code] = advance;
    }
    return atlas;
}

} // namespace testsupport
