// The App's side of the window's input messages. The window procedure (platform/<os>/window.cpp)
// only translates messages into these calls; what a click, a key or a pad does is the input
// handling's.
#include "app/app.h"
#include "app/input/hit_testing.h"
#include "presentation/hid_input.h"

#include <algorithm>
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

// --- The mouse --------------------------------------------------------------------------------
// Without a renderer there is no design space to map to, and the mouse is ignored.

int App::controlIdAt(float designX, float designY) const {
    const HitRegion* region = regionAt(hitRegions_, designX, designY);
    return region != nullptr ? region->id : -1;
}

void App::onMouseMove(int x, int y) {
    if (renderer_ == nullptr) {
        return;
    }
    layoutHitRegions();
    renderer_->windowToDesign(x, y, cursorX_, cursorY_);
    const int candidate = controlIdAt(cursorX_, cursorY_);
    dragSlider();
    if (candidate != hoveredControl_) {
        hoveredControl_ = candidate;
        const auto first =
            std::find_if(hitRegions_.begin(), hitRegions_.end(),
                         [candidate](const HitRegion& region) { return region.id == candidate; });
        cursor_ = first != hitRegions_.end() && first->enabled ? platform::CursorShape::hand
                                                               : platform::CursorShape::arrow;
        desktop().setCursor(cursor_);
    }
    inputSeen_ = true;
}

void App::onMouseDown(int x, int y) {
    if (renderer_ == nullptr) {
        return;
    }
    onMouseMove(x, y);
    // A disabled control is pressed too; the dispatcher refuses it on release.
    pressedControl_ = controlIdAt(cursorX_, cursorY_);
    dragSlider();
    if (window_ != nullptr) {
        window_->captureMouse();
    }
}

void App::onMouseUp(int x, int y) {
    if (renderer_ == nullptr) {
        return;
    }
    onMouseMove(x, y);
    const int released = hitRegions_.empty() ? -1 : controlIdAt(cursorX_, cursorY_);
    const int pressed = pressedControl_;
    pressedControl_ = -1;
    if (window_ != nullptr) {
        window_->releaseMouseCapture();
    }
    // A click acts only where it began.
    if (!hitRegions_.empty() && released == pressed && released >= 0) {
        activate(released);
    }
}

} // namespace lumenark
