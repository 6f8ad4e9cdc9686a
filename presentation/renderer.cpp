#include "presentation/renderer.h"

#include "platform/font_atlas.h"
#include "platform/image_codec.h"
#include "presentation/launcher_layers.h"
#include "presentation/launcher_layers_cpu.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace lumenark {
namespace {

constexpr float designHeight = 1024.0f;
constexpr float minDesignWidth = 1536.0f;
constexpr float maxDesignWidth = 1820.4445f; // 1024 * 16 / 9
constexpr float clearColor[4] = {0.002f, 0.003f, 0.008f, 1.0f};
constexpr float atlasHeight = static_cast<float>(platform::fontAtlasCharacterHeight);
constexpr float atlasSide = static_cast<float>(platform::fontAtlasSide);
constexpr float atlasCell = static_cast<float>(platform::fontAtlasCell);
constexpr std::uint32_t maxImageSide = 8192;
constexpr std::uint32_t placeholderPixel = 0xFF0A0B0D;

[[noreturn]] void fail(const char* label) {
    throw std::runtime_error(label);
}

// Calls `unit` with each UTF-16 code unit of the text. Where wchar_t holds whole code points,
// one above U+FFFF stands for its two surrogates.
template <typename Unit> void forEachCodeUnit(std::wstring_view text, Unit unit) {
    for (const wchar_t ch : text) {
        const auto value = static_cast<std::uint32_t>(ch);
        if (value > 0xFFFF) {
            unit(0xD800u);
            unit(0xDC00u);
        } else {
            unit(value);
        }
    }
}

// Characters outside the atlas draw as "?".
std::uint32_t atlasCode(std::uint32_t unit) {
    return unit >= 256 ? 63u : unit;
}

} // namespace

struct Renderer::Impl {
    std::unique_ptr<platform::RenderDevice> device;
    int clientWidth = 0;
    int clientHeight = 0;
    float designWidth = minDesignWidth;
    float scale = 1.0f;
    float offsetX = 0.0f;
    float offsetY = 0.0f;
    std::uint64_t frameCount = 0;
    int textureCount = 0;
    int whiteTexture = -1;
    int fontTexture = -1;
    std::array<float, 256> glyphAdvance{};
    bool inFrame = false;
    bool decoration = true;
    platform::FrameRecording recording;

    explicit Impl(std::unique_ptr<platform::RenderDevice> renderDevice)
        : device(std::move(renderDevice)) {
        recording.clears.reserve(1024);
        recording.draws.reserve(8192);
    }

    void create(const platform::FontAtlas& atlas) {
        whiteTexture = createTexture(1, 1, {0xFFFFFFFFu});
        resize();
        glyphAdvance = atlas.glyphAdvance;
        fontTexture = createTexture(platform::fontAtlasSide, platform::fontAtlasSide, atlas.pixels);
    }

    void resize() {
        const platform::ClientSize size = device->clientSize();
        const int width = std::max(size.width, 1);
        const int height = std::max(size.height, 1);
        if (width == clientWidth && height == clientHeight) {
            return;
        }
        device->resizeBuffers(width, height);
        clientWidth = width;
        clientHeight = height;
        const float w = static_cast<float>(width);
        const float h = static_cast<float>(height);
        designWidth = std::clamp(w * designHeight / h, minDesignWidth, maxDesignWidth);
        scale = std::min(h / designHeight, w / designWidth);
        offsetX = (w - designWidth * scale) * 0.5f;
        offsetY = (h - designHeight * scale) * 0.5f;
    }

    struct Content {
        int left, top, right, bottom;
    };

    Content content() const {
        return {static_cast<int>(std::floor(offsetX)), static_cast<int>(std::floor(offsetY)),
                static_cast<int>(std::floor(offsetX + designWidth * scale)),
                static_cast<int>(std::floor(offsetY + designHeight * scale))};
    }

