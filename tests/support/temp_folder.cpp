#include "tests/support/temp_folder.h"

#include "platform/process.h"
#include "platform/text.h"
#include "tests/support/scratch.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace testsupport {

std::filesystem::path binaryFolder() {
    const platform::ModulePath module = platform::executablePath(32768);
    if (module.text.empty()) {
        throw std::runtime_error("test binary path");
    }
    return platform::pathFromWide(module.text).parent_path();
}

TempFolder::TempFolder(const std::string& purpose) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path base = scratchBase();
    // The purpose is UTF-8, so a test can ask for a folder name beyond ASCII.
    const std::string name = purpose + "-" + std::to_string(platform::currentProcessId()) + "-" +
                             std::to_string(++counter);
    path_ = base / std::u8string(name.begin(), name.end());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    // Links inside are removed as links; their targets stay.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
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

} // namespace testsupport
