#include "platform/hid_devices.h"

namespace platform {

// The Linux build reads no HID pads; the pad reader stays off.
std::unique_ptr<HidDevices> loadHidDevices() {
    return nullptr;
}

void registerPadRawInput(WindowHandle) {}

} // namespace platform
