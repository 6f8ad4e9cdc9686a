// The focus: a position in the current focus list and the control it was on. The player places
// it (the movement keys, and the sections, tabs and pages that set it); when the list changes
// under it for any other reason, it follows its control before the next key or frame uses it.
#include "app/app.h"

#include "app/input/focus_follow.h"

namespace lumenark {

void App::placeFocus(int position) {
    focusPosition_ = position;
    focusList_ = focusOrder();
    focusedControl_ = focusedControlAtPosition(focusList_);
}

void App::settleFocus() {
    std::vector<int> order = focusOrder();
    if (order != focusList_) {
        focusPosition_ = followedFocusPosition(focusList_, focusedControl_, order, focusPosition_);
        focusList_ = std::move(order);
    }
    focusedControl_ = focusedControlAtPosition(focusList_);
}

int App::focusedControlAtPosition(const std::vector<int>& order) const {
    if (focusPosition_ < 0 || static_cast<std::size_t>(focusPosition_) >= order.size()) {
        return -1;
    }
    return order[static_cast<std::size_t>(focusPosition_)];
}

} // namespace lumenark
