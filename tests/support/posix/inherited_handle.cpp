#include "tests/support/inherited_handle.h"
#include "platform/files.h"

#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

// A descriptor without close-on-exec is what a Windows handle opened inheritable is.
InheritableFile::InheritableFile(const std::filesystem::path& path) : path_(path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT, 0644);
    open_ = fd >= 0;
    value_ = open_ ? static_cast<std::uintptr_t>(fd) : 0;
}

InheritableFile::~InheritableFile() {
    if (open_) {
        ::close(static_cast<int>(value_));
    }
}

bool InheritableFile::isOpen() const {
    return open_;
}

std::string InheritableFile::probeText() const {
    return std::to_string(value_) + " " + path_.string();
}

std::string inheritedHandleState(const std::string& probeText) {
    std::istringstream words(probeText);
    int fd = -1;
    if (!(words >> fd)) {
        return "bad probe";
    }
    std::string file;
    std::getline(words >> std::ws, file);
    const auto wanted = platform::fileIdentity(file);
    struct stat info {};
    if (!wanted || ::fstat(fd, &info) != 0) {
        return "not inherited";
    }
    const platform::FileIdentity held{static_cast<std::uint64_t>(info.st_dev),
                                      static_cast<std::uint64_t>(info.st_ino)};
    return held == *wanted ? "inherited" : "not inherited";
}

} // namespace testsupport
