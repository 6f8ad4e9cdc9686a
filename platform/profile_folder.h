#pragma once
// The file operations of a game's CMOS profile: folders held open for the length of one
// operation, and every file of the profile opened, created, renamed or deleted relative to the
// folder that holds it. The operations are virtual so that a test can put faults between the
// profile store and the system (a rename that keeps meeting a sharing violation, a flush that
// fails) which no real disk shows on demand.
#include "platform/files.h"
#include "platform/handle.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// What a handle refers to, read from the handle itself.
struct HandleInformation {
    FileIdentity identity;
    bool onDisk = false;       // a file or folder of a disk, not a device or pipe
    bool reparsePoint = false; // the handle refers to a link itself
    bool directory = false;
};

// A folder held open: its path and the handle that keeps it from being renamed or removed.
struct HeldFolder {
    std::filesystem::path path;
    NativeHandle handle = nullptr;
};

// The rename over a profile's image and the wait between two attempts are the replace steps of
// every safe write (files.h).
class ProfileFolders : public ReplaceSteps {
public:
    // Attributes of the path itself (a link is not followed).
    virtual PathAttributes attributes(const std::filesystem::path& path);

    // Creates the folder `name` inside `parent`; 0 or the system error.
    virtual std::uint32_t createFolder(const HeldFolder& parent, const std::filesystem::path& name);

    // Opens a folder for holding, shared for reading and writing but not for deletion; a link
    // is opened as itself. `parent` is null for the root. Invalid on failure, with `error`.
    virtual NativeHandle openFolder(const HeldFolder* parent, const std::filesystem::path& name,
                                    const std::filesystem::path& fullPath, std::uint32_t& error);

    virtual std::optional<HandleInformation> inspect(NativeHandle handle);

    // An image file for reading, shared for reading and deletion, a link opened as itself.
    virtual NativeHandle openForRead(const HeldFolder& folder, const std::filesystem::path& name,
                                     std::uint32_t& error);
    // A file that must not exist yet, written through, shared with nobody.
    virtual NativeHandle createExclusive(const HeldFolder& folder,
                                         const std::filesystem::path& name, std::uint32_t& error);
    // The writer lock: shared with nobody and gone with its holder: deleted when its handle
    // closes, also when the holder is killed. A lock file that no process holds (left by a power
    // cut, or on Linux by a killed holder) is taken over.
    virtual NativeHandle createWriterLock(const HeldFolder& folder,
                                          const std::filesystem::path& name, std::uint32_t& error);
    // The session lock: opened or created, shared with nobody, a link opened as itself.
    virtual NativeHandle openSessionLock(const HeldFolder& folder,
                                         const std::filesystem::path& name, std::uint32_t& error);
    // An existing file opened for reading and deletion, shared for reading only.
    virtual NativeHandle openForDeletion(const HeldFolder& folder,
                                         const std::filesystem::path& name, std::uint32_t& error);

    virtual std::optional<std::uint64_t> fileSize(NativeHandle handle);
    // One read of `count` bytes; true only when all of them were read.
    virtual bool readExact(NativeHandle handle, std::size_t count, std::string& bytes);
    // One write of all the bytes; true only when every byte was written.
    virtual bool writeAll(NativeHandle handle, std::string_view bytes);
    virtual bool flush(NativeHandle handle);

    // Deletes the file through its own handle (deleted once the handle closes).
    virtual bool markForDeletion(NativeHandle handle);

    // The names of the folder's entries, "." and ".." left out.
    virtual std::vector<std::filesystem::path> listFolder(const HeldFolder& folder);
};

// The system's own operations.
ProfileFolders& systemProfileFolders();

} // namespace platform
