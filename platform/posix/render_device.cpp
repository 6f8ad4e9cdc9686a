// The Linux stand-in of the graphics device: a CPU rasteriser that runs the C++ twin of the
// shader it is handed, with Direct3D's rules (pixel centres, the top-left fill rule, 8 bits of
// sub-pixel precision, straight-alpha blending into a B8G8R8A8_UNORM target, linear clamped
// sampling), and copies each frame into the launcher's SDL window when it draws for one.
#include "platform/render_device.h"

#include "platform/cpu_shading.h"
#include "platform/posix/sdl_window.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace platform {
namespace {

constexpr std::int32_t invalidArgument = static_cast<std::int32_t>(0x80070057u);
constexpr std::int64_t subPixel = 256;
// Vertex positions are kept within this many pixels of the origin, a guard band that keeps the
// fixed-point edge products inside 64 bits.
constexpr float guardBand = 1048576.0f;

std::uint32_t toUnorm(float value) {
    if (!(value > 0.0f)) {
        return 0;
    }
    if (value >= 1.0f) {
        return 255;
    }
    return static_cast<std::uint32_t>(value * 255.0f + 0.5f);
}

std::uint32_t packColor(float r, float g, float b, float a) {
    return (toUnorm(a) << 24) | (toUnorm(r) << 16) | (toUnorm(g) << 8) | toUnorm(b);
}

struct Texture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> texels;
};

// One vertex after the viewport transform: fixed-point position and the interpolated outputs.
struct RasterVertex {
    std::int64_t x = 0;
    std::int64_t y = 0;
    hlsl::float2 uv{};
    hlsl::float2 local{};
};

