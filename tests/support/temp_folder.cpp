#include "tests/support/temp_folder.h"

#include "platform/process.h"
#include "platform/text.h"
#include "tests/support/scratch.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace testsupport {

std::filesystem::path binaryFolder() {
    const platform::ModulePath module = platform::executablePath(32768);
    if (module.text.empty()) {
        throw std::runtime_error("test binary path");
    }
    return platform::pathFromWide(module.text).parent_path();
}

namespace {

// Removes a scratch tree that a test may have left read-only (a file without permissions, a
// folder that cannot be listed); links inside are removed as links, their targets stay.
void removeScratchTree(const std::filesystem::path& path, std::error_code& error) {
    const auto writable = [](const std::filesystem::path& entry) {
        std::error_code ignored;
        std::filesystem::permissions(
            entry, std::filesystem::perms::owner_all,
            std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow, ignored);
    };
    writable(path);
    std::error_code walk;
    for (std::filesystem::recursive_directory_iterator entry(path, walk), end;
         !walk && entry != end; entry.increment(walk)) {
        writable(entry->path());
    }
    std::filesystem::remove_all(path, error);
}

} // namespace

TempFolder::TempFolder(const std::string& purpose) : TempFolder(purpose, scratchBase()) {}

TempFolder::TempFolder(const std::string& purpose, const std::filesystem::path& base) {
    static std::atomic<unsigned> counter{0};
    // The purpose is UTF-8, so a test can ask for a folder name beyond ASCII.
    const std::string name = purpose + "-" + std::to_string(platform::currentProcessId()) + "-" +
                             std::to_string(++counter);
    path_ = base / std::u8string(name.begin(), name.end());
    // An earlier run under the same process id may have left the folder behind.
    std::error_code error;
    removeScratchTree(path_, error);
    if (error) {
        throw std::filesystem::filesystem_error("scratch folder", path_, error);
    }
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    removeScratchTree(path_, ignored);
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path());
    }
    std::ofstream stream(path, std::ios::binary | std::ios::trunc);
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!stream) {
        throw std::runtime_error("test write " + path.string());
    }
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        throw std::runtime_error("test read " + path.string());
    }
    return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
}

std::string readFileIfPresent(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
}

bool waitForFile(const std::filesystem::path& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace testsupport
