#pragma once
// Drives an App as a person and a pad would, step by step: the mouse over a control's region in
// client pixels (the fixture's client is the design space at scale 1), keys, the pad in slot 0
// and the fake clock in the steps the main loop polls the controllers with. A fake window takes
// what the App asks of it while the script lives; the script is made after the App and ends
// before it.
#include "app/app.h"
#include "tests/app/app_fixture.h"

#include <cstdint>
#include <vector>

namespace apptest {

class InputScript {
public:
    InputScript(AppFixture& fixture, lumenark::App& app);
    InputScript(const InputScript&) = delete;
    InputScript& operator=(const InputScript&) = delete;
    ~InputScript();

    // The mouse at the centre of the control's region in the current hit list.
    void moveTo(int id);
    void pressOn(int id);
    void releaseOn(int id);
    void click(int id) {
        pressOn(id);
        releaseOn(id);
    }
    void key(int virtualKey) { app_.onKeyDown(virtualKey, false); }
    // Puts the focus on a control of the current focus list (a failure when it is not there).
    void focusOn(int id);

    // The pad in slot 0, connected with nothing held until the test changes it.
    platform::ControllerState& pad();
    // An idle pad in slot 0 and one poll: nothing is held, so the navigation arms.
    void connectPad() {
        pad();
        poll();
    }
    // Sets the pad's buttons (the sticks and triggers stay).
    void hold(std::uint16_t buttons) { pad().buttons = buttons; }
    void releaseAll() { pad() = {}; }
    // Steps the clock by one controller period, then polls as the main loop does.
    void poll();
    // Polls for this long, one controller period at a time.
    void pollFor(std::uint64_t milliseconds);
    // Polls for this long and returns when, in milliseconds after the first of these polls, the
    // watched value changed.
    template <typename Watch> std::vector<std::uint64_t> changesWhile(std::uint64_t ms, Watch w);

    FakeWindow window;

private:
    AppFixture& fixture_;
    lumenark::App& app_;
};

template <typename Watch>
std::vector<std::uint64_t> InputScript::changesWhile(std::uint64_t ms, Watch watch) {
    std::vector<std::uint64_t> changes;
    const std::uint64_t start =
        fixture_.clock->tickMilliseconds() + lumenark::controllerPollMilliseconds;
    auto seen = watch();
    while (fixture_.clock->tickMilliseconds() + lumenark::controllerPollMilliseconds <=
           start + ms) {
        poll();
        auto now = watch();
        if (now != seen) {
            changes.push_back(fixture_.clock->tickMilliseconds() - start);
            seen = now;
        }
    }
    return changes;
}

} // namespace apptest