std::int64_t orient(const RasterVertex& a, const RasterVertex& b, std::int64_t px,
                    std::int64_t py) {
    return (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
}

// Edges that own their pixels under the top-left rule (screen y grows downwards and the
// triangle is ordered so that its area is positive).
bool isTopLeft(const RasterVertex& a, const RasterVertex& b) {
    const std::int64_t dx = b.x - a.x;
    const std::int64_t dy = b.y - a.y;
    return (dy == 0 && dx > 0) || dy < 0;
}

class CpuRenderDevice final : public RenderDevice {
public:
    CpuRenderDevice(const RenderSurface& surface, const hlsl::CpuShaderProgram& program)
        : program_(program), window_(surface.window), surfaceWidth_(surface.offscreenWidth),
          surfaceHeight_(surface.offscreenHeight) {
        if (window_ != nullptr && !posix::isLauncherWindow(window_)) {
            throw std::runtime_error("launcher flip swapchain");
        }
        textures_.reserve(maxTextureSlots);
    }

    ClientSize clientSize() override {
        if (window_ != nullptr) {
            return posix::launcherWindowClientSize(window_);
        }
        return {surfaceWidth_, surfaceHeight_};
    }

    void resizeBuffers(int width, int height) override {
        width_ = width;
        height_ = height;
        frame_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    }

    void waitForGpu() override {}

    int createTexture(std::uint32_t width, std::uint32_t height,
                      const std::vector<std::uint32_t>& pixels) override {
        if (width > maxTextureSide || height > maxTextureSide) {
            throw std::runtime_error(hresultMessage("launcher resource", invalidArgument));
        }
        textures_.push_back({width, height, pixels});
        return static_cast<int>(textures_.size() - 1);
    }

    void executeFrame(const FrameRecording& frame, std::uint8_t) override {
        const float* c = frame.clearColor;
        std::fill(frame_.begin(), frame_.end(), packColor(c[0], c[1], c[2], c[3]));
        for (const ClearRect& clear : frame.clears) {
            fillClear(clear);
        }
        for (const DrawCommand& draw : frame.draws) {
            rasterise(draw);
        }
        if (window_ != nullptr) {
            posix::presentToLauncherWindow(window_, frame_, width_, height_);
        }
    }

    std::vector<std::uint32_t> readBack(std::uint32_t& width, std::uint32_t& height) override {
        width = static_cast<std::uint32_t>(width_);
        height = static_cast<std::uint32_t>(height_);
        return frame_;
    }

private:
    void fillClear(const ClearRect& clear) {
        const int left = std::max(clear.left, 0);
        const int top = std::max(clear.top, 0);
        const int right = std::min(clear.right, width_);
        const int bottom = std::min(clear.bottom, height_);
        const std::uint32_t value = packColor(clear.r, clear.g, clear.b, 1.0f);
        for (int y = top; y < bottom; ++y) {
            std::uint32_t* row = frame_.data() + static_cast<std::size_t>(y) * width_;
            std::fill(row + left, row + std::max(left, right), value);
        }
    }

    RasterVertex toRaster(const hlsl::VsOut& out) const {
        const float w = static_cast<float>(width_);
        const float h = static_cast<float>(height_);
        const float x = std::clamp((out.position.x + 1.0f) * 0.5f * w, -guardBand, guardBand);
        const float y = std::clamp((1.0f - out.position.y) * 0.5f * h, -guardBand, guardBand);
        return {std::llround(x * static_cast<float>(subPixel)),
                std::llround(y * static_cast<float>(subPixel)), out.uv, out.local};
    }

    void rasterise(const DrawCommand& command) {
        if (command.slot < 0 || static_cast<std::size_t>(command.slot) >= textures_.size()) {
            return;
        }
        const Texture& texture = textures_[static_cast<std::size_t>(command.slot)];
        const hlsl::Texture2D image{texture.texels.data(), texture.width, texture.height};
        const hlsl::Draw draw(command.constants);
        const unsigned count = std::min(command.vertexCount, 6u);
        for (unsigned first = 0; first + 3 <= count; first += 3) {
            const hlsl::VsOut a = program_.vs(draw, first);
            const hlsl::VsOut b = program_.vs(draw, first + 1);
            const hlsl::VsOut c = program_.vs(draw, first + 2);
            if (!finite(a) || !finite(b) || !finite(c)) {
                continue;
            }
            triangle(draw, image, toRaster(a), toRaster(b), toRaster(c));
        }
    }

    static bool finite(const hlsl::VsOut& out) {
        return std::isfinite(out.position.x) && std::isfinite(out.position.y);
    }

    void triangle(const hlsl::Draw& draw, const hlsl::Texture2D& image, RasterVertex v0,
                  RasterVertex v1, RasterVertex v2) {
        std::int64_t area = orient(v0, v1, v2.x, v2.y);
        if (area == 0) {
            return;
        }
        if (area < 0) {
            std::swap(v1, v2);
            area = -area;
        }
        const std::int64_t half = subPixel / 2;
        const std::int64_t minX = std::min({v0.x, v1.x, v2.x});
        const std::int64_t maxX = std::max({v0.x, v1.x, v2.x});
        const std::int64_t minY = std::min({v0.y, v1.y, v2.y});
        const std::int64_t maxY = std::max({v0.y, v1.y, v2.y});
        // Pixels whose centres lie inside the bounding box, clipped to the target.
        const std::int64_t x0 = std::max<std::int64_t>(ceilDiv(minX - half, subPixel), 0);
        const std::int64_t x1 = std::min<std::int64_t>(floorDiv(maxX - half, subPixel), width_ - 1);
        const std::int64_t y0 = std::max<std::int64_t>(ceilDiv(minY - half, subPixel), 0);
        const std::int64_t y1 =
            std::min<std::int64_t>(floorDiv(maxY - half, subPixel), height_ - 1);
        if (x0 > x1 || y0 > y1) {
            return;
        }
        const std::int64_t bias0 = isTopLeft(v1, v2) ? 0 : -1;
        const std::int64_t bias1 = isTopLeft(v2, v0) ? 0 : -1;
        const std::int64_t bias2 = isTopLeft(v0, v1) ? 0 : -1;
        const std::int64_t stepX0 = -(v2.y - v1.y) * subPixel;
        const std::int64_t stepX1 = -(v0.y - v2.y) * subPixel;
        const std::int64_t stepX2 = -(v1.y - v0.y) * subPixel;
        const float inverseArea = 1.0f / static_cast<float>(area);
        const std::int64_t startX = x0 * subPixel + half;
        for (std::int64_t y = y0; y <= y1; ++y) {
            const std::int64_t py = y * subPixel + half;
            std::int64_t w0 = orient(v1, v2, startX, py);
            std::int64_t w1 = orient(v2, v0, startX, py);
            std::int64_t w2 = orient(v0, v1, startX, py);
            std::uint32_t* row = frame_.data() + static_cast<std::size_t>(y) * width_;
            for (std::int64_t x = x0; x <= x1; ++x) {
                if (w0 + bias0 >= 0 && w1 + bias1 >= 0 && w2 + bias2 >= 0) {
                    const float l0 = static_cast<float>(w0) * inverseArea;
                    const float l1 = static_cast<float>(w1) * inverseArea;
                    const float l2 = static_cast<float>(w2) * inverseArea;
                    hlsl::VsOut in{};
                    in.uv = {l0 * v0.uv.x + l1 * v1.uv.x + l2 * v2.uv.x,
                             l0 * v0.uv.y + l1 * v1.uv.y + l2 * v2.uv.y};
                    in.local = {l0 * v0.local.x + l1 * v1.local.x + l2 * v2.local.x,
                                l0 * v0.local.y + l1 * v1.local.y + l2 * v2.local.y};
                    blend(row[x], program_.ps(draw, image, in));
                }
                w0 += stepX0;
                w1 += stepX1;
                w2 += stepX2;
            }
        }
    }

    // colour = src * srcAlpha + dst * (1 - srcAlpha); alpha = src + dst * (1 - srcAlpha).
    static void blend(std::uint32_t& target, hlsl::float4 source) {
        const float sr = hlsl::saturate(source.x);
        const float sg = hlsl::saturate(source.y);
        const float sb = hlsl::saturate(source.z);
        const float sa = hlsl::saturate(source.w);
        if (sa >= 1.0f) {
            // Opaque: the target's share is zero.
            target = packColor(sr, sg, sb, 1.0f);
            return;
        }
        constexpr float unit = 1.0f / 255.0f;
        const float dr = static_cast<float>((target >> 16) & 0xFF) * unit;
        const float dg = static_cast<float>((target >> 8) & 0xFF) * unit;
        const float db = static_cast<float>(target & 0xFF) * unit;
        const float da = static_cast<float>(target >> 24) * unit;
        const float keep = 1.0f - sa;
        target = packColor(sr * sa + dr * keep, sg * sa + dg * keep, sb * sa + db * keep,
                           sa + da * keep);
    }

    static std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
        return a >= 0 ? a / b : -((-a + b - 1) / b);
    }
    static std::int64_t ceilDiv(std::int64_t a, std::int64_t b) { return -floorDiv(-a, b); }

    hlsl::CpuShaderProgram program_;
    WindowHandle window_;
    int surfaceWidth_;
    int surfaceHeight_;
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> frame_;
    std::vector<Texture> textures_;
};

} // namespace

std::unique_ptr<RenderDevice> createRenderDevice(const RenderSurface& surface,
                                                 const RenderDeviceOptions& options) {
    // A device without a program to run is as unusable as a shader that does not compile.
    if (options.cpuProgram == nullptr || options.cpuProgram->vs == nullptr ||
        options.cpuProgram->ps == nullptr) {
        throw std::runtime_error("launcher HLSL");
    }
    return std::make_unique<CpuRenderDevice>(surface, *options.cpuProgram);
}

} // namespace platform
