#include "backend/files/file_safety.h"
#include "backend/files/path_walk.h"

#include "platform/files.h"
#include "platform/process.h"
#include "platform/shared_read.h"
#include "platform/system_error.h"

#include <atomic>
#include <stdexcept>
#include <system_error>

namespace qxlauncher {

namespace {

std::atomic<std::uint32_t> atomicReplaceCounter{0};

std::filesystem::path absoluteNormal(const std::filesystem::path& path) {
    return std::filesystem::absolute(path).lexically_normal();
}

} // namespace

void requireUnlinkedPath(const std::filesystem::path& path) {
    walkBelowRoot(absoluteNormal(path), [](const std::filesystem::path& component) {
        const platform::PathAttributes attributes = platform::readPathAttributes(component);
        if (attributes.kind == platform::PathAttributes::Kind::unreadable) {
            throw std::runtime_error("inaccessible path");
        }
        if (attributes.kind == platform::PathAttributes::Kind::present && attributes.reparsePoint) {
            throw std::runtime_error("linked path");
        }
        return true;
    });
}

bool hasReparsePoint(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) {
        return true;
    }
    bool linked = false;
    walkBelowRoot(absolute.lexically_normal(), [&](const std::filesystem::path& component) {
        const platform::PathAttributes attributes = platform::readPathAttributes(component);
        linked =
            attributes.kind == platform::PathAttributes::Kind::present && attributes.reparsePoint;
        return !linked;
    });
    return linked;
}

bool isRegularUnlinkedFile(const std::filesystem::path& path) {
    requireUnlinkedPath(path);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error && status.type() != std::filesystem::file_type::not_found) {
        throw std::filesystem::filesystem_error("file status", path, error);
    }
    return status.type() == std::filesystem::file_type::regular;
}

// Both readers open through the shared open, which shares delete: on Windows a reader then never
// keeps another process from replacing or deleting the file. A replace by the older rename still
// fails while any handle is open on its target, so every replace renames with POSIX semantics
// where the system has them and tries a held target again (platform::replaceOpenFile).
std::string readFileCapped(const std::filesystem::path& path, std::uintmax_t maximumBytes) {
    requireUnlinkedPath(path);
    if (std::filesystem::file_size(path) > maximumBytes) {
        throw std::runtime_error("oversized file");
    }
    // Read one byte past the cap, so a file that grew after the size check is still refused.
    std::optional<std::string> bytes =
        platform::readOnceShared(path, static_cast<std::size_t>(maximumBytes) + 1);
    if (!bytes) {
        throw std::runtime_error("read file");
    }
    if (bytes->size() > maximumBytes) {
        throw std::runtime_error("oversized file");
    }
    return std::move(*bytes);
}

std::optional<std::string> readFileLimited(const std::filesystem::path& path,
                                           std::uintmax_t limit) {
    if (hasReparsePoint(path)) {
        return std::nullopt;
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::filesystem::status(path, error)) || error) {
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > limit) {
        return std::nullopt;
    }
    std::optional<std::string> bytes =
        platform::readOnceShared(path, static_cast<std::size_t>(size));
    if (!bytes || bytes->size() != size) {
        return std::nullopt;
    }
    return bytes;
}

std::filesystem::path configTemporaryPath(const std::filesystem::path& target,
                                          std::uint32_t processId, std::uint32_t counter) {
    std::filesystem::path temporary = target;
    temporary += ".tmp-" + std::to_string(processId) + "-" + std::to_string(counter);
    return temporary;
}

namespace {

// How many names a write tries when the ones it draws are taken.
constexpr int temporaryNameAttempts = 64;

// A temporary file that is deleted unless committed, and only while it is still the file this
// process created: a file put there by someone else under the same name is left alone.
class TemporaryConfigFile {
public:
    TemporaryConfigFile() = default;
    TemporaryConfigFile(const TemporaryConfigFile&) = delete;
    TemporaryConfigFile& operator=(const TemporaryConfigFile&) = delete;
    ~TemporaryConfigFile() {
        file_.close();
        if (!created_ || committed_) {
            return;
        }
        try {
            requireUnlinkedPath(path_);
            if (platform::fileIdentity(path_) == identity_) {
                platform::deleteFile(path_);
            }
        } catch (...) {
            // Clean-up is best effort; the first error is what the caller sees.
        }
    }

    // A process that had this process's id may have died and left its temporary files; a name
    // that is taken is skipped for the next number, and the file under it is never touched.
    void create(const std::filesystem::path& target) {
        for (int attempt = 1;; ++attempt) {
            const std::uint32_t counter = atomicReplaceCounter.fetch_add(1) + 1;
            path_ = configTemporaryPath(target, platform::currentProcessId(), counter);
            requireUnlinkedPath(path_);
            std::uint32_t error = 0;
            file_ = platform::File::createNew(path_, error);
            if (file_.isOpen()) {
                break;
            }
            if (error != platform::errorFileExists || attempt == temporaryNameAttempts) {
                throw std::runtime_error("create config");
            }
        }
        created_ = true;
        identity_ = file_.identity();
    }

    void writeAndFlush(const std::string& bytes) {
        if (!file_.writeAll(bytes) || !file_.flush()) {
            throw std::runtime_error("write config");
        }
    }

    // The file stays open to be renamed through its handle: nobody can open it meanwhile.
    platform::NativeHandle handle() const { return file_.nativeHandle(); }
    void commit() {
        committed_ = true;
        file_.close();
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    platform::File file_;
    std::optional<platform::FileIdentity> identity_;
    bool created_ = false;
    bool committed_ = false;
};

} // namespace

void atomicReplaceFile(const std::filesystem::path& target, const std::string& bytes,
                       platform::ReplaceSteps& steps) {
    requireUnlinkedPath(target);
    std::filesystem::create_directories(absoluteNormal(target).parent_path());
    requireUnlinkedPath(target);
    TemporaryConfigFile temporary;
    temporary.create(target);
    temporary.writeAndFlush(bytes);
    requireUnlinkedPath(target);
    requireUnlinkedPath(temporary.path());
    if (const std::uint32_t error = platform::replaceOpenFile(temporary.handle(), target, steps);
        error != platform::errorSuccess) {
        throw std::runtime_error("replace config Win32 " + std::to_string(error));
    }
    temporary.commit();
}

std::uint32_t configWritesNumbered() {
    return atomicReplaceCounter.load();
}

void closeHandleIfValid(platform::NativeHandle handle) {
    if (platform::isValidHandle(handle)) {
        platform::closeNativeHandle(handle);
    }
}

} // namespace qxlauncher
