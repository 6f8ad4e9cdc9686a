#pragma once
// HID pads a test scripts, behind the HidDevices seam: each device's preparsed data names its
// entry in the script, and a report holds its report id (one byte), a 32-bit button field
// (bit n = usage n + 1) and one 32-bit value per value capability, in the order of the
// capabilities. The buttons and axes are in the reports of id 1; a report of another id (a pad's
// battery or motion) carries none of them, as the HID parser answers for such a report.
#include "platform/hid_devices.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hidtest {

inline constexpr std::uint8_t buttonReportId = 1;

struct ScriptedDevice {
    std::optional<std::wstring> name = L"\\\\?\\HID#VID_1234&PID_5678#7&1a&0&0000";
    bool hasPreparsed = true;
    bool capsSucceed = true;
    bool valueCapsSucceed = true;
    bool buttonsSucceed = true;
    bool valuesSucceed = true;
    std::vector<platform::HidValueCapability> valueCaps;
};

struct Report {
    std::uint32_t buttonBits = 0;
    std::vector<std::uint32_t> values;
    std::uint8_t id = buttonReportId;
};

inline void* handle(std::uintptr_t value) {
    return reinterpret_cast<void*>(value);
}

struct Script {
    std::map<platform::RawDeviceHandle, ScriptedDevice> devices;
    // What each raw-input handle delivers.
    std::map<platform::RawInputHandle, platform::RawHidInput> inputs;
    int nameLookups = 0;
    int valueReads = 0;
    std::uintptr_t nextInput = 0x9000;

    // A WM_INPUT block of the reports from the device, under a fresh raw-input handle.
    platform::RawInputHandle addInput(std::uintptr_t device, const std::vector<Report>& reports) {
        const std::size_t valueCount = devices.at(handle(device)).valueCaps.size();
        platform::RawHidInput block;
        block.device = handle(device);
        block.reportSize = static_cast<std::uint32_t>(5 + 4 * valueCount);
        block.reportCount = static_cast<std::uint32_t>(reports.size());
        for (const Report& report : reports) {
            std::vector<std::uint8_t> bytes(block.reportSize, 0);
            bytes[0] = report.id;
            std::memcpy(bytes.data() + 1, &report.buttonBits, 4);
            for (std::size_t i = 0; i < report.values.size() && i < valueCount; ++i) {
                std::memcpy(bytes.data() + 5 + 4 * i, &report.values[i], 4);
            }
            block.reports.insert(block.reports.end(), bytes.begin(), bytes.end());
        }
        const auto input = handle(++nextInput);
        inputs[input] = block;
        return input;
    }
};

class ScriptedHidDevices final : public platform::HidDevices {
public:
    explicit ScriptedHidDevices(Script& script) : script_(script) {}

    std::optional<platform::RawHidInput> readInput(platform::RawInputHandle input) override {
        const auto found = script_.inputs.find(input);
        if (found == script_.inputs.end()) {
            return std::nullopt;
        }
        return found->second;
    }
    std::optional<std::wstring> deviceName(platform::RawDeviceHandle device) override {
        ++script_.nameLookups;
        return script_.devices.at(device).name;
    }
    std::optional<std::vector<std::uint8_t>>
    preparsedData(platform::RawDeviceHandle device) override {
        if (!script_.devices.at(device).hasPreparsed) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> data(sizeof(device));
        std::memcpy(data.data(), &device, sizeof(device));
        return data;
    }
    std::optional<std::uint16_t>
    inputValueCapabilityCount(const std::vector<std::uint8_t>& preparsed) override {
        const ScriptedDevice& device = of(preparsed);
        if (!device.capsSucceed) {
            return std::nullopt;
        }
        return static_cast<std::uint16_t>(device.valueCaps.size());
    }
    std::optional<std::vector<platform::HidValueCapability>>
    inputValueCapabilities(const std::vector<std::uint8_t>& preparsed,
                           std::uint16_t count) override {
        const ScriptedDevice& device = of(preparsed);
        if (!device.valueCapsSucceed || count != device.valueCaps.size()) {
            return std::nullopt;
        }
        return device.valueCaps;
    }
    platform::HidUsages pressedUsages(const std::vector<std::uint8_t>& preparsed,
                                      std::span<const std::uint8_t> report,
                                      std::uint16_t usagePage) override {
        using Status = platform::HidUsages::Status;
        if (!of(preparsed).buttonsSucceed || usagePage != 9 || report.size() < 5) {
            return {Status::failed, {}};
        }
        if (report[0] != buttonReportId) {
            return {Status::otherReport, {}};
        }
        std::uint32_t bits = 0;
        std::memcpy(&bits, report.data() + 1, 4);
        platform::HidUsages result{Status::read, {}};
        for (std::uint16_t bit = 0; bit < 32; ++bit) {
            if ((bits >> bit) & 1u) {
                result.usages.push_back(static_cast<std::uint16_t>(bit + 1));
            }
        }
        return result;
    }
    std::optional<std::uint32_t> usageValue(const std::vector<std::uint8_t>& preparsed,
                                            std::span<const std::uint8_t> report,
                                            std::uint16_t usagePage, std::uint16_t usage) override {
        ++script_.valueReads;
        const ScriptedDevice& device = of(preparsed);
        if (!device.valuesSucceed || report.empty() || report[0] != buttonReportId) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < device.valueCaps.size(); ++i) {
            const auto& cap = device.valueCaps[i];
            if (cap.usagePage == usagePage && cap.usage == usage && report.size() >= 9 + 4 * i) {
                std::uint32_t value = 0;
                std::memcpy(&value, report.data() + 5 + 4 * i, 4);
                return value;
            }
        }
        return std::nullopt;
    }

private:
    const ScriptedDevice& of(const std::vector<std::uint8_t>& preparsed) const {
        platform::RawDeviceHandle device = nullptr;
        std::memcpy(&device, preparsed.data(), sizeof(device));
        return script_.devices.at(device);
    }

    Script& script_;
};

} // namespace hidtest
