// The part of the shared open that is the same on both platforms.
#include "platform/shared_read.h"

namespace platform {

SharedFile SharedReads::open(const std::filesystem::path& path, LeafLink leaf) {
    return SharedFile::open(path, leaf);
}

SharedReads& systemSharedReads() {
    static SharedReads reads;
    return reads;
}

std::optional<std::string> readOnceShared(const std::filesystem::path& path,
                                          std::size_t bufferBytes) {
    SharedFile file = SharedFile::open(path);
    if (!file.isOpen()) {
        return std::nullopt;
    }
    std::string buffer(bufferBytes, '\0');
    const std::optional<std::size_t> read = file.readUpTo(buffer.data(), bufferBytes);
    if (!read) {
        return std::nullopt;
    }
    buffer.resize(*read);
    return buffer;
}

} // namespace platform
