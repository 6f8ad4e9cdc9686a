// Not run: a program whose import table names the calls and libraries that the launcher looks up
// at run time, so that the import-table check can show it refuses each of them.
#include <windows.h>

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

int main(int argc, char**) {
    if (argc > 100) {
        ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
        RECT rect{};
        ::AdjustWindowRectExForDpi(&rect, WS_POPUP, FALSE, 0,
                                   ::GetDpiForWindow(::GetDesktopWindow()));
        ::MFStartup(MF_VERSION, MFSTARTUP_LITE);
        IMFSourceReader* reader = nullptr;
        ::MFCreateSourceReaderFromURL(L"", nullptr, &reader);
        return ::GetSystemMetricsForDpi(SM_CXFRAME, 96);
    }
    return 0;
}
