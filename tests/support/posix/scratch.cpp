#include "tests/support/scratch.h"
#include "tests/support/temp_folder.h"

#include <sys/stat.h>
#include <system_error>

namespace testsupport {

std::filesystem::path scratchBase() {
    return binaryFolder().parent_path() / "test-roots";
}

bool makeFolderLink(const std::filesystem::path& target, const std::filesystem::path& link) {
    std::error_code error;
    std::filesystem::create_directory_symlink(target, link, error);
    return !error;
}

bool makeFileLink(const std::filesystem::path& target, const std::filesystem::path& link) {
    std::error_code error;
    std::filesystem::create_symlink(target, link, error);
    return !error;
}

bool makePipeFile(const std::filesystem::path& path) {
    return ::mkfifo(path.c_str(), 0644) == 0;
}

} // namespace testsupport
