#include "app/input/focus_follow.h"

#include <algorithm>

namespace lumenark {
namespace {

// The position of the id in the list, or -1.
int positionOf(const std::vector<int>& list, int id) {
    const auto found = std::find(list.begin(), list.end(), id);
    return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

} // namespace

int placedFocusPosition(const std::vector<int>& order, int wanted,
                        const std::vector<int>& undoing) {
    const auto undoes = [&](int id) { return positionOf(undoing, id) >= 0; };
    const int count = static_cast<int>(order.size());
    if (wanted != noFocusPosition && count > 0) {
        const int position = std::clamp(wanted, 0, count - 1);
        if (!undoes(order[static_cast<std::size_t>(position)])) {
            return position;
        }
    }
    const auto first =
        std::find_if(order.begin(), order.end(), [&](int id) { return !undoes(id); });
    return first == order.end() ? noFocusPosition : static_cast<int>(first - order.begin());
}

int followedFocusPosition(const std::vector<int>& previous, int focused,
                          const std::vector<int>& next, const std::vector<int>& undoing) {
    const int was = positionOf(previous, focused);
    if (was < 0) {
        return placedFocusPosition(next, noFocusPosition, undoing);
    }
    if (const int now = positionOf(next, focused); now >= 0) {
        return now;
    }
    const auto survivor = [&](int at) {
        const int id = previous[static_cast<std::size_t>(at)];
        return positionOf(undoing, id) >= 0 ? -1 : positionOf(next, id);
    };
    const int count = static_cast<int>(previous.size());
    for (int after = was + 1; after < count; ++after) {
        if (const int now = survivor(after); now >= 0) {
            return now;
        }
    }
    for (int before = was - 1; before >= 0; --before) {
        if (const int now = survivor(before); now >= 0) {
            return now;
        }
    }
    return placedFocusPosition(next, noFocusPosition, undoing);
}

} // namespace lumenark
