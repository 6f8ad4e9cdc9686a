#include "platform/hid_devices.h"

#include <windows.h>

#include <winternl.h>

#include <hidusage.h>

#include <hidpi.h>

#include <cstring>
#include <cwchar>

namespace platform {

namespace {

using GetCapsFunction = NTSTATUS(NTAPI*)(PHIDP_PREPARSED_DATA, PHIDP_CAPS);
using GetValueCapsFunction = NTSTATUS(NTAPI*)(HIDP_REPORT_TYPE, PHIDP_VALUE_CAPS, PUSHORT,
                                              PHIDP_PREPARSED_DATA);
using GetUsagesFunction = NTSTATUS(NTAPI*)(HIDP_REPORT_TYPE, USAGE, USHORT, PUSAGE, PULONG,
                                           PHIDP_PREPARSED_DATA, PCHAR, ULONG);
using GetUsageValueFunction = NTSTATUS(NTAPI*)(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE, PULONG,
                                               PHIDP_PREPARSED_DATA, PCHAR, ULONG);

constexpr NTSTATUS hidSuccess = HIDP_STATUS_SUCCESS;
constexpr ULONG maxUsages = 64;

template <typename Function> Function functionOf(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

PHIDP_PREPARSED_DATA preparsedOf(const std::vector<std::uint8_t>& preparsed) {
    return reinterpret_cast<PHIDP_PREPARSED_DATA>(const_cast<std::uint8_t*>(preparsed.data()));
}

PCHAR reportOf(std::span<const std::uint8_t> report) {
    return reinterpret_cast<PCHAR>(const_cast<std::uint8_t*>(report.data()));
}

class SystemHidDevices final : public HidDevices {
public:
    SystemHidDevices(HMODULE module, GetCapsFunction getCaps, GetValueCapsFunction getValueCaps,
                     GetUsagesFunction getUsages, GetUsageValueFunction getUsageValue)
        : module_(module), getCaps_(getCaps), getValueCaps_(getValueCaps), getUsages_(getUsages),
          getUsageValue_(getUsageValue) {}
    SystemHidDevices(const SystemHidDevices&) = delete;
    SystemHidDevices& operator=(const SystemHidDevices&) = delete;
    ~SystemHidDevices() override { ::FreeLibrary(module_); }

    std::optional<RawHidInput> readInput(RawInputHandle input) override {
        const auto handle = static_cast<HRAWINPUT>(input);
        UINT size = 0;
        if (::GetRawInputData(handle, RID_INPUT, nullptr, &size, sizeof(RAWINPUTHEADER)) != 0 ||
            size < sizeof(RAWINPUTHEADER) + offsetof(RAWHID, bRawData)) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> buffer(size);
        if (::GetRawInputData(handle, RID_INPUT, buffer.data(), &size, sizeof(RAWINPUTHEADER)) !=
            buffer.size()) {
            return std::nullopt;
        }
        RAWINPUTHEADER header{};
        std::memcpy(&header, buffer.data(), sizeof(header));
        RAWHID hid{};
        std::memcpy(&hid, buffer.data() + sizeof(header), offsetof(RAWHID, bRawData));
        if (header.dwType != RIM_TYPEHID || hid.dwCount == 0) {
            return std::nullopt;
        }
        const std::size_t start = sizeof(header) + offsetof(RAWHID, bRawData);
        RawHidInput result;
        result.device = header.hDevice;
        result.reportSize = hid.dwSizeHid;
        result.reportCount = hid.dwCount;
        result.reports.assign(buffer.begin() + static_cast<std::ptrdiff_t>(start), buffer.end());
        return result;
    }

    std::optional<std::wstring> deviceName(RawDeviceHandle device) override {
        UINT length = 0;
        if (::GetRawInputDeviceInfoW(device, RIDI_DEVICENAME, nullptr, &length) != 0 ||
            length == 0) {
            return std::nullopt;
        }
        std::wstring name(length, L'\0');
        const UINT copied = ::GetRawInputDeviceInfoW(device, RIDI_DEVICENAME, name.data(), &length);
        if (copied == 0 || copied == static_cast<UINT>(-1)) {
            return std::nullopt;
        }
        name.resize(std::wcslen(name.c_str()));
        return name;
    }

    std::optional<std::vector<std::uint8_t>> preparsedData(RawDeviceHandle device) override {
        UINT size = 0;
        if (::GetRawInputDeviceInfoW(device, RIDI_PREPARSEDDATA, nullptr, &size) != 0 ||
            size == 0) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> data(size);
        const UINT copied =
            ::GetRawInputDeviceInfoW(device, RIDI_PREPARSEDDATA, data.data(), &size);
        if (copied == 0 || copied == static_cast<UINT>(-1)) {
            return std::nullopt;
        }
        return data;
    }

    std::optional<std::uint16_t>
    inputValueCapabilityCount(const std::vector<std::uint8_t>& preparsed) override {
        HIDP_CAPS caps{};
        if (getCaps_(preparsedOf(preparsed), &caps) != hidSuccess) {
            return std::nullopt;
        }
        return caps.NumberInputValueCaps;
    }

    std::optional<std::vector<HidValueCapability>>
    inputValueCapabilities(const std::vector<std::uint8_t>& preparsed,
                           std::uint16_t count) override {
        std::vector<HIDP_VALUE_CAPS> caps(count);
        USHORT length = count;
        if (getValueCaps_(HidP_Input, caps.data(), &length, preparsedOf(preparsed)) != hidSuccess) {
            return std::nullopt;
        }
        std::vector<HidValueCapability> result;
        for (USHORT i = 0; i < length && i < count; ++i) {
            const HIDP_VALUE_CAPS& cap = caps[i];
            const USAGE usage = cap.IsRange ? cap.Range.UsageMin : cap.NotRange.Usage;
            result.push_back({cap.UsagePage, usage, static_cast<std::int32_t>(cap.LogicalMin),
                              static_cast<std::int32_t>(cap.LogicalMax)});
        }
        return result;
    }

    HidUsages pressedUsages(const std::vector<std::uint8_t>& preparsed,
                            std::span<const std::uint8_t> report,
                            std::uint16_t usagePage) override {
        USAGE usages[maxUsages] = {};
        ULONG length = maxUsages;
        const NTSTATUS status =
            getUsages_(HidP_Input, usagePage, 0, usages, &length, preparsedOf(preparsed),
                       reportOf(report), static_cast<ULONG>(report.size()));
        if (status == HIDP_STATUS_INCOMPATIBLE_REPORT_ID) {
            return {HidUsages::Status::otherReport, {}};
        }
        if (status != hidSuccess) {
            return {HidUsages::Status::failed, {}};
        }
        return {HidUsages::Status::read,
                std::vector<std::uint16_t>(usages, usages + std::min<ULONG>(length, maxUsages))};
    }

    std::optional<std::uint32_t> usageValue(const std::vector<std::uint8_t>& preparsed,
                                            std::span<const std::uint8_t> report,
                                            std::uint16_t usagePage, std::uint16_t usage) override {
        ULONG value = 0;
        if (getUsageValue_(HidP_Input, usagePage, 0, usage, &value, preparsedOf(preparsed),
                           reportOf(report), static_cast<ULONG>(report.size())) != hidSuccess) {
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(value);
    }

private:
    HMODULE module_;
    GetCapsFunction getCaps_;
    GetValueCapsFunction getValueCaps_;
    GetUsagesFunction getUsages_;
    GetUsageValueFunction getUsageValue_;
};

} // namespace

std::unique_ptr<HidDevices> loadHidDevices() {
    HMODULE module = ::LoadLibraryExW(L"hid.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) {
        return nullptr;
    }
    const auto getCaps = functionOf<GetCapsFunction>(module, "HidP_GetCaps");
    const auto getValueCaps = functionOf<GetValueCapsFunction>(module, "HidP_GetValueCaps");
    const auto getUsages = functionOf<GetUsagesFunction>(module, "HidP_GetUsages");
    const auto getUsageValue = functionOf<GetUsageValueFunction>(module, "HidP_GetUsageValue");
    if (getCaps == nullptr || getValueCaps == nullptr || getUsages == nullptr ||
        getUsageValue == nullptr) {
        ::FreeLibrary(module);
        return nullptr;
    }
    return std::make_unique<SystemHidDevices>(module, getCaps, getValueCaps, getUsages,
                                              getUsageValue);
}

void registerPadRawInput(WindowHandle window) {
    RAWINPUTDEVICE devices[2] = {};
    devices[0].usUsagePage = 1;
    devices[0].usUsage = 4;
    devices[0].dwFlags = RIDEV_DEVNOTIFY;
    devices[0].hwndTarget = static_cast<HWND>(window);
    devices[1] = devices[0];
    devices[1].usUsage = 5;
    ::RegisterRawInputDevices(devices, 2, sizeof(RAWINPUTDEVICE));
}

} // namespace platform
