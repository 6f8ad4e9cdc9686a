#pragma once
// Reading a file that another process may be writing, renaming or deleting at the same time: the
// one open of every reader of a file under the project root.
#include "platform/handle.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// What the open does with a link (any reparse point on Windows) at the file's own name.
enum class LeafLink { refuse, follow };

// A regular file open for reading. It shares read, write and delete access, so it never keeps
// another process from replacing or deleting the file, and no child process inherits it.
class SharedFile {
public:
    SharedFile() = default;

    // Nothing opens but a regular file of a disk: a folder, a pipe or a device under the name is
    // refused without waiting for a writer. With `LeafLink::refuse` a link is opened as itself
    // and refused, so it cannot be swapped in between a caller's check and the open.
    static SharedFile open(const std::filesystem::path& path, LeafLink leaf = LeafLink::refuse);

    bool isOpen() const { return handle_.valid(); }
    std::optional<std::uint64_t> size() const;
    bool seek(std::uint64_t offset);
    // Reads until `count` bytes are read or the file ends; the number read, none on an error.
    std::optional<std::size_t> readUpTo(char* into, std::size_t count);
    void close() { handle_.reset(); }

private:
    explicit SharedFile(NativeHandle handle) : handle_(handle) {}
    UniqueHandle handle_;
};

// The open of the readers, virtual so that a test can act on a file while a reader holds it.
class SharedReads {
public:
    virtual ~SharedReads() = default;
    virtual SharedFile open(const std::filesystem::path& path, LeafLink leaf = LeafLink::refuse);
};

SharedReads& systemSharedReads();

// Opens the file as above (a link at its name refused) and reads at most `bufferBytes` of it.
// Nothing when the file cannot be opened or the read fails; a result of `bufferBytes` bytes may
// mean the file was longer.
std::optional<std::string> readOnceShared(const std::filesystem::path& path,
                                          std::size_t bufferBytes);

} // namespace platform
