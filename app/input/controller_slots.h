#pragma once
// The four XInput slots as the launcher keeps them between polls: each slot's last state, whether
// a controller answered there, when a silent slot is asked again, and which slots play as P1 and
// P2.
#include "platform/controllers.h"

#include <array>
#include <cstdint>

namespace lumenark {

// A slot that did not answer is asked again this much later.
inline constexpr std::uint64_t controllerRetryMilliseconds = 250;

struct ControllerSlots {
    std::array<platform::ControllerState, platform::controllerSlots> states{};
    std::array<bool, platform::controllerSlots> connected{};
    // When a slot that did not answer is asked again (tick milliseconds).
    std::array<std::uint64_t, platform::controllerSlots> retryAt{};
    // The slots of P1 and P2; -1 for none.
    std::array<int, 2> players{-1, -1};

    // Asks every slot that answered last time, or whose retry time has come; a slot without an
    // answer (no XInput at all included) is not connected and is asked again later. Then a
    // player whose slot went away loses it, and every other connected slot takes the first free
    // player, in slot order.
    void poll(platform::Controllers* controllers, std::uint64_t now);
    // The first connected slot, or -1.
    int firstConnected() const;
    int connectedCount() const;
    void seatPlayers();
};

} // namespace lumenark
