#include "platform/standard_streams.h"

#include <windows.h>

namespace platform {

bool writeStandardStream(StandardStream stream, std::string_view bytes) {
    const HANDLE handle =
        ::GetStdHandle(stream == StandardStream::output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    return ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) !=
           FALSE;
}

} // namespace platform
