#include "tests/windows_stage/linux_frames.h"

#include "app/app.h"
#include "platform/clock.h"
#include "platform/controllers.h"
#include "platform/desktop.h"
#include "platform/render_device.h"
#include "presentation/launcher_layers.h"
#include "presentation/launcher_layers_cpu.h"
#include "presentation/renderer.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <utility>

namespace stagetest {
namespace {

using lumenark::NavSection;
using lumenark::SettingsTab;
using lumenark::ShaderMode;

// The font atlas is the renderer's second texture, after the white one.
constexpr int fontSlot = 1;

bool drawnBy(Omission omission, const platform::DrawCommand& draw) {
    const auto mode = static_cast<int>(draw.constants.params[3]);
    switch (omission) {
    case Omission::fire:
        return mode == static_cast<int>(ShaderMode::Fire);
    case Omission::fog:
        return mode == static_cast<int>(ShaderMode::Fog);
    case Omission::scanlines:
        return mode == static_cast<int>(ShaderMode::Scanlines);
    case Omission::glow:
        return mode == static_cast<int>(ShaderMode::Glow);
    case Omission::roundedRectangles:
        return mode == static_cast<int>(ShaderMode::RoundedRect);
    case Omission::text:
        return draw.slot == fontSlot;
    case Omission::nothing:
    case Omission::letterboxOrnament:
        return false;
    }
    return false;
}

PixelRect boundsOf(const platform::DrawCommand& draw) {
    const float* r = draw.constants.rect;
    return {static_cast<int>(std::floor(r[0])), static_cast<int>(std::floor(r[1])),
            static_cast<int>(std::ceil(r[0] + r[2])), static_cast<int>(std::ceil(r[1] + r[3]))};
}

// The Linux build's device, handed each frame without the drawing left out.
class OmittingDevice final : public platform::RenderDevice {
public:
    OmittingDevice(int width, int height, Omission omission, std::vector<PixelRect>& omitted)
        : omission_(omission), omitted_(omitted) {
        platform::RenderDeviceOptions options;
        options.shaderSource = lumenark::launcherLayersSource;
        options.shaderName = lumenark::launcherLayersName;
        options.cpuProgram = &lumenark::hlsl::launcherLayersCpuProgram;
        options.capture = true;
        inner_ = platform::createRenderDevice({nullptr, width, height}, options);
    }

    platform::ClientSize clientSize() override { return inner_->clientSize(); }
    void resizeBuffers(int width, int height) override { inner_->resizeBuffers(width, height); }
    void waitForGpu() override { inner_->waitForGpu(); }
    int createTexture(std::uint32_t width, std::uint32_t height,
                      const std::vector<std::uint32_t>& pixels) override {
        return inner_->createTexture(width, height, pixels);
    }
    void executeFrame(const platform::FrameRecording& frame, std::uint8_t sync) override {
        platform::FrameRecording kept = frame;
        omitted_.clear();
        if (omission_ == Omission::letterboxOrnament) {
            for (const auto& clear : kept.clears) {
                omitted_.push_back({clear.left, clear.top, clear.right, clear.bottom});
            }
            kept.clears.clear();
        }
        std::erase_if(kept.draws, [&](const platform::DrawCommand& draw) {
            if (!drawnBy(omission_, draw)) {
                return false;
            }
            omitted_.push_back(boundsOf(draw));
            return true;
        });
        inner_->executeFrame(kept, sync);
    }
    std::vector<std::uint32_t> readBack(std::uint32_t& width, std::uint32_t& height) override {
        return inner_->readBack(width, height);
    }

private:
    Omission omission_;
    std::vector<PixelRect>& omitted_;
    std::unique_ptr<platform::RenderDevice> inner_;
};

struct CapturePage {
    const char* name;
    bool settingsOpen;
    SettingsTab tab;
    std::optional<NavSection> section;
};

const CapturePage& capturePage(const std::string& name) {
    static const CapturePage pages[] = {
        {"overview", false, SettingsTab::launcher, NavSection::overview},
        {"roms", false, SettingsTab::launcher, NavSection::romSetup},
        {"build", false, SettingsTab::launcher, NavSection::build},
        {"play", false, SettingsTab::launcher, NavSection::play},
        {"legal", false, SettingsTab::launcher, NavSection::legal},
        {"settings-launcher", true, SettingsTab::launcher, std::nullopt},
        {"settings-controls", true, SettingsTab::controls, std::nullopt},
        {"settings-display", true, SettingsTab::display, std::nullopt},
    };
    for (const auto& page : pages) {
        if (name == page.name) {
            return page;
        }
    }
    throw std::invalid_argument("no capture page " + name);
}

// An App over the root whose monotonic clock the caller sets, drawing through the device.
class FrameApp {
public:
    FrameApp(const std::filesystem::path& root, int width, int height, Omission omission)
        : now_(std::make_shared<std::atomic<std::uint64_t>>(platform::monotonic100ns())) {
        lumenark::AppServices services;
        services.tickMilliseconds = platform::tickCountMilliseconds;
        services.monotonic100ns = [now = now_] { return now->load(); };
        services.sleepMilliseconds = platform::sleepMilliseconds;
        services.desktop = platform::createDesktop();
        services.loadControllers = platform::loadControllers;
        services.hidSnapshot = [] { return std::vector<lumenark::HidPadState>{}; };
        services.pollGames = [](const qxlauncher::StartupContext&) {
            return lumenark::GameFlags{};
        };
        qxlauncher::StartupContext context;
        context.projectRoot = root;
        app_ = std::make_unique<lumenark::App>(context, std::move(services));
        app_->attachRenderer(std::make_unique<lumenark::Renderer>(
            std::make_unique<OmittingDevice>(width, height, omission, omitted_)));
    }
    FrameApp(const FrameApp&) = delete;
    FrameApp& operator=(const FrameApp&) = delete;
    ~FrameApp() { app_->shutdown(); }

    lumenark::App& app() { return *app_; }
    void advance(double seconds) {
        now_->fetch_add(static_cast<std::uint64_t>(std::llround(seconds * 1.0e7)));
    }

    LinuxFrame frame() {
        LinuxFrame result;
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        result.image.pixels = app_->renderer()->readBack(width, height);
        result.image.width = static_cast<int>(width);
        result.image.height = static_cast<int>(height);
        result.omitted = omitted_;
        return result;
    }

private:
    std::shared_ptr<std::atomic<std::uint64_t>> now_;
    std::vector<PixelRect> omitted_;
    std::unique_ptr<lumenark::App> app_;
};

} // namespace

LinuxFrame renderCapture(const std::filesystem::path& root, const std::string& page,
                         Omission omission) {
    const CapturePage& request = capturePage(page);
    FrameApp frames(root, 1536, 1024, omission);
    frames.app().prepareCapture(request.settingsOpen, request.tab, request.section);
    frames.app().render(1.0, true);
    return frames.frame();
}

LinuxFrame renderWindowFrame(const std::filesystem::path& root, int width, int height,
                             double seconds, Omission omission) {
    FrameApp frames(root, width, height, omission);
    frames.advance(seconds);
    // A whole second of easing: the cabinets' highlights have settled, as in a running window.
    frames.app().render(1.0, false);
    return frames.frame();
}

} // namespace stagetest
