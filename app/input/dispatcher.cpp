// The control dispatcher: every click, Enter, hot key and pad button ends here, by control id.
#include "app/app.h"

namespace lumenark {

// --- Stub: the dispatcher fills this in next -------------------------------------------------
void App::activate(int) {
    // Stub.
}

} // namespace lumenark
