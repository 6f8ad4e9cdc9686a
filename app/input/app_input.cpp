// The App's side of the window's input messages. The window procedure (platform/<os>/window.cpp)
// only translates messages into these calls; what a click, a key or a pad does is the input
// handling's.
#include "app/app.h"
#include "app/input/hit_testing.h"
#include "presentation/hid_input.h"

#include <optional>

namespace lumenark {

void App::onKeyDown(int virtualKey, bool repeat) {
    // A key held down repeats; only its first press counts.
    if (!repeat) {
        onKeyDown(virtualKey);
    }
}

void App::onRawInput(platform::RawInputHandle input) {
    HidInput::instance().onRawInput(input);
}

void App::onInputDeviceRemoved(platform::RawDeviceHandle device) {
    HidInput::instance().removeDevice(device);
}

void App::onCaptureLost() {
    pressedControl_ = -1;
}

bool App::controlRegionAt(float designX, float designY) const {
    const HitRegion* region = regionAt(hitRegions_, designX, designY);
    return region != nullptr && region->id >= 0;
}

platform::WindowArea App::hitTest(int x, int y, int clientWidth, int clientHeight) {
    std::optional<CaptionProbe> probe;
    if (renderer_ != nullptr) {
        float designX = 0.0f;
        float designY = 0.0f;
        renderer_->windowToDesign(x, y, designX, designY);
        probe = CaptionProbe{designY, controlRegionAt(designX, designY)};
    }
    return borderlessHitTest(x, y, clientWidth, clientHeight, fullscreen_, probe);
}

// --- Stubs: the input handling fills these in next ------------------------------------------
// Mouse: the cursor position in design units, the hovered and pressed ids, the hand cursor
// (cursor_ and desktop().setCursor), SetCapture and ReleaseCapture through window_.

void App::onMouseMove(int, int) {
    // Stub.
}

void App::onMouseDown(int, int) {
    // Stub.
}

void App::onMouseUp(int, int) {
    // Stub.
}

// Keyboard: hot keys, focus movement, binding capture.
void App::onKeyDown(int) {
    // Stub.
}

} // namespace lumenark
