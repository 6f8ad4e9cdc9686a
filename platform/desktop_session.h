#pragma once
// Per-process desktop start-up: DPI awareness, the COM apartment and the fatal message box.
#include <string>

namespace platform {

// Per-monitor DPI awareness: version 2, else the first version where the system lacks the second
// (Windows 10 before 1703); the result is not checked.
void declarePerMonitorDpiAwareness();

// A single-threaded COM apartment for the UI thread, uninitialised on destruction.
class ComApartment {
public:
    ComApartment() = default;
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() { uninitialize(); }

    // False when the apartment could not be entered (a negative HRESULT).
    bool initialize();
    void uninitialize();

private:
    bool initialized_ = false;
};

// The error message box with an error icon; it stays until it is dismissed, also after a
// window of the calling thread was destroyed.
void showErrorMessageBox(const std::wstring& title, const std::wstring& text);

} // namespace platform