    void addClear(int left, int top, int right, int bottom, float r, float g, float b) {
        if (right > left && bottom > top) {
            recording.clears.push_back({left, top, right, bottom, r, g, b});
        }
    }

    // Clears the parts of a rectangle that lie outside the design rectangle.
    void clearOutsideContent(int left, int top, int right, int bottom, float r, float g, float b) {
        left = std::max(left, 0);
        top = std::max(top, 0);
        right = std::min(right, clientWidth);
        bottom = std::min(bottom, clientHeight);
        if (right <= left || bottom <= top) {
            return;
        }
        const Content c = content();
        addClear(left, top, right, std::min(c.top, bottom), r, g, b);
        addClear(left, std::max(c.bottom, top), right, bottom, r, g, b);
        const int rowTop = std::max(top, c.top);
        const int rowBottom = std::min(bottom, c.bottom);
        addClear(left, rowTop, std::min(c.left, right), rowBottom, r, g, b);
        addClear(std::max(c.right, left), rowTop, right, rowBottom, r, g, b);
    }

    void paintOrnament() {
        const int w = clientWidth;
        const int h = clientHeight;
        const Content c = content();
        const int k = h >= 1440 ? h / 720 : 1;
        clearOutsideContent(0, 0, w, h, 0.018f, 0.022f, 0.030f);
        const int band = 24 * k;
        for (int y = 0; y < h; y += band) {
            const int n = k * ((y / band) % 5);
            const int m = std::max(c.left / 2, 8 * k);
            clearOutsideContent(0, y, w, y + k, 0.026f, 0.031f, 0.042f);
            clearOutsideContent(std::max(c.left - m, 0) + n, y, c.left - 9 * k, y + 3 * k, 0.22f,
                                0.025f, 0.018f);
            clearOutsideContent(c.right + 9 * k, y, std::min(w, c.right + m) - n, y + 3 * k, 0.22f,
                                0.025f, 0.018f);
        }
        clearOutsideContent(c.left - 6 * k, 0, c.left - 3 * k, h, 0.46f, 0.23f, 0.065f);
        clearOutsideContent(c.right + 3 * k, 0, c.right + 6 * k, h, 0.46f, 0.23f, 0.065f);
        clearOutsideContent(c.left - 2 * k, c.top, c.left, c.bottom, 0.09f, 0.008f, 0.005f);
        clearOutsideContent(c.right, c.top, c.right + 2 * k, c.bottom, 0.09f, 0.008f, 0.005f);
        clearOutsideContent(c.left - 6 * k, c.top - 4 * k, c.right + 6 * k, c.top, 0.46f, 0.23f,
                            0.065f);
        clearOutsideContent(c.left - 6 * k, c.bottom, c.right + 6 * k, c.bottom + 4 * k, 0.46f,
                            0.23f, 0.065f);
    }

    void beginFrame() {
        resize();
        device->waitForGpu();
        recording.restart(clearColor);
        if (decoration) {
            paintOrnament();
        }
        inFrame = true;
    }

    // One draw in pixels.
    void draw(int slot, RectF rect, RectF texture, ColorF tint, float mode, float time) {
        if (!inFrame || slot < 0 || slot >= textureCount) {
            fail("launcher invalid draw");
        }
        platform::DrawCommand& command = recording.draws.emplace_back();
        command.slot = slot;
        command.vertexCount = mode == 10.0f ? 3u : 6u;
        command.constants = {
            {rect.x, rect.y, rect.width, rect.height},
            {texture.x, texture.y, texture.width, texture.height},
            {tint.r, tint.g, tint.b, tint.a},
            {static_cast<float>(clientWidth), static_cast<float>(clientHeight), time, mode}};
    }

    RectF toPixels(RectF r) const {
        return {r.x * scale + offsetX, r.y * scale + offsetY, r.width * scale, r.height * scale};
    }
    float pixelX(float x) const { return x * scale + offsetX; }
    float pixelY(float y) const { return y * scale + offsetY; }

