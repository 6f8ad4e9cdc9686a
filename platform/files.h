#pragma once
// File-system calls that the safe file services are built on. Everything here works on one
// path component or one file; walking paths and the policies live above the seam, except the
// retries of a replace, which answer the system's own sharing rules.
#include "platform/handle.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

namespace platform {

struct PathAttributes {
    enum class Kind { present, missing, unreadable };
    Kind kind = Kind::missing;
    bool reparsePoint = false; // a symbolic link, junction or other reparse point
    bool directory = false;
    std::uint32_t error = 0; // the system error when not present
};

// Attributes of the path itself, never of a link's target.
PathAttributes readPathAttributes(const std::filesystem::path& path);

// Volume serial number and file index: the identity of one file while it exists.
struct FileIdentity {
    std::uint64_t volumeSerial = 0;
    std::uint64_t fileIndex = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// An open file that closes itself.
class File {
public:
    File() = default;
    File(File&& other) noexcept = default;
    File& operator=(File&& other) noexcept = default;
    ~File() = default;

    // Creates a file that must not exist yet, for writing and for renaming through its handle,
    // shared with nobody, never through a link. On failure the result is closed and `error`
    // holds the system error.
    static File createNew(const std::filesystem::path& path, std::uint32_t& error);

    bool isOpen() const { return handle_.valid(); }
    // One write call with all the bytes; true only when every byte was written.
    bool writeAll(std::string_view bytes);
    // Flushes the file's data and metadata to the disk.
    bool flush();
    std::optional<FileIdentity> identity() const;
    void close() { handle_.reset(); }
    NativeHandle nativeHandle() const { return handle_.get(); }

private:
    explicit File(NativeHandle handle) : handle_(handle) {}
    UniqueHandle handle_;
};

// Identity of the named file itself (a link is not followed); empty when it cannot be opened.
std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path);

// Renames the open file over `target`, a name in the same folder, and returns once the rename
// is on the disk. The handle needs delete access (as `File::createNew` and the profile's
// exclusive files have). On Windows the rename has POSIX semantics, so it replaces a target that
// readers hold open (with delete sharing); where the system refuses those semantics it is the
// older rename. One attempt: 0 or the system error.
std::uint32_t renameOpenFileOver(NativeHandle file, const std::filesystem::path& target);

// The two steps of a replace that a test can stand in for: one rename attempt and the wait
// before the next.
class ReplaceSteps {
public:
    virtual ~ReplaceSteps() = default;
    virtual std::uint32_t renameOver(NativeHandle file, const std::filesystem::path& target);
    virtual void pause(std::uint32_t milliseconds);
};

ReplaceSteps& systemReplaceSteps();

inline constexpr int replaceAttempts = 10;
inline constexpr std::uint32_t replaceRetryMilliseconds = 10;

// The replace of every safe write: renames the open temporary file over its target. A sharing,
// lock or access violation (another process holds the target: the game, a reader without delete
// sharing, an indexer, an antivirus) is tried again, at most `replaceAttempts` times
// `replaceRetryMilliseconds` apart; any other error ends at once. `beforeAttempt`, when given,
// runs before every attempt and may throw. Returns 0 or the last error.
std::uint32_t replaceOpenFile(NativeHandle file, const std::filesystem::path& target,
                              ReplaceSteps& steps = systemReplaceSteps(),
                              const std::function<void()>& beforeAttempt = {});

// Deletes one file; returns 0 or the system error.
std::uint32_t deleteFile(const std::filesystem::path& path);

// A path that names a location by itself: drive and root folder on Windows ("C:\x"),
// a leading "/" on Linux. Rooted-without-drive and drive-relative forms are not.
bool isFullyQualifiedPath(const std::filesystem::path& path);

// The last write time of the file itself (a link is not followed) in 100-ns units since 1601
// (UTC), at the full resolution the file system keeps; none when it cannot be read. Two times
// compare soundly only when both come from here: the library's file times are whole seconds on
// Windows.
std::optional<std::uint64_t> lastWriteTime(const std::filesystem::path& path);

// What a scan of many files needs of each in one call: whether it is a plain file, whether it
// is a reparse point, its size and its last write time (as lastWriteTime gives it). A link is
// not followed. None when the attributes cannot be read, a missing file included.
struct FileStamp {
    bool regular = false; // a file: no folder, link or device
    bool reparsePoint = false;
    std::uint64_t size = 0;
    std::uint64_t lastWriteTime = 0;
};
std::optional<FileStamp> readFileStamp(const std::filesystem::path& path);

} // namespace platform
