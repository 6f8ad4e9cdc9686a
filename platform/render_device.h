#pragma once
// The graphics device under the launcher's renderer. The renderer records each frame as a list
// (clear colour, clear rectangles, draws) and the device executes it: Direct3D 12 on Windows, a
// CPU rasteriser running the shader's C++ twin (platform/cpu_shading.h) on Linux.
#include "platform/handle.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

namespace hlsl {
struct CpuShaderProgram;
}

// The 16 root constants of one draw, laid out as the shader's constant buffer.
struct DrawConstants {
    float rect[4];    // pixels x, y, w, h (a triangle: first two corners)
    float texrect[4]; // u, v, w, h, or mode-specific values
    float tint[4];    // straight-alpha colour
    float params[4];  // client width, client height, time in seconds, mode
};
static_assert(sizeof(DrawConstants) == 16 * sizeof(float));

// An opaque colour cleared into one pixel rectangle (right and bottom exclusive).
struct ClearRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    float r = 0;
    float g = 0;
    float b = 0;
};

struct DrawCommand {
    int slot = 0;
    unsigned vertexCount = 6;
    DrawConstants constants{};
};

// One frame as the device executes it: the clear, then the clear rectangles in order, then the
// draws in order. Reused from frame to frame, so steady drawing does not allocate.
struct FrameRecording {
    float clearColor[4] = {0, 0, 0, 1};
    std::vector<ClearRect> clears;
    std::vector<DrawCommand> draws;

    void restart(const float (&color)[4]) {
        for (int i = 0; i < 4; ++i) {
            clearColor[i] = color[i];
        }
        clears.clear();
        draws.clear();
    }
};

struct ClientSize {
    int width = 0;
    int height = 0;
};

// Where frames go. A window (an HWND on Windows) is presented to; without one the device draws
// into an offscreen target of the given size, for tests and captures.
struct RenderSurface {
    WindowHandle window = nullptr;
    int offscreenWidth = 0;
    int offscreenHeight = 0;
};

struct RenderDeviceOptions {
    // The HLSL text and its source name for Direct3D 12, and its C++ twin for the CPU device;
    // each device takes its own and leaves the other.
    std::string_view shaderSource;
    std::string_view shaderName;
    const hlsl::CpuShaderProgram* cpuProgram = nullptr;
    // Copy every frame to a read-back buffer before it is presented: a presented flip-discard
    // buffer has no defined content.
    bool capture = false;
};

inline constexpr unsigned maxTextureSlots = 32;
// The largest texture side the device accepts (Direct3D 12's limit, kept by the CPU device too).
inline constexpr std::uint32_t maxTextureSide = 16384;

class RenderDevice {
public:
    virtual ~RenderDevice() = default;

    // The client area in pixels as the system reports it (0 x 0 while minimised).
    virtual ClientSize clientSize() = 0;
    // Resizes the back buffers; the renderer calls it only when the size changed.
    virtual void resizeBuffers(int width, int height) = 0;
    // Waits until all submitted work has finished.
    virtual void waitForGpu() = 0;
    // Uploads one B8G8R8A8 texture into the next slot and returns the slot. The caller has
    // checked the sizes against the pixel count.
    virtual int createTexture(std::uint32_t width, std::uint32_t height,
                              const std::vector<std::uint32_t>& pixels) = 0;
    // Records, submits and presents one frame.
    virtual void executeFrame(const FrameRecording& frame, std::uint8_t syncInterval) = 0;
    // The pixels of the last frame, B8G8R8A8 rows top to bottom.
    virtual std::vector<std::uint32_t> readBack(std::uint32_t& width, std::uint32_t& height) = 0;
};

// Direct3D 12 on Windows, the CPU rasteriser on Linux. Failures throw std::runtime_error with
// the launcher's labels.
std::unique_ptr<RenderDevice> createRenderDevice(const RenderSurface& surface,
                                                 const RenderDeviceOptions& options);

// "label HRESULT=<unsigned code>" for a negative code; non-negative codes pass.
inline std::string hresultMessage(const char* label, std::int32_t code) {
    return std::string(label) + " HRESULT=" + std::to_string(static_cast<std::uint32_t>(code));
}

inline void throwIfFailed(std::int32_t code, const char* label) {
    if (code < 0) {
        throw std::runtime_error(hresultMessage(label, code));
    }
}

} // namespace platform
