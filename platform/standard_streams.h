#pragma once
// The process's standard output and error streams as the system hands them over, written
// without buffering: one system write per call.
#include <string_view>

namespace platform {

enum class StandardStream { output, error };

// False when the stream is not connected (no handle) or the write fails.
bool writeStandardStream(StandardStream stream, std::string_view bytes);

} // namespace platform
