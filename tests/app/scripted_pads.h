#pragma once
// Game pads a test scripts: each XInput slot holds a controller's state or nothing, every read is
// counted, and the HID pads' snapshot is a list the test sets.
#include "platform/controllers.h"
#include "presentation/hid_input.h"

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace apptest {

struct PadScript {
    std::array<std::optional<platform::ControllerState>, platform::controllerSlots> slots;
    std::array<int, platform::controllerSlots> reads{};
    std::vector<lumenark::HidPadState> hid;

    // Slot 0 with nothing held.
    void connectIdle(int slot = 0) { slots.at(static_cast<std::size_t>(slot)).emplace(); }
    platform::ControllerState& pad(int slot = 0) {
        return slots.at(static_cast<std::size_t>(slot)).value();
    }
    int totalReads() const {
        int total = 0;
        for (const int count : reads) {
            total += count;
        }
        return total;
    }
};

class ScriptedControllers final : public platform::Controllers {
public:
    explicit ScriptedControllers(std::shared_ptr<PadScript> script) : script_(std::move(script)) {}

    bool readState(int slot, platform::ControllerState& state) override {
        const auto index = static_cast<std::size_t>(slot);
        ++script_->reads.at(index);
        if (!script_->slots.at(index)) {
            return false;
        }
        state = *script_->slots.at(index);
        return true;
    }

private:
    std::shared_ptr<PadScript> script_;
};

} // namespace apptest
