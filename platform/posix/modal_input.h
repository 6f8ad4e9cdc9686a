#pragma once
// The launcher window while a dialog of another program is modal to it (the folder picker). The
// window takes no input meanwhile, as a Windows owner window is disabled under its modal dialog:
// what reached it while the dialog was open is dropped before the message loop sees it.
#include "platform/handle.h"

#include <cstdint>

namespace platform::posix {

class ModalInput {
public:
    // Marks the point in the window's event queue where the dialog opens; everything before it
    // stays. Nothing happens for a handle that is no launcher window of this process.
    explicit ModalInput(WindowHandle owner);
    ModalInput(const ModalInput&) = delete;
    ModalInput& operator=(const ModalInput&) = delete;
    // The dialog has closed: the window's mouse and key events after the mark are dropped.
    ~ModalInput();

private:
    std::uint32_t windowId_ = 0;
    std::int32_t serial_ = 0;
    bool marked_ = false;
};

} // namespace platform::posix
