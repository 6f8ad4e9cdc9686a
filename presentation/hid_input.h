#pragma once
// Game pads that are not XInput devices, read from the window's raw-input reports. Each known
// device keeps its buttons in the PadButton layout and four direction bits; the launcher uses
// them to capture a controller button for a binding.
#include "platform/hid_devices.h"
#include "shared/pad_buttons.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <span>
#include <vector>

namespace lumenark {

namespace HidDirection {
inline constexpr std::uint32_t up = 1;
inline constexpr std::uint32_t down = 2;
inline constexpr std::uint32_t left = 4;
inline constexpr std::uint32_t right = 8;
} // namespace HidDirection

inline constexpr std::uint16_t hidUsageX = 0x30;
inline constexpr std::uint16_t hidUsageY = 0x31;
inline constexpr std::uint16_t hidUsageHatSwitch = 0x39;

// Low 32 bits: the button mask; high 32 bits: the direction bits.
using HidPadState = std::uint64_t;

struct HidAxis {
    std::uint16_t usage = 0;
    std::int32_t logicalMinimum = 0;
    std::int32_t logicalMaximum = 0;
};

struct HidDevice {
    std::vector<std::uint8_t> preparsed;
    std::vector<HidAxis> axes;
    std::uint32_t buttons = 0;
    std::uint32_t directions = 0;
    std::uint64_t arrival = 0;
};

// The PadButton bit of a HID button usage (page 9); 0 for usages without a place.
constexpr qxlauncher::PadButtons hidButtonMap(std::uint32_t usage) {
    return usage > 24 ? 0 : qxlauncher::hidButtonMask(static_cast<int>(usage));
}

// The direction bits of a hat position (value less logical minimum); 0 for the null state.
std::uint32_t hatDirections(std::int64_t position);

std::uint32_t padButtonsOf(std::span<const std::uint16_t> usages);

// The direction bits an axis value sets; none when the axis has no range.
std::uint32_t axisDirections(const HidAxis& axis, std::uint32_t value);

class HidInput {
public:
    // The process-wide reader over the system's HID services, made on first use.
    static HidInput& instance();

    // Null services: HID input is off.
    explicit HidInput(std::unique_ptr<platform::HidDevices> devices);
    HidInput(const HidInput&) = delete;
    HidInput& operator=(const HidInput&) = delete;

    bool available() const { return devices_ != nullptr; }

    // The WM_INPUT handler.
    void onRawInput(platform::RawInputHandle input);
    // For a removal notice: the device is probed afresh when it reports again.
    void removeDevice(platform::RawDeviceHandle device);
    // One state per known device, in the order in which devices first reported.
    std::vector<HidPadState> snapshot() const;

private:
    bool probeDevice(platform::RawDeviceHandle device, HidDevice& record);
    void readReport(HidDevice& record, std::span<const std::uint8_t> report,
                    const platform::HidUsages& usages);

    std::unique_ptr<platform::HidDevices> devices_;
    mutable std::mutex mutex_;
    std::map<platform::RawDeviceHandle, HidDevice> deviceMap_;
    std::set<platform::RawDeviceHandle> ignored_;
    std::uint64_t nextArrival_ = 0;
};

} // namespace lumenark
