// The Direct3D 12 device itself, driven with a plain textured shader: clears, draws, uploads
// and the capture copy. Wine's run-time compiler cannot build the launcher's own shader, so
// this is what exercises the device there.
#ifdef _WIN32
#include "platform/render_device.h"

#include "tests/support/error_text.h"

#include "presentation/launcher_layers.h"

#include <gtest/gtest.h>

#include <array>

#include <windows.h>

namespace platform {
namespace {

constexpr std::string_view plainShader = R"hlsl(
cbuffer Draw : register(b0)
{
    float4 rect;
    float4 texrect;
    float4 tint;
    float4 params;
};
Texture2D image : register(t0);
SamplerState imageSampler : register(s0);
struct VsOut
{
    float4 position : SV_Position;
    float2 uv : TEXCOORD0;
};
VsOut vs(uint index : SV_VertexID)
{
    VsOut o;
    float2 q = float2(0, 0);
    if (index == 1 || index == 4 || index == 5)
        q.x = 1;
    if (index == 2 || index == 3 || index == 5)
        q.y = 1;
    float2 p = rect.xy + q * rect.zw;
    o.position = float4(p / params.xy * float2(2, -2) + float2(-1, 1), 0, 1);
    o.uv = texrect.xy + q * texrect.zw;
    return o;
}
float4 ps(VsOut i) : SV_Target
{
    return image.Sample(imageSampler, i.uv) * tint;
}
)hlsl";

// Wine 8's vkd3d refuses this device's SRV descriptor table ("Invalid heap for base
// descriptor"), so textured draws sample nothing there.
bool runningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class D3d12DeviceTest : public ::testing::Test {
protected:
    std::unique_ptr<RenderDevice> create(std::string_view source, bool capture,
                                         std::string_view name = "plain.hlsl") {
        RenderDeviceOptions options;
        options.shaderSource = source;
        options.shaderName = name;
        options.capture = capture;
        return createRenderDevice(RenderSurface{nullptr, 64, 32}, options);
    }
};

DrawCommand quad(int slot, float x, float y, float w, float h, float r, float g, float b, float a) {
    DrawCommand command;
    command.slot = slot;
    command.vertexCount = 6;
    command.constants = {{x, y, w, h}, {0, 0, 1, 1}, {r, g, b, a}, {64, 32, 0, 0}};
    return command;
}

// The pixels of the last frame, which is 64 x 32; a frame of another size fails here and reads
// as black beyond its end.
std::vector<std::uint32_t> readFrame(RenderDevice& device) {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> pixels = device.readBack(width, height);
    EXPECT_EQ(width, 64u);
    EXPECT_EQ(height, 32u);
    pixels.resize(64 * 32);
    return pixels;
}

TEST_F(D3d12DeviceTest, ExecutesClearsAndDrawsAndReadsTheFrameBack) {
    for (const bool capture : {true, false}) {
        std::unique_ptr<RenderDevice> device;
        const std::string failure =
            testsupport::errorText([&] { device = create(plainShader, capture); });
        if (!device) {
            GTEST_SKIP() << "no Direct3D 12 device here: " << failure;
        }
        EXPECT_EQ(device->clientSize().width, 64);
        device->resizeBuffers(64, 32);
        EXPECT_EQ(device->createTexture(1, 1, {0xFFFFFFFFu}), 0);
        EXPECT_EQ(device->createTexture(2, 1, {0xFF00FF00u, 0xFF00FF00u}), 1);
        FrameRecording frame;
        const float clear[4] = {0, 0, 1, 1};
        frame.restart(clear);
        frame.clears.push_back({0, 0, 8, 8, 1, 0, 0});
        frame.draws.push_back(quad(0, 32, 0, 16, 16, 1, 1, 1, 1));
        frame.draws.push_back(quad(1, 48, 16, 16, 16, 1, 1, 1, 0.5f));
        device->executeFrame(frame, 0);
        const std::vector<std::uint32_t> pixels = readFrame(*device);
        EXPECT_EQ(pixels[0], 0xFFFF0000u) << capture;  // clear rectangle
        EXPECT_EQ(pixels[20], 0xFF0000FFu) << capture; // clear colour
        if (runningUnderWine()) {
            continue;
        }
        EXPECT_EQ(pixels[40], 0xFFFFFFFFu) << capture;      // white quad
        const std::uint32_t blended = pixels[20 * 64 + 56]; // half green over blue
        EXPECT_NEAR(static_cast<int>((blended >> 8) & 0xFF), 128, 2) << capture;
        EXPECT_NEAR(static_cast<int>(blended & 0xFF), 128, 2) << capture;
        EXPECT_EQ(blended >> 24, 0xFFu) << capture;
    }
}

TEST_F(D3d12DeviceTest, RefusesTexturesBeyondTheDeviceLimit) {
    std::unique_ptr<RenderDevice> device;
    const std::string failure = testsupport::errorText([&] { device = create(plainShader, true); });
    if (!device) {
        GTEST_SKIP() << "no Direct3D 12 device here: " << failure;
    }
    device->resizeBuffers(64, 32);
    const std::string refusal = testsupport::errorText(
        [&] { device->createTexture(maxTextureSide + 1, 1, std::vector<std::uint32_t>(16385)); });
    if (runningUnderWine() && refusal == testsupport::noError) {
        GTEST_SKIP() << "Wine's device accepts textures above the Direct3D 12 limit";
    }
    EXPECT_TRUE(testsupport::startsWith(refusal, "launcher resource HRESULT=")) << refusal;
}

// A failed compile reports the compiler's own message, never the bare HRESULT label.
TEST_F(D3d12DeviceTest, ShaderErrorsCarryTheCompilerMessage) {
    const std::string failure = testsupport::errorText([&] { create("float4 broken(", true); });
    if (testsupport::startsWith(failure, "launcher DXGI factory") ||
        testsupport::startsWith(failure, "launcher D3D12 hardware device")) {
        GTEST_SKIP() << "no Direct3D 12 device here: " << failure;
    }
    EXPECT_FALSE(testsupport::startsWith(failure, "launcher ")) << failure;
    EXPECT_NE(failure, testsupport::noError);
}

DrawCommand shaded(float mode, std::array<float, 4> rect, std::array<float, 4> texrect,
                   std::array<float, 4> tint) {
    DrawCommand command;
    command.vertexCount = mode == 10.0f ? 3u : 6u;
    command.constants = {{rect[0], rect[1], rect[2], rect[3]},
                         {texrect[0], texrect[1], texrect[2], texrect[3]},
                         {tint[0], tint[1], tint[2], tint[3]},
                         {64, 32, 0, mode}};
    return command;
}

// The launcher's own shader, where it builds, draws its rounded rectangle and its triangle; where
// it does not (Wine 8's compiler stops at the ternary operator and lacks sin, frac and
// smoothstep), the failure is the compiler's message.
TEST_F(D3d12DeviceTest, LauncherShaderDrawsOrReportsTheCompiler) {
    std::unique_ptr<RenderDevice> device;
    const std::string failure = testsupport::errorText([&] {
        device = create(lumenark::launcherLayersSource, true, lumenark::launcherLayersName);
    });
    if (!device) {
        EXPECT_FALSE(testsupport::startsWith(failure, "launcher HLSL")) << failure;
        GTEST_SKIP() << "the launcher shader does not compile here: " << failure;
    }
    device->resizeBuffers(64, 32);
    ASSERT_EQ(device->createTexture(1, 1, {0xFFFFFFFFu}), 0);
    FrameRecording frame;
    const float blue[4] = {0, 0, 1, 1};
    frame.restart(blue);
    // A red square of radius 8 on the left; a green triangle in the right half's top-left corner.
    frame.draws.push_back(shaded(6.0f, {0, 0, 32, 32}, {8, 0, 0, 0}, {1, 0, 0, 1}));
    frame.draws.push_back(shaded(10.0f, {32, 0, 64, 0}, {32, 32, 0, 0}, {0, 1, 0, 1}));
    device->executeFrame(frame, 0);
    const std::vector<std::uint32_t> pixels = readFrame(*device);
    EXPECT_EQ(pixels[16 * 64 + 16], 0xFFFF0000u); // inside the rounded rectangle
    EXPECT_EQ(pixels[0], 0xFF0000FFu);            // its cut-off corner
    EXPECT_EQ(pixels[2 * 64 + 36], 0xFF00FF00u);  // inside the triangle
    EXPECT_EQ(pixels[30 * 64 + 62], 0xFF0000FFu); // beyond its long edge
}

} // namespace
} // namespace platform
#endif
