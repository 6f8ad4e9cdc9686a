#include "backend/cmos/cmos_profile.h"
#include "backend/files/failure_log.h"
#include "backend/packages/hashing.h"
#include "backend/packages/trusted_digests.h"
#include "platform/process.h"
#include "platform/system_error.h"
#include "platform/text.h"

#include <atomic>
#include <optional>
#include <stdexcept>

namespace qxlauncher {

namespace {

std::atomic<std::uint64_t> cmosPendingCounter{0};

constexpr const char* ordinaryLabel =
    "QX2 profile requires ordinary unlinked files and directories";
constexpr const char* exclusiveLabel =
    "QX2 profile writer or temporary file already exists or is inaccessible";
constexpr int pendingNameAttempts = 64;
// Where the file name starts inside the system's rename request.
constexpr int renameNameOffset = 20;

[[noreturn]] void fail(const std::string& label) {
    throw std::runtime_error(label);
}

// The drive root that a chain starts from is held like every folder below it, but its reparse
// flag is no link: Wine reports its drive "Z:\" so (path_walk.h).
enum class Place { root, belowRoot };

platform::HandleInformation requireHandleOf(platform::NativeHandle handle, bool wantDirectory,
                                            Place place, ProfileFolders& folders) {
    if (!platform::isValidHandle(handle)) {
        fail(ordinaryLabel);
    }
    const std::optional<platform::HandleInformation> info = folders.inspect(handle);
    if (!info || !info->onDisk || (info->reparsePoint && place == Place::belowRoot) ||
        info->directory != wantDirectory) {
        fail(ordinaryLabel);
    }
    return *info;
}

bool pathExists(const std::filesystem::path& path, Place place, ProfileFolders& folders) {
    const platform::PathAttributes attributes = folders.attributes(path);
    switch (attributes.kind) {
    case platform::PathAttributes::Kind::missing:
        return false;
    case platform::PathAttributes::Kind::unreadable:
        fail("QX2 profile path is inaccessible");
    case platform::PathAttributes::Kind::present:
        break;
    }
    if (attributes.reparsePoint && place == Place::belowRoot) {
        fail("QX2 profile linked path rejected");
    }
    return true;
}

// Opens one folder of the chain (the root when there is no parent chain), creating it first when
// asked, and holds it.
platform::UniqueHandle holdFolder(const ProfileDirectory* parentChain,
                                  const std::filesystem::path& name,
                                  const std::filesystem::path& fullPath, bool create,
                                  ProfileFolders& folders) {
    std::optional<platform::HeldFolder> parent;
    if (parentChain != nullptr) {
        parent = parentChain->held();
    }
    const Place place = parent ? Place::belowRoot : Place::root;
    if (!pathExists(fullPath, place, folders)) {
        if (!create || !parent || folders.createFolder(*parent, name) != platform::errorSuccess) {
            fail("QX2 profile directory is missing or cannot be created");
        }
    }
    std::uint32_t error = 0;
    platform::UniqueHandle handle(
        folders.openFolder(parent ? &*parent : nullptr, name, fullPath, error));
    requireHandleOf(handle.get(), true, place, folders);
    return handle;
}

// The writer lock ".cmos.lock" for one operation. It ends with its holder (profile_folder.h),
// and is deleted by identity when the guard goes. A lock file that stays behind then refuses
// nobody, but the operation did not end cleanly, so it is said on the error stream.
class WriterLock {
public:
    WriterLock(const ProfileDirectory& folder, ProfileFolders& folders)
        : path_(folder.path / writerLockFileName) {
        std::uint32_t error = 0;
        platform::UniqueHandle handle(
            folders.createWriterLock(folder.held(), writerLockFileName, error));
        if (!handle.valid()) {
            fail(exclusiveLabel);
        }
        const platform::HandleInformation info =
            requireOrdinaryHandle(handle.get(), false, folders);
        guard_.emplace(folders, path_, std::move(handle), info.identity);
    }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
    ~WriterLock() {
        const FileIdentity identity = guard_->identity();
        guard_.reset();
        // Only a line to say: nothing here may end the program from a destructor.
        try {
            if (platform::fileIdentity(path_) == identity) {
                logAbsorbedFailure("cmos writer lock left: ",
                                   platform::utf8FromWide(platform::wideFromPath(path_)));
            }
        } catch (...) {
        }
    }

private:
    std::filesystem::path path_;
    std::optional<TempFileGuard> guard_;
};

// Removes a seed that this call wrote, and only that one, unchanged.
void removeOwnSeed(const ProfileDirectory& folder, const FileIdentity& written,
                   const std::string& seed, ProfileFolders& folders) {
    try {
        std::uint32_t error = 0;
        platform::UniqueHandle handle(
            folders.openForDeletion(folder.held(), factorySeedFileName, error));
        const std::optional<platform::HandleInformation> info = folders.inspect(handle.get());
        if (!handle.valid() || !info || !info->onDisk || info->reparsePoint || info->directory ||
            !(info->identity == written) || folders.fileSize(handle.get()) != cmosImageSize) {
            return;
        }
        std::string bytes;
        if (folders.readExact(handle.get(), cmosImageSize, bytes) && bytes == seed) {
            folders.markForDeletion(handle.get());
        }
    } catch (const std::exception&) {
        // The first error is the one reported.
    }
}

} // namespace

std::string cmosPendingName(std::uint32_t processId, std::uint64_t counter) {
    return std::string(cmosPendingPrefix) + std::to_string(processId) + "-" +
           std::to_string(counter);
}

TempFileGuard::TempFileGuard(ProfileFolders& folders, std::filesystem::path path,
                             platform::UniqueHandle handle, FileIdentity identity)
    : folders_(folders), path_(std::move(path)), handle_(std::move(handle)), identity_(identity) {}

TempFileGuard::TempFileGuard(TempFileGuard&& other) noexcept
    : folders_(other.folders_), path_(std::move(other.path_)), handle_(std::move(other.handle_)),
      identity_(other.identity_), committed_(other.committed_) {}

TempFileGuard::~TempFileGuard() {
    if (!committed_ && handle_.valid()) {
        const std::optional<platform::HandleInformation> info = folders_.inspect(handle_.get());
        if (info && info->identity == identity_) {
            folders_.markForDeletion(handle_.get());
        }
    }
    handle_.reset();
}

void TempFileGuard::commit() {
    committed_ = true;
    handle_.reset();
}

platform::HandleInformation requireOrdinaryHandle(platform::NativeHandle handle, bool wantDirectory,
                                                  ProfileFolders& folders) {
    return requireHandleOf(handle, wantDirectory, Place::belowRoot, folders);
}

bool profilePathExists(const std::filesystem::path& path, ProfileFolders& folders) {
    return pathExists(path, Place::belowRoot, folders);
}

ProfileDirectory openProfileDirectory(const std::filesystem::path& path, bool create,
                                      ProfileFolders& folders) {
    if (path.empty()) {
        fail("QX2 profile directory must be explicit");
    }
    const std::filesystem::path absolute = std::filesystem::absolute(path);
    ProfileDirectory chain;
    // The handles of the folders entered, so ".." returns to the parent's handle.
    std::vector<platform::NativeHandle> entered;
    chain.path = absolute.root_path();
    chain.handles.push_back(holdFolder(nullptr, chain.path, chain.path, create, folders));
    entered.push_back(chain.handles.back().get());
    chain.folderHandle = entered.back();
    for (const std::filesystem::path& component : absolute.relative_path()) {
        if (component.empty() || component == ".") {
            continue;
        }
        if (component == "..") {
            chain.path = chain.path.parent_path();
            if (entered.size() > 1) {
                entered.pop_back();
            }
            chain.folderHandle = entered.back();
            continue;
        }
        const std::filesystem::path next = chain.path / component;
        platform::UniqueHandle handle = holdFolder(&chain, component, next, create, folders);
        chain.path = next;
        entered.push_back(handle.get());
        chain.folderHandle = handle.get();
        chain.handles.push_back(std::move(handle));
    }
    return chain;
}

std::string readCmosImageFile(const std::filesystem::path& path, bool verifySeed,
                              ProfileFolders& folders) {
    const std::filesystem::path absolute = std::filesystem::absolute(path);
    const ProfileDirectory folder = openProfileDirectory(absolute.parent_path(), false, folders);
    std::uint32_t error = 0;
    platform::UniqueHandle file(folders.openForRead(folder.held(), absolute.filename(), error));
    requireOrdinaryHandle(file.get(), false, folders);
    if (folders.fileSize(file.get()) != cmosImageSize) {
        fail("QX2 CMOS image must contain exactly 16384 bytes");
    }
    std::string bytes;
    if (!folders.readExact(file.get(), cmosImageSize, bytes)) {
        fail("QX2 CMOS read failed");
    }
    if (verifySeed && sha256Hex(bytes) != trustedDigests().qx2FactorySeedSha256) {
        fail("QX2 factory CMOS seed SHA-256 differs");
    }
    return bytes;
}

LoadedCmos loadCmosWithDigest(const std::filesystem::path& path, ProfileFolders& folders) {
    LoadedCmos loaded;
    loaded.image = readCmosImageFile(path, false, folders);
    loaded.sha256 = sha256Hex(loaded.image);
    return loaded;
}

LoadedCmos loadProfile(const std::filesystem::path& folder, ProfileFolders& folders) {
    readCmosImageFile(folder / factorySeedFileName, true, folders);
    return loadCmosWithDigest(folder / cmosFileName, folders);
}

FileIdentity replaceCmosAtomically(const ProfileDirectory& folder,
                                   const std::filesystem::path& target, const std::string& image,
                                   bool editMode, ProfileFolders& folders) {
    // A dead process that had this process's id may have left its temporary files: a taken name
    // is skipped for the next number and the file under it is never touched.
    std::string name;
    std::uint32_t error = 0;
    platform::UniqueHandle handle;
    for (int attempt = 1; !handle.valid(); ++attempt) {
        name = cmosPendingName(platform::currentProcessId(), ++cmosPendingCounter);
        handle.reset(folders.createExclusive(folder.held(), name, error));
        if (!handle.valid() &&
            (error != platform::errorFileExists || attempt == pendingNameAttempts)) {
            fail(exclusiveLabel);
        }
    }
    const platform::HandleInformation info = requireOrdinaryHandle(handle.get(), false, folders);
    TempFileGuard pending(folders, folder.path / name, std::move(handle), info.identity);

    if (!folders.writeAll(pending.handle(), image) || !folders.flush(pending.handle())) {
        fail("QX2 CMOS atomic write or flush failed");
    }
    error = platform::replaceOpenFile(pending.handle(), target, folders, [&] {
        if (editMode && !profilePathExists(target, folders)) {
            fail("CMOS edit requires an existing profile image");
        }
    });
    if (error == platform::errorSuccess) {
        pending.commit();
        return info.identity;
    }
    fail("QX2 CMOS atomic replacement failed: " + std::to_string(error) +
         " path=" + platform::utf8FromWide(platform::wideFromPath(target)) +
         " length=" + std::to_string(platform::utf16Length(platform::wideFromPath(target))) +
         " offset=" + std::to_string(renameNameOffset));
}

FileIdentity replaceCmosAtomically(const std::filesystem::path& target, const std::string& image,
                                   bool editMode, ProfileFolders& folders) {
    const ProfileDirectory folder =
        openProfileDirectory(std::filesystem::absolute(target).parent_path(), false, folders);
    return replaceCmosAtomically(folder, folder.path / target.filename(), image, editMode, folders);
}

std::string editProfile(const std::filesystem::path& cmosPath, const std::string& image,
                        const std::string& loadedSha256, CmosLockKind lock,
                        const std::function<void()>& callback, const std::function<void()>& undo,
                        ProfileFolders& folders) {
    if (cmosPath.filename() != cmosFileName) {
        fail("CMOS edit may only replace an existing cmos.bin profile");
    }
    if (image.size() != cmosImageSize) {
        fail("CMOS edit requires exactly 16384 bytes");
    }
    if (lock != CmosLockKind::SessionLock && lock != CmosLockKind::WriterLock) {
        fail("Unknown CMOS writer lock");
    }
    const CmosEditRequest request{cmosPath, loadedSha256, image, callback, sha256Hex(image)};

    const ProfileDirectory folder = openProfileDirectory(
        std::filesystem::absolute(request.target).parent_path(), false, folders);
    const std::filesystem::path target = folder.path / cmosFileName;

    std::optional<WriterLock> writerLock;
    platform::UniqueHandle sessionLock;
    if (lock == CmosLockKind::WriterLock) {
        writerLock.emplace(folder, folders);
    } else {
        std::uint32_t error = 0;
        sessionLock.reset(folders.openSessionLock(folder.held(), sessionLockFileName, error));
        requireOrdinaryHandle(sessionLock.get(), false, folders);
    }

    const LoadedCmos current = loadCmosWithDigest(target, folders);
    if (current.sha256 != request.loadedSha256) {
        fail("CMOS profile changed since load; edit rejected");
    }
    // The callback's writes go first: an edit cut short between the two leaves the image as it
    // was loaded, so repeating the same edit decides and writes everything again.
    if (request.callback) {
        request.callback();
    }
    if (current.image != request.image) {
        try {
            replaceCmosAtomically(folder, target, request.image, true, folders);
        } catch (const std::exception&) {
            if (request.callback && undo) {
                try {
                    undo();
                } catch (const std::exception&) {
                    // The replace's error is the one reported.
                }
            }
            throw;
        }
    }
    return request.imageSha256;
}

LoadedCmos ensureProfile(const std::filesystem::path& folderPath,
                         const std::filesystem::path& seedFile, ProfileFolders& folders) {
    const std::string seed = readCmosImageFile(seedFile, true, folders);
    const ProfileDirectory folder = openProfileDirectory(folderPath, true, folders);
    const WriterLock writerLock(folder, folders);

    const std::filesystem::path seedPath = folder.path / factorySeedFileName;
    const platform::PathAttributes seedAttributes = folders.attributes(seedPath);
    if (seedAttributes.kind == platform::PathAttributes::Kind::unreadable) {
        fail("QX2 profile path is inaccessible");
    }
    if (seedAttributes.kind == platform::PathAttributes::Kind::present &&
        seedAttributes.reparsePoint) {
        fail("QX2 profile linked path rejected");
    }
    if (seedAttributes.kind == platform::PathAttributes::Kind::missing) {
        for (const std::filesystem::path& entry : folders.listFolder(folder.held())) {
            if (entry != writerLockFileName) {
                fail("QX2 CMOS profile directory is not empty or owned");
            }
        }
        const FileIdentity written = replaceCmosAtomically(folder, seedPath, seed, false, folders);
        const std::filesystem::path cmosPath = folder.path / cmosFileName;
        try {
            replaceCmosAtomically(folder, cmosPath, seed, false, folders);
        } catch (const std::exception&) {
            if (folders.attributes(cmosPath).kind == platform::PathAttributes::Kind::missing) {
                removeOwnSeed(folder, written, seed, folders);
            }
            throw;
        }
    }
    return loadProfile(folder.path, folders);
}

} // namespace qxlauncher
