#include "tests/app/input_script.h"

#include "tests/app/app_probe.h"
#include "tests/app/page_scene.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace apptest {

namespace {

// The centre of a region, in client pixels of a client the size of the design space.
std::pair<int, int> centreOf(lumenark::App& app, int id) {
    app.layoutHitRegions();
    const lumenark::HitRegion region = regionOf(app, id);
    return {static_cast<int>(region.x + region.width / 2),
            static_cast<int>(region.y + region.height / 2)};
}

} // namespace

InputScript::InputScript(AppFixture& fixture, lumenark::App& app) : fixture_(fixture), app_(app) {
    window.events = &app;
    app.attachWindow(&window);
}

InputScript::~InputScript() {
    app_.attachWindow(nullptr);
}

void InputScript::moveTo(int id) {
    const auto [x, y] = centreOf(app_, id);
    app_.onMouseMove(x, y);
}

void InputScript::pressOn(int id) {
    const auto [x, y] = centreOf(app_, id);
    app_.onMouseDown(x, y);
}

void InputScript::releaseOn(int id) {
    const auto [x, y] = centreOf(app_, id);
    app_.onMouseUp(x, y);
}

void InputScript::focusOn(int id) {
    const std::vector<int> order = app_.focusOrder();
    const auto found = std::find(order.begin(), order.end(), id);
    if (found == order.end()) {
        ADD_FAILURE() << "no focus on " << id;
        return;
    }
    lumenark::AppProbe::stageFocusPosition(app_, static_cast<int>(found - order.begin()));
}

platform::ControllerState& InputScript::pad() {
    if (!fixture_.pads->slots[0]) {
        fixture_.pads->connectIdle(0);
    }
    return fixture_.pads->pad(0);
}

void InputScript::poll() {
    fixture_.clock->advanceMilliseconds(lumenark::controllerPollMilliseconds);
    app_.pollControllers();
}

void InputScript::pollFor(std::uint64_t milliseconds) {
    for (std::uint64_t elapsed = 0; elapsed < milliseconds;
         elapsed += lumenark::controllerPollMilliseconds) {
        poll();
    }
}

} // namespace apptest
