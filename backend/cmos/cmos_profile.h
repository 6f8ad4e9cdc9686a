#pragma once
// The CMOS profile store: a folder holding a game's 16384-byte settings memory "cmos.bin" (and,
// for the second game's native package, the factory image "factory-seed.bin"). Every folder of a
// profile path is held open for the length of one operation, no file or folder is used through a
// link, "cmos.bin" is only ever replaced whole, and an edit is refused once the file changed
// since the caller loaded it.
#include "platform/files.h"
#include "platform/handle.h"
#include "platform/profile_folder.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qxlauncher {

inline constexpr std::size_t cmosImageSize = 16384;

inline constexpr const char* cmosFileName = "cmos.bin";
inline constexpr const char* factorySeedFileName = "factory-seed.bin";
inline constexpr const char* writerLockFileName = ".cmos.lock";
inline constexpr const char* sessionLockFileName = "session.lock";
inline constexpr const char* cmosPendingPrefix = ".cmos-pending-";

using platform::ProfileFolders;

// A profile folder held open with every folder above it: the drive root first, the profile
// folder last. The handles close when the record goes.
struct ProfileDirectory {
    std::filesystem::path path;
    std::vector<platform::UniqueHandle> handles;
    // The handle of `path` itself (the last folder entered, not always the last opened).
    platform::NativeHandle folderHandle = nullptr;

    platform::HeldFolder held() const { return {path, folderHandle}; }
};

using FileIdentity = platform::FileIdentity;

// A file created for one operation; unless committed it is deleted through its own handle, and
// only while it is still the file that was created.
class TempFileGuard {
public:
    TempFileGuard(ProfileFolders& folders, std::filesystem::path path,
                  platform::UniqueHandle handle, FileIdentity identity);
    TempFileGuard(TempFileGuard&& other) noexcept;
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    TempFileGuard& operator=(TempFileGuard&&) = delete;
    ~TempFileGuard();

    platform::NativeHandle handle() const { return handle_.get(); }
    const FileIdentity& identity() const { return identity_; }
    // The file became the target: keep it, and close it.
    void commit();

private:
    ProfileFolders& folders_;
    std::filesystem::path path_;
    platform::UniqueHandle handle_;
    FileIdentity identity_;
    bool committed_ = false;
};

struct LoadedCmos {
    std::string image;  // 16384 bytes
    std::string sha256; // lower-case hexadecimal
};

enum class CmosLockKind : std::int32_t { SessionLock = 0, WriterLock = 1 };

struct CmosEditRequest {
    std::filesystem::path target;
    std::string loadedSha256;
    std::string image;
    std::function<void()> callback;
    std::string imageSha256;
};

// The handle's information when it is a valid handle of an ordinary file (or folder, when
// `wantDirectory`) on a disk and no link; else "QX2 profile requires ordinary unlinked files and
// directories".
platform::HandleInformation
requireOrdinaryHandle(platform::NativeHandle handle, bool wantDirectory,
                      ProfileFolders& folders = platform::systemProfileFolders());

// False when absent; "QX2 profile path is inaccessible", "QX2 profile linked path rejected".
bool profilePathExists(const std::filesystem::path& path,
                       ProfileFolders& folders = platform::systemProfileFolders());

ProfileDirectory openProfileDirectory(const std::filesystem::path& path, bool create,
                                      ProfileFolders& folders = platform::systemProfileFolders());

// The 16384 bytes of one image file; with `verifySeed` they must be the factory seed.
std::string readCmosImageFile(const std::filesystem::path& path, bool verifySeed,
                              ProfileFolders& folders = platform::systemProfileFolders());

LoadedCmos loadCmosWithDigest(const std::filesystem::path& path,
                              ProfileFolders& folders = platform::systemProfileFolders());

// Checks the folder's factory seed, then loads its "cmos.bin".
LoadedCmos loadProfile(const std::filesystem::path& folder,
                       ProfileFolders& folders = platform::systemProfileFolders());

// Writes the image to a new temporary file in the held folder and renames it over the target,
// retrying a rename that meets a sharing, lock or access violation. In edit mode the target must
// still exist at each attempt. Returns the identity of the new file.
FileIdentity replaceCmosAtomically(const ProfileDirectory& folder,
                                   const std::filesystem::path& target, const std::string& image,
                                   bool editMode,
                                   ProfileFolders& folders = platform::systemProfileFolders());
FileIdentity replaceCmosAtomically(const std::filesystem::path& target, const std::string& image,
                                   bool editMode,
                                   ProfileFolders& folders = platform::systemProfileFolders());

// Under the lock, when "cmos.bin" still has the loaded digest: runs the callback, then replaces
// "cmos.bin" (a failing callback leaves it alone); returns the new image's digest. When the
// replace fails after the callback ran, `undo` runs under the same lock, so that the callback's
// writes can be put back; the replace's error is the one thrown.
std::string editProfile(const std::filesystem::path& cmosPath, const std::string& image,
                        const std::string& loadedSha256, CmosLockKind lock,
                        const std::function<void()>& callback,
                        const std::function<void()>& undo = {},
                        ProfileFolders& folders = platform::systemProfileFolders());

// Creates the profile from the seed file when it is new, then loads it.
LoadedCmos ensureProfile(const std::filesystem::path& folder, const std::filesystem::path& seedFile,
                         ProfileFolders& folders = platform::systemProfileFolders());

// The name of the n-th temporary file of a process.
std::string cmosPendingName(std::uint32_t processId, std::uint64_t counter);

} // namespace qxlauncher
