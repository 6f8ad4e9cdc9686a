#include "tests/support/inherited_handle.h"
#include "platform/files.h"
#include "platform/text.h"

#include <windows.h>

#include <sstream>

namespace testsupport {

InheritableFile::InheritableFile(const std::filesystem::path& path) : path_(path) {
    SECURITY_ATTRIBUTES security{sizeof(security), nullptr, TRUE};
    HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &security,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    open_ = handle != INVALID_HANDLE_VALUE;
    value_ = open_ ? reinterpret_cast<std::uintptr_t>(handle) : 0;
}

InheritableFile::~InheritableFile() {
    if (open_) {
        ::CloseHandle(reinterpret_cast<HANDLE>(value_));
    }
}

bool InheritableFile::isOpen() const {
    return open_;
}

std::string InheritableFile::probeText() const {
    return std::to_string(value_) + " " + platform::utf8FromWide(platform::wideFromPath(path_));
}

std::string inheritedHandleState(const std::string& probeText) {
    std::istringstream words(probeText);
    unsigned long long value = 0;
    if (!(words >> value)) {
        return "bad probe";
    }
    std::string file;
    std::getline(words >> std::ws, file);
    const auto wanted =
        platform::fileIdentity(platform::pathFromWide(platform::wideFromUtf8(file)));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!wanted ||
        ::GetFileInformationByHandle(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value)),
                                     &info) == FALSE) {
        return "not inherited";
    }
    const platform::FileIdentity held{info.dwVolumeSerialNumber,
                                      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) |
                                          info.nFileIndexLow};
    return held == *wanted ? "inherited" : "not inherited";
}

} // namespace testsupport
