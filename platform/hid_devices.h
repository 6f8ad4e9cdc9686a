#pragma once
// Game pads that are not XInput devices: the window's raw-input reports and the parsing calls
// of the system's HID library. Windows loads "hid.dll" from the system folder; the Linux build
// has no HID reader (loadHidDevices gives null there), so HID input is off.
#include "platform/handle.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

using RawInputHandle = void*;
using RawDeviceHandle = void*;

// One WM_INPUT block of HID reports, all of the same size, back to back.
struct RawHidInput {
    RawDeviceHandle device = nullptr;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::vector<std::uint8_t> reports;
};

// An input value capability of a device, as its preparsed data describes it.
struct HidValueCapability {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::int32_t logicalMinimum = 0;
    std::int32_t logicalMaximum = 0;
};

// The pressed usages of a page in one report.
struct HidUsages {
    enum class Status {
        read,
        // The report is one of another report id of the collection (battery, motion): it carries
        // none of the page's usages (HIDP_STATUS_INCOMPATIBLE_REPORT_ID).
        otherReport,
        failed,
    };
    Status status = Status::failed;
    std::vector<std::uint16_t> usages; // when read
};

class HidDevices {
public:
    virtual ~HidDevices() = default;

    // The raw-input side. Each gives nothing when the system call fails or returns too little.
    virtual std::optional<RawHidInput> readInput(RawInputHandle input) = 0;
    virtual std::optional<std::wstring> deviceName(RawDeviceHandle device) = 0;
    virtual std::optional<std::vector<std::uint8_t>> preparsedData(RawDeviceHandle device) = 0;

    // The parsing side. `inputValueCapabilityCount` gives nothing unless the capabilities were
    // read with success.
    virtual std::optional<std::uint16_t>
    inputValueCapabilityCount(const std::vector<std::uint8_t>& preparsed) = 0;
    virtual std::optional<std::vector<HidValueCapability>>
    inputValueCapabilities(const std::vector<std::uint8_t>& preparsed, std::uint16_t count) = 0;
    // The pressed usages of a page (at most 64).
    virtual HidUsages pressedUsages(const std::vector<std::uint8_t>& preparsed,
                                    std::span<const std::uint8_t> report,
                                    std::uint16_t usagePage) = 0;
    virtual std::optional<std::uint32_t> usageValue(const std::vector<std::uint8_t>& preparsed,
                                                    std::span<const std::uint8_t> report,
                                                    std::uint16_t usagePage,
                                                    std::uint16_t usage) = 0;
};

// Null when the HID library or one of its four parsing functions is missing.
std::unique_ptr<HidDevices> loadHidDevices();

// Asks for the reports of joysticks and game pads, with arrival and removal notices, for the
// window. The result is not checked.
void registerPadRawInput(WindowHandle window);

} // namespace platform
