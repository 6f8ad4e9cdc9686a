#pragma once
// The launcher window's immediate-mode 2-D renderer. Drawing is in design units: 1024 high and
// 1536 to 1820.4445 wide, centred and letterboxed in the client area. Each frame is recorded as
// a list and executed by the render device (Direct3D 12 on Windows, the CPU device on Linux).
#include "platform/font_atlas.h"
#include "platform/render_device.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

namespace lumenark {

struct RectF {
    float x = 0;
    float y = 0;
    float width = 0;
    float height = 0;
};

// Straight (not premultiplied) alpha, 0..1.
struct ColorF {
    float r = 0;
    float g = 0;
    float b = 0;
    float a = 0;
};

enum class ShaderMode : int {
    Textured = 0,
    Fire = 1,
    Fog = 2,
    ReflectionFade = 3,
    Scanlines = 4,
    Glow = 5,
    RoundedRect = 6,
    Triangle = 10,
};

using platform::DrawConstants;

struct RendererOptions {
    // Capture mode: every frame is copied for readBack and capturePng before it is presented.
    bool capture = false;
};

class Renderer {
public:
    // Creates the device for the surface, the white texture and the font atlas.
    explicit Renderer(const platform::RenderSurface& surface, RendererOptions options = {});
    // Runs over a given device (tests).
    explicit Renderer(std::unique_ptr<platform::RenderDevice> device);
    // Over a given device with a given font (tests that measure text without a system font).
    Renderer(std::unique_ptr<platform::RenderDevice> device, const platform::FontAtlas& atlas);
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;
    ~Renderer();

    void beginFrame();
    // Takes effect at the next beginFrame.
    void setDecoration(bool decoration);
    void drawImage(int slot, RectF destination, RectF texture, ColorF tint, ShaderMode mode,
                   float time);
    void fillRect(RectF rect, ColorF color);
    // border 0 fills the rectangle.
    void drawRoundedRect(RectF rect, float radius, ColorF color, float border);
    void fillTriangle(float x0, float y0, float x1, float y1, float x2, float y2, ColorF color);
    void drawLine(float x0, float y0, float x1, float y1, float width, ColorF color);
    // y is the top of the line box; size is the character height; a line feed starts a new line.
    void drawText(std::wstring_view text, float x, float y, float size, ColorF color,
                  float tracking);
    float measureText(std::wstring_view text, float size, float tracking) const;
    void endFrame(std::uint8_t syncInterval);

    std::vector<std::uint32_t> readBack(std::uint32_t& width, std::uint32_t& height);
    void capturePng(const std::filesystem::path& path);
    int uploadTexture(std::uint32_t width, std::uint32_t height,
                      const std::vector<std::uint32_t>& pixels);
    int loadImage(const std::filesystem::path& path);
    // The slot of the 1 x 1 white texture, made first; effects and fills draw with it.
    int whiteTexture() const;

    void windowToDesign(int x, int y, float& designX, float& designY) const;
    std::uint64_t frameCount() const;
    float designWidth() const;
    int width() const;
    int height() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace lumenark
