#include "app/input/controller_slots.h"

#include <algorithm>

namespace lumenark {

void ControllerSlots::poll(platform::Controllers* controllers, std::uint64_t now) {
    for (std::size_t slot = 0; slot < states.size(); ++slot) {
        if (!connected[slot] && now < retryAt[slot]) {
            continue;
        }
        states[slot] = {};
        connected[slot] =
            controllers != nullptr && controllers->readState(static_cast<int>(slot), states[slot]);
        if (!connected[slot]) {
            states[slot] = {};
            retryAt[slot] = now + controllerRetryMilliseconds;
        }
    }
    seatPlayers();
}

void ControllerSlots::seatPlayers() {
    for (int& player : players) {
        if (player >= 0 && !connected.at(static_cast<std::size_t>(player))) {
            player = -1;
        }
    }
    for (int slot = 0; slot < platform::controllerSlots; ++slot) {
        if (!connected[static_cast<std::size_t>(slot)] ||
            std::find(players.begin(), players.end(), slot) != players.end()) {
            continue;
        }
        const auto free = std::find(players.begin(), players.end(), -1);
        if (free != players.end()) {
            *free = slot;
        }
    }
}

int ControllerSlots::firstConnected() const {
    const auto found = std::find(connected.begin(), connected.end(), true);
    return found == connected.end() ? -1 : static_cast<int>(found - connected.begin());
}

int ControllerSlots::connectedCount() const {
    return static_cast<int>(std::count(connected.begin(), connected.end(), true));
}

} // namespace lumenark
