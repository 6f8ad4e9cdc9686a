#include "tests/support/other_spelling.h"
#include "platform/files.h"
#include "platform/text.h"

#include <windows.h>

#include <chrono>
#include <thread>
#include <vector>

namespace testsupport {

namespace {

// Wine's own exports, looked up at run time: Windows has none.
using UnixNameOf = char*(CDECL*)(const wchar_t*);
using DosNameOf = wchar_t*(CDECL*)(const char*);

template <typename Function> Function wineExport(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name)));
}

bool underWine() {
    return wineExport<UnixNameOf>("wine_get_unix_file_name") != nullptr;
}

std::string unixNameOf(const std::filesystem::path& path) {
    char* name = wineExport<UnixNameOf>("wine_get_unix_file_name")(path.c_str());
    if (name == nullptr) {
        return {};
    }
    std::string result(name);
    ::HeapFree(::GetProcessHeap(), 0, name);
    return result;
}

// Runs a program of the Linux side (Wine starts those too) and waits for its end where Wine
// gives a handle to wait on; what it did is checked by its effect.
void runUnixProgram(const char* program, const std::vector<std::string>& words) {
    wchar_t* dos = wineExport<DosNameOf>("wine_get_dos_file_name")(program);
    if (dos == nullptr) {
        return;
    }
    const std::wstring application(dos);
    ::HeapFree(::GetProcessHeap(), 0, dos);
    std::wstring commandLine = L"\"" + application + L"\"";
    for (const auto& word : words) {
        commandLine += L" \"" + platform::wideFromUtf8(word) + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                         nullptr, nullptr, &startup, &info) != FALSE) {
        ::WaitForSingleObject(info.hProcess, 30000);
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
    }
}

// Wine finds a new drive link only a moment later: the folder is looked for through the drive
// until it answers, within a bound.
bool reaches(const std::filesystem::path& driveRoot, const std::filesystem::path& folder) {
    const auto wanted = platform::fileIdentity(folder);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (wanted) {
        if (platform::fileIdentity(driveRoot) == wanted) {
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// A letter that names no drive; Wine's list of drives does not show a link made meanwhile, so a
// letter whose root answers counts as taken too.
wchar_t freeDriveLetter() {
    const DWORD used = ::GetLogicalDrives();
    for (wchar_t letter = L'Y'; letter >= L'M'; --letter) {
        const std::wstring root{letter, L':', L'\\'};
        if ((used & (1u << (letter - L'A'))) == 0 &&
            ::GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES) {
            return letter;
        }
    }
    return 0;
}

} // namespace

SecondDrive::SecondDrive(const std::filesystem::path& folder) {
    const wchar_t letter = freeDriveLetter();
    if (letter == 0) {
        reason_ = "no free drive letter";
        return;
    }
    const std::wstring drive{letter, L':'};
    const std::filesystem::path root(drive + L"\\");
    if (!underWine()) {
        if (::DefineDosDeviceW(0, drive.c_str(), folder.c_str()) == FALSE) {
            reason_ = "the drive could not be substituted";
            return;
        }
        substituted_ = drive;
    } else {
        // Wine does not resolve a substituted drive: its drive letters are the links in the
        // prefix's "dosdevices" folder, where C: is "c:".
        const std::string cDrive = unixNameOf(L"C:\\");
        const std::string target = unixNameOf(folder);
        const auto dosdevices = cDrive.rfind("/c:");
        if (target.empty() || dosdevices == std::string::npos) {
            reason_ = "Wine gave no Linux name for the folder or drive C:";
            return;
        }
        const std::string link =
            cDrive.substr(0, dosdevices + 1) + static_cast<char>(letter - L'A' + 'a') + ":";
        runUnixProgram("/bin/ln", {"-s", target, link});
        linkToRemove_ = link;
    }
    if (!reaches(root, folder)) {
        reason_ = "the second drive does not reach the folder";
        return;
    }
    path_ = root;
}

SecondDrive::~SecondDrive() {
    if (!substituted_.empty()) {
        ::DefineDosDeviceW(DDD_REMOVE_DEFINITION, substituted_.c_str(), nullptr);
    }
    if (!linkToRemove_.empty()) {
        runUnixProgram("/bin/rm", {"-f", linkToRemove_});
    }
}

std::optional<std::filesystem::path> shortNamesOf(const std::filesystem::path& path) {
    std::wstring buffer(32768, L'\0');
    const DWORD length =
        ::GetShortPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) {
        return std::nullopt;
    }
    buffer.resize(length);
    if (buffer == path.wstring()) {
        return std::nullopt;
    }
    return std::filesystem::path(buffer);
}

} // namespace testsupport
