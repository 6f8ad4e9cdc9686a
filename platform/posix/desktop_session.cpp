#include "platform/desktop_session.h"
#include "platform/text.h"

#include <cstdio>

namespace platform {

// Linux has no DPI contexts or COM; these succeed without doing anything.
void declarePerMonitorDpiAwareness() {}

bool ComApartment::initialize() {
    initialized_ = true;
    return true;
}

void ComApartment::uninitialize() {
    initialized_ = false;
}

// The message box stands as a block on standard error.
void showErrorMessageBox(const std::wstring& title, const std::wstring& text) {
    std::fprintf(stderr, "[%s]\n%s\n", utf8FromWide(title).c_str(), utf8FromWide(text).c_str());
    std::fflush(stderr);
}

} // namespace platform
