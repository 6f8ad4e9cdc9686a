#pragma once
// Reading a file that another process may be writing, renaming or deleting at the same time.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// Opens an existing file for reading, sharing read, write and delete access, and reads it with
// one read call into a buffer of `bufferBytes`. Nothing when the file cannot be opened (a folder
// cannot) or the read fails; a result of `bufferBytes` bytes may mean the file was longer.
std::optional<std::string> readOnceShared(const std::filesystem::path& path,
                                          std::size_t bufferBytes);

} // namespace platform
