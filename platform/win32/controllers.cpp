#include "platform/controllers.h"

#include <windows.h>

#include <xinput.h>

namespace platform {
namespace {

using GetStateFunction = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);

class XInputControllers final : public Controllers {
public:
    XInputControllers(HMODULE module, GetStateFunction getState)
        : module_(module), getState_(getState) {}
    XInputControllers(const XInputControllers&) = delete;
    XInputControllers& operator=(const XInputControllers&) = delete;
    ~XInputControllers() override { ::FreeLibrary(module_); }

    bool readState(int slot, ControllerState& state) override {
        XINPUT_STATE raw{};
        if (getState_(static_cast<DWORD>(slot), &raw) != ERROR_SUCCESS) {
            return false;
        }
        state.packetNumber = raw.dwPacketNumber;
        state.buttons = raw.Gamepad.wButtons;
        state.leftTrigger = raw.Gamepad.bLeftTrigger;
        state.rightTrigger = raw.Gamepad.bRightTrigger;
        state.thumbLX = raw.Gamepad.sThumbLX;
        state.thumbLY = raw.Gamepad.sThumbLY;
        state.thumbRX = raw.Gamepad.sThumbRX;
        state.thumbRY = raw.Gamepad.sThumbRY;
        return true;
    }

private:
    HMODULE module_;
    GetStateFunction getState_;
};

std::unique_ptr<Controllers> loadFrom(const wchar_t* library) {
    HMODULE module = ::LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) {
        return nullptr;
    }
    const auto getState = reinterpret_cast<GetStateFunction>(
        reinterpret_cast<void*>(::GetProcAddress(module, "XInputGetState")));
    if (getState == nullptr) {
        ::FreeLibrary(module);
        return nullptr;
    }
    return std::make_unique<XInputControllers>(module, getState);
}

} // namespace

std::unique_ptr<Controllers> loadControllers() {
    if (auto controllers = loadFrom(L"xinput1_4.dll")) {
        return controllers;
    }
    return loadFrom(L"xinput9_1_0.dll");
}

} // namespace platform