    void fillTriangle(float x0, float y0, float x1, float y1, float x2, float y2, ColorF color) {
        draw(whiteTexture, {pixelX(x0), pixelY(y0), pixelX(x1), pixelY(y1)},
             {pixelX(x2), pixelY(y2), 0, 0}, color, 10.0f, 0.0f);
    }

    float advance(std::uint32_t code, float size, float tracking) const {
        return glyphAdvance[code] / atlasHeight * size + tracking;
    }

    void drawGlyph(std::uint32_t code, float x, float y, float size, ColorF color) {
        const float a = std::min(glyphAdvance[code] + 4.0f, 62.0f);
        const float column = static_cast<float>(code % 16);
        const float row = static_cast<float>(code / 16);
        const RectF destination{x, y, a / atlasHeight * size, size * atlasCell / atlasHeight};
        const RectF texture{column * atlasCell / atlasSide, row * atlasCell / atlasSide,
                            a / atlasSide, atlasCell / atlasSide};
        draw(fontTexture, toPixels(destination), texture, color,
             static_cast<float>(ShaderMode::Textured), 0.0f);
    }

    int createTexture(std::uint32_t width, std::uint32_t height,
                      const std::vector<std::uint32_t>& pixels) {
        // 64-bit product: two large sides must not wrap round to a small pixel count.
        const std::uint64_t count = static_cast<std::uint64_t>(width) * height;
        if (inFrame || textureCount >= static_cast<int>(platform::maxTextureSlots) || width == 0 ||
            height == 0 || count != pixels.size()) {
            fail("launcher invalid texture upload");
        }
        const int slot = device->createTexture(width, height, pixels);
        textureCount = slot + 1;
        return slot;
    }
};

Renderer::Renderer(const platform::RenderSurface& surface, RendererOptions options) {
    platform::RenderDeviceOptions deviceOptions;
    deviceOptions.shaderSource = launcherLayersSource;
    deviceOptions.shaderName = launcherLayersName;
    deviceOptions.cpuProgram = &hlsl::launcherLayersCpuProgram;
    deviceOptions.capture = options.capture;
    impl_ = std::make_unique<Impl>(platform::createRenderDevice(surface, deviceOptions));
    impl_->create(platform::buildFontAtlas());
}

Renderer::Renderer(std::unique_ptr<platform::RenderDevice> device)
    : impl_(std::make_unique<Impl>(std::move(device))) {
    impl_->create(platform::buildFontAtlas());
}

Renderer::Renderer(std::unique_ptr<platform::RenderDevice> device, const platform::FontAtlas& atlas)
    : impl_(std::make_unique<Impl>(std::move(device))) {
    impl_->create(atlas);
}

Renderer::~Renderer() {
    try {
        impl_->device->waitForGpu();
    } catch (const std::exception&) {
        // Shutting down: a device that cannot finish is released all the same.
    }
}

void Renderer::beginFrame() {
    impl_->beginFrame();
}

void Renderer::setDecoration(bool decoration) {
    impl_->decoration = decoration;
}

void Renderer::drawImage(int slot, RectF destination, RectF texture, ColorF tint, ShaderMode mode,
                         float time) {
    impl_->draw(slot, impl_->toPixels(destination), texture, tint,
                static_cast<float>(static_cast<int>(mode)), time);
}

void Renderer::fillRect(RectF rect, ColorF color) {
    impl_->draw(impl_->whiteTexture, impl_->toPixels(rect), {0, 0, 1, 1}, color,
                static_cast<float>(ShaderMode::Textured), 0.0f);
}

void Renderer::drawRoundedRect(RectF rect, float radius, ColorF color, float border) {
    impl_->draw(impl_->whiteTexture, impl_->toPixels(rect),
                {radius * impl_->scale, border * impl_->scale, 0, 0}, color,
                static_cast<float>(ShaderMode::RoundedRect), 0.0f);
}

