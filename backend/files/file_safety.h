#pragma once
// Safe file services: links and junctions refused on every component, whole-file reads with a
// size cap, atomic replacement of configuration files.
#include "platform/files.h"
#include "platform/handle.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace qxlauncher {

// Fails with "linked path" when the path or any ancestor below its root is a reparse point,
// with "inaccessible path" when a component's attributes cannot be read; missing components pass.
// The root itself is not checked (path_walk.h).
void requireUnlinkedPath(const std::filesystem::path& path);

// The same walk without exceptions: true when the path cannot be made absolute or some readable
// component is a reparse point.
bool hasReparsePoint(const std::filesystem::path& path);

// True only for a regular file on an unlinked path; a missing path gives false.
bool isRegularUnlinkedFile(const std::filesystem::path& path);

// The whole file, at most `maximumBytes` long ("oversized file", "read file").
std::string readFileCapped(const std::filesystem::path& path, std::uintmax_t maximumBytes);

// The whole file when it is a regular unlinked file of at most `limit` bytes; else nothing.
std::optional<std::string> readFileLimited(const std::filesystem::path& path, std::uintmax_t limit);

// Writes the bytes to a new temporary file beside the target, flushes it and renames it over the
// target through the replace of every safe write, which tries a target that another process
// holds again ("create config", "write config", "replace config Win32 <code>"). On a failure the
// target is as it was and the temporary file is gone.
void atomicReplaceFile(const std::filesystem::path& target, const std::string& bytes,
                       platform::ReplaceSteps& steps = platform::systemReplaceSteps());

void closeHandleIfValid(platform::NativeHandle handle);

// The temporary name of the n-th configuration write of a process: "<target>.tmp-<pid>-<n>".
std::filesystem::path configTemporaryPath(const std::filesystem::path& target,
                                          std::uint32_t processId, std::uint32_t counter);

// How many configuration writes this process has numbered so far (the last counter used).
std::uint32_t configWritesNumbered();

} // namespace qxlauncher
