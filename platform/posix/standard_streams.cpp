#include "platform/standard_streams.h"

#include <unistd.h>

namespace platform {

bool writeStandardStream(StandardStream stream, std::string_view bytes) {
    const int fd = stream == StandardStream::output ? STDOUT_FILENO : STDERR_FILENO;
    return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

} // namespace platform