void Renderer::fillTriangle(float x0, float y0, float x1, float y1, float x2, float y2,
                            ColorF color) {
    impl_->fillTriangle(x0, y0, x1, y1, x2, y2, color);
}

void Renderer::drawLine(float x0, float y0, float x1, float y1, float width, ColorF color) {
    const float dx = x1 - x0;
    const float dy = y1 - y0;
    const float d = std::hypot(dx, dy);
    if (d < 0.001f) {
        return;
    }
    const float nx = -dy / d * width * 0.5f;
    const float ny = dx / d * width * 0.5f;
    impl_->fillTriangle(x0 + nx, y0 + ny, x1 + nx, y1 + ny, x0 - nx, y0 - ny, color);
    impl_->fillTriangle(x0 - nx, y0 - ny, x1 + nx, y1 + ny, x1 - nx, y1 - ny, color);
}

void Renderer::drawText(std::wstring_view text, float x, float y, float size, ColorF color,
                        float tracking) {
    float penX = x;
    float penY = y;
    forEachCodeUnit(text, [&](std::uint32_t unit) {
        if (unit == 10) {
            penX = x;
            penY += size * 1.45f;
            return;
        }
        const std::uint32_t code = atlasCode(unit);
        if (code >= 32) {
            impl_->drawGlyph(code, penX, penY, size, color);
        }
        penX += impl_->advance(code, size, tracking);
    });
}

float Renderer::measureText(std::wstring_view text, float size, float tracking) const {
    float widest = 0.0f;
    float line = 0.0f;
    forEachCodeUnit(text, [&](std::uint32_t unit) {
        if (unit == 10) {
            widest = std::max(widest, line);
            line = 0.0f;
            return;
        }
        line += impl_->advance(atlasCode(unit), size, tracking);
    });
    return std::max(widest, line);
}

void Renderer::endFrame(std::uint8_t syncInterval) {
    if (!impl_->inFrame) {
        fail("launcher invalid draw");
    }
    impl_->inFrame = false;
    impl_->device->executeFrame(impl_->recording, syncInterval);
    ++impl_->frameCount;
}

std::vector<std::uint32_t> Renderer::readBack(std::uint32_t& width, std::uint32_t& height) {
    if (impl_->inFrame) {
        fail("launcher capture during frame");
    }
    return impl_->device->readBack(width, height);
}

void Renderer::capturePng(const std::filesystem::path& path) {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    const std::vector<std::uint32_t> pixels = readBack(width, height);
    platform::writePngFile(path, width, height, pixels);
}

int Renderer::uploadTexture(std::uint32_t width, std::uint32_t height,
                            const std::vector<std::uint32_t>& pixels) {
    return impl_->createTexture(width, height, pixels);
}

int Renderer::loadImage(const std::filesystem::path& path) {
    const std::unique_ptr<platform::ImageFile> file = platform::openImageFile(path);
    if (!file) {
        return impl_->createTexture(1, 1, {placeholderPixel});
    }
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    file->size(width, height);
    if (width < 1 || width > maxImageSide || height < 1 || height > maxImageSide) {
        fail("launcher asset dimensions");
    }
    return impl_->createTexture(width, height, file->pixels());
}

int Renderer::whiteTexture() const {
    return impl_->whiteTexture;
}

void Renderer::windowToDesign(int x, int y, float& designX, float& designY) const {
    designX = (static_cast<float>(x) - impl_->offsetX) / impl_->scale;
    designY = (static_cast<float>(y) - impl_->offsetY) / impl_->scale;
}

std::uint64_t Renderer::frameCount() const {
    return impl_->frameCount;
}

float Renderer::designWidth() const {
    return impl_->designWidth;
}

int Renderer::width() const {
    return impl_->clientWidth;
}

int Renderer::height() const {
    return impl_->clientHeight;
}

} // namespace lumenark
