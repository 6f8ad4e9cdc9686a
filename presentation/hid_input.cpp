#include "presentation/hid_input.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace lumenark {

namespace {

constexpr std::uint16_t genericDesktopPage = 1;
constexpr std::uint16_t buttonPage = 9;

constexpr std::uint32_t hatTable[8] = {
    HidDirection::up,    HidDirection::up | HidDirection::right,
    HidDirection::right, HidDirection::down | HidDirection::right,
    HidDirection::down,  HidDirection::down | HidDirection::left,
    HidDirection::left,  HidDirection::up | HidDirection::left,
};

bool isAxisUsage(std::uint16_t usage) {
    return usage == hidUsageX || usage == hidUsageY || usage == hidUsageHatSwitch;
}

// XInput devices carry "IG_" in their name; XInput reads them.
bool isXInputDevice(std::wstring_view name) {
    return name.find(L"IG_") != std::wstring_view::npos;
}

} // namespace

std::uint32_t hatDirections(std::int64_t position) {
    if (position < 0 || position > 7) {
        return 0;
    }
    return hatTable[position];
}

std::uint32_t padButtonsOf(std::span<const std::uint16_t> usages) {
    std::uint32_t mask = 0;
    for (const std::uint16_t usage : usages) {
        mask |= hidButtonMap(usage);
    }
    return mask;
}

std::uint32_t axisDirections(const HidAxis& axis, std::uint32_t value) {
    if (axis.logicalMaximum <= axis.logicalMinimum) {
        return 0;
    }
    const double offset = static_cast<double>(value) - static_cast<double>(axis.logicalMinimum);
    if (axis.usage == hidUsageHatSwitch) {
        return hatDirections(static_cast<std::int64_t>(offset));
    }
    const double f = offset / (static_cast<double>(axis.logicalMaximum) -
                               static_cast<double>(axis.logicalMinimum));
    const bool horizontal = axis.usage == hidUsageX;
    if (f < 0.25) {
        return horizontal ? HidDirection::left : HidDirection::up;
    }
    if (f > 0.75) {
        return horizontal ? HidDirection::right : HidDirection::down;
    }
    return 0;
}

HidInput& HidInput::instance() {
    static HidInput reader(platform::loadHidDevices());
    return reader;
}

HidInput::HidInput(std::unique_ptr<platform::HidDevices> devices) : devices_(std::move(devices)) {}

void HidInput::onRawInput(platform::RawInputHandle input) {
    if (!devices_) {
        return;
    }
    const auto block = devices_->readInput(input);
    if (!block || block->reportCount == 0) {
        return;
    }
    // A block that claims more than it holds is dropped rather than read past its end.
    const std::uint64_t needed = static_cast<std::uint64_t>(block->reportSize) * block->reportCount;
    if (needed > block->reports.size()) {
        return;
    }
    const std::lock_guard lock(mutex_);
    if (ignored_.contains(block->device)) {
        return;
    }
    auto known = deviceMap_.find(block->device);
    if (known == deviceMap_.end()) {
        HidDevice record;
        if (!probeDevice(block->device, record)) {
            ignored_.insert(block->device);
            return;
        }
        known = deviceMap_.emplace(block->device, std::move(record)).first;
    }
    // The newest report that carries the collection's buttons decides. A pad may send its
    // battery or motion in reports of another id, which hold no buttons: those leave the
    // device's buttons and directions as they were, also when they come last in a block.
    const std::span<const std::uint8_t> reports(block->reports);
    for (std::uint32_t index = block->reportCount; index-- > 0;) {
        const auto report =
            reports.subspan(static_cast<std::size_t>(block->reportSize) * index, block->reportSize);
        const platform::HidUsages usages =
            devices_->pressedUsages(known->second.preparsed, report, buttonPage);
        if (usages.status != platform::HidUsages::Status::otherReport) {
            readReport(known->second, report, usages);
            return;
        }
    }
}

void HidInput::readReport(HidDevice& record, std::span<const std::uint8_t> report,
                          const platform::HidUsages& usages) {
    // Any other failed read of the buttons gives none.
    const std::uint32_t buttons =
        usages.status == platform::HidUsages::Status::read ? padButtonsOf(usages.usages) : 0;
    std::uint32_t directions = 0;
    for (const HidAxis& axis : record.axes) {
        if (axis.logicalMaximum <= axis.logicalMinimum) {
            continue;
        }
        const auto value =
            devices_->usageValue(record.preparsed, report, genericDesktopPage, axis.usage);
        if (value) {
            directions |= axisDirections(axis, *value);
        }
    }
    record.buttons = buttons;
    record.directions = directions;
}

bool HidInput::probeDevice(platform::RawDeviceHandle device, HidDevice& record) {
    const auto name = devices_->deviceName(device);
    if (!name || name->empty() || isXInputDevice(*name)) {
        return false;
    }
    auto preparsed = devices_->preparsedData(device);
    if (!preparsed || preparsed->empty()) {
        return false;
    }
    record.preparsed = std::move(*preparsed);
    const auto valueCount = devices_->inputValueCapabilityCount(record.preparsed);
    if (!valueCount) {
        return false;
    }
    if (*valueCount > 0) {
        const auto capabilities = devices_->inputValueCapabilities(record.preparsed, *valueCount);
        if (!capabilities) {
            return false;
        }
        for (const platform::HidValueCapability& capability : *capabilities) {
            if (capability.usagePage == genericDesktopPage && isAxisUsage(capability.usage)) {
                record.axes.push_back(
                    {capability.usage, capability.logicalMinimum, capability.logicalMaximum});
            }
        }
    }
    record.arrival = nextArrival_++;
    return true;
}

void HidInput::removeDevice(platform::RawDeviceHandle device) {
    const std::lock_guard lock(mutex_);
    deviceMap_.erase(device);
    ignored_.erase(device);
}

std::vector<HidPadState> HidInput::snapshot() const {
    const std::lock_guard lock(mutex_);
    std::vector<std::pair<std::uint64_t, HidPadState>> ordered;
    ordered.reserve(deviceMap_.size());
    for (const auto& [handle, device] : deviceMap_) {
        ordered.emplace_back(device.arrival, (static_cast<std::uint64_t>(device.directions) << 32) |
                                                 device.buttons);
    }
    std::sort(ordered.begin(), ordered.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<HidPadState> states;
    states.reserve(ordered.size());
    for (const auto& entry : ordered) {
        states.push_back(entry.second);
    }
    return states;
}

} // namespace lumenark
