// The focus: a position in the current focus list and the control it was on. The player moves
// it with the movement keys; the launcher places it when a page, Settings or a tab is entered or
// left and when the list changes under it, always by the rule of `focus_follow.h`, so that a
// focus the player did not move is never on a control that undoes the player's work.
#include "app/app.h"

#include "app/control_ids.h"
#include "app/input/focus_follow.h"

namespace lumenark {

void App::placeFocus(int wanted) {
    focusList_ = focusOrder();
    focusPosition_ = placedFocusPosition(focusList_, wanted, undoingControls());
    focusedControl_ = focusedControlAtPosition(focusList_);
}

void App::moveFocus(int position) {
    focusPosition_ = position;
    focusList_ = focusOrder();
    focusedControl_ = focusedControlAtPosition(focusList_);
}

void App::settleFocus() {
    std::vector<int> order = focusOrder();
    if (order != focusList_) {
        focusPosition_ =
            followedFocusPosition(focusList_, focusedControl_, order, undoingControls());
        focusList_ = std::move(order);
    }
    focusedControl_ = focusedControlAtPosition(focusList_);
}

std::vector<int> App::undoingControls() const {
    std::vector<int> undoing;
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        undoing.push_back(cancelControlId(game));
    }
    if (backend_.ownershipConfirmed()) {
        undoing.push_back(ownershipControlId);
    }
    return undoing;
}

int App::focusedControlAtPosition(const std::vector<int>& order) const {
    if (focusPosition_ < 0 || static_cast<std::size_t>(focusPosition_) >= order.size()) {
        return -1;
    }
    return order[static_cast<std::size_t>(focusPosition_)];
}

} // namespace lumenark
