#include "tests/support/scratch.h"
#include "tests/support/temp_folder.h"

#include <windows.h>

#include <system_error>

namespace testsupport {

// The user's temporary folder, where a Windows user's scratch files go (under Wine on the
// prefix's drive C:). The tests that need the build tree's drive Z:\, whose root Wine reports
// as a reparse point, make their folders beside the test binaries themselves.
std::filesystem::path scratchBase() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    return std::filesystem::path(std::wstring(buffer, length)) / L"lumenark-tests";
}

namespace {

// A link counts only when the system reports it as a reparse point; Wine creates links that it
// does not report so, and those tests then skip.
bool reportedAsReparsePoint(const std::filesystem::path& link) {
    const DWORD attributes = ::GetFileAttributesW(link.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return true;
    }
    std::error_code ignored;
    std::filesystem::remove(link, ignored);
    return false;
}

} // namespace

bool makeFolderLink(const std::filesystem::path& target, const std::filesystem::path& link) {
    const DWORD flags = SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    return ::CreateSymbolicLinkW(link.c_str(), target.c_str(), flags) != FALSE &&
           reportedAsReparsePoint(link);
}

bool makeFileLink(const std::filesystem::path& target, const std::filesystem::path& link) {
    return ::CreateSymbolicLinkW(link.c_str(), target.c_str(),
                                 SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != FALSE &&
           reportedAsReparsePoint(link);
}

bool makePipeFile(const std::filesystem::path&) {
    return false;
}

} // namespace testsupport
