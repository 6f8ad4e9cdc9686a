// The Linux stand-in of the graphics device runs whichever C++ program it is handed.
#include "platform/cpu_shading.h"
#include "platform/render_device.h"
#include "tests/support/error_text.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

hlsl::VsOut wholeTarget(const hlsl::Draw&, unsigned index) {
    constexpr hlsl::float2 corners[6] = {{-1, 1}, {1, 1}, {-1, -1}, {-1, -1}, {1, 1}, {1, -1}};
    hlsl::VsOut out{};
    out.position = {corners[index].x, corners[index].y, 0, 1};
    return out;
}

hlsl::float4 tintOnly(const hlsl::Draw& draw, const hlsl::Texture2D&, const hlsl::VsOut&) {
    return draw.tint;
}

constexpr hlsl::CpuShaderProgram tintProgram{wholeTarget, tintOnly};

std::unique_ptr<RenderDevice> deviceRunning(const hlsl::CpuShaderProgram* program) {
    RenderDeviceOptions options;
    options.cpuProgram = program;
    return createRenderDevice(RenderSurface{nullptr, 4, 2}, options);
}

TEST(CpuRenderDevice, RunsTheProgramItIsHanded) {
    const auto device = deviceRunning(&tintProgram);
    device->resizeBuffers(4, 2);
    device->createTexture(1, 1, {0xFFFFFFFFu});
    FrameRecording frame;
    frame.restart({0, 0, 0, 1});
    DrawCommand draw;
    draw.constants.tint[0] = 1.0f;
    draw.constants.tint[3] = 1.0f;
    frame.draws.push_back(draw);
    device->executeFrame(frame, 1);
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    const std::vector<std::uint32_t> pixels = device->readBack(width, height);
    ASSERT_EQ(pixels.size(), 8u);
    for (const std::uint32_t pixel : pixels) {
        EXPECT_EQ(pixel, 0xFFFF0000u);
    }
}

TEST(CpuRenderDevice, ADeviceWithoutAProgramIsRefused) {
    constexpr hlsl::CpuShaderProgram halfProgram{wholeTarget, nullptr};
    EXPECT_EQ(testsupport::errorText([] { deviceRunning(nullptr); }), "launcher HLSL");
    EXPECT_EQ(testsupport::errorText([&] { deviceRunning(&halfProgram); }), "launcher HLSL");
}

} // namespace
} // namespace platform
