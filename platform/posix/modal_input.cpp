#include "platform/posix/modal_input.h"

#include "platform/posix/sdl_window.h"

#include <SDL.h>

namespace platform::posix {
namespace {

// The event type of the marks, registered once.
Uint32 markType() {
    static const Uint32 type = SDL_RegisterEvents(1);
    return type;
}

Sint32 nextSerial() {
    static Sint32 serial = 0;
    return ++serial;
}

// The window an input event was meant for; 0 for any other event.
Uint32 inputWindowOf(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return event.key.windowID;
    case SDL_TEXTEDITING:
        return event.edit.windowID;
    case SDL_TEXTINPUT:
        return event.text.windowID;
    case SDL_MOUSEMOTION:
        return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return event.button.windowID;
    case SDL_MOUSEWHEEL:
        return event.wheel.windowID;
    default:
        return 0;
    }
}

struct DropAfterMark {
    Uint32 windowId;
    Sint32 serial;
    bool past; // the queue walk has passed the mark
};

int keepEvent(void* data, SDL_Event* event) {
    auto& drop = *static_cast<DropAfterMark*>(data);
    if (event->type == markType() && event->user.code == drop.serial) {
        drop.past = true;
        return 0;
    }
    return drop.past && inputWindowOf(*event) == drop.windowId ? 0 : 1;
}

} // namespace

ModalInput::ModalInput(WindowHandle owner) : windowId_(launcherWindowSdlId(owner)) {
    if (windowId_ == 0) {
        return;
    }
    // What the system delivered before the dialog opens is the window's; then the mark.
    SDL_PumpEvents();
    serial_ = nextSerial();
    SDL_Event mark{};
    mark.type = markType();
    mark.user.code = serial_;
    marked_ = mark.type != static_cast<Uint32>(-1) && SDL_PushEvent(&mark) == 1;
}

ModalInput::~ModalInput() {
    if (windowId_ == 0) {
        return;
    }
    SDL_PumpEvents();
    // Without a mark in the queue every input event counts as one of the dialog's time.
    DropAfterMark drop{windowId_, serial_, !marked_};
    SDL_FilterEvents(keepEvent, &drop);
}

} // namespace platform::posix
