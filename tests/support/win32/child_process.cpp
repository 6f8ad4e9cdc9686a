#include "tests/support/child_process.h"
#include "tests/support/probe_child.h"
#include "tests/support/temp_folder.h"

#include <windows.h>

#include <cwctype>
#include <string>

namespace testsupport {

namespace {

std::wstring quoted(const std::wstring& argument) {
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        text.push_back(c);
        backslashes = 0;
    }
    text.append(2 * backslashes, L'\\');
    return text + L"\"";
}

std::wstring upper(std::wstring text) {
    for (auto& c : text) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    return text;
}

// The test's environment with the overrides applied, as a sorted environment block.
std::wstring
environmentBlock(const std::map<std::wstring, std::optional<std::wstring>>& overrides) {
    std::map<std::wstring, std::pair<std::wstring, std::wstring>> entries;
    if (wchar_t* block = ::GetEnvironmentStringsW()) {
        for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
            const std::wstring text(entry);
            const auto equals = text.find(L'=', 1);
            if (equals == std::wstring::npos) {
                continue;
            }
            entries[upper(text.substr(0, equals))] = {text.substr(0, equals),
                                                      text.substr(equals + 1)};
        }
        ::FreeEnvironmentStringsW(block);
    }
    for (const auto& [name, value] : overrides) {
        if (value) {
            entries[upper(name)] = {name, *value};
        } else {
            entries.erase(upper(name));
        }
    }
    std::wstring result;
    for (const auto& [key, entry] : entries) {
        result += entry.first + L"=" + entry.second;
        result.push_back(L'\0');
    }
    result.push_back(L'\0');
    return result;
}

HANDLE inheritableFile(const std::filesystem::path& path, bool write) {
    SECURITY_ATTRIBUTES security{sizeof(security), nullptr, TRUE};
    return ::CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, &security,
                         write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

ChildResult runChild(const std::filesystem::path& program, const ChildOptions& options) {
    TempFolder capture("child-output");
    ChildResult result;
    std::wstring commandLine = quoted(program.wstring());
    for (const auto& argument : options.arguments) {
        commandLine += L" " + quoted(argument);
    }
    std::wstring environment = environmentBlock(options.environment);
    HANDLE in = inheritableFile(L"NUL", false);
    HANDLE out = inheritableFile(capture / "stdout", true);
    HANDLE err = inheritableFile(capture / "stderr", true);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const std::wstring folder = options.workingFolder.wstring();
    const BOOL started =
        ::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                         CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, environment.data(),
                         folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    const DWORD startError = started ? 0 : ::GetLastError();
    ::CloseHandle(in);
    ::CloseHandle(out);
    ::CloseHandle(err);
    if (!started) {
        // Said in the result, so a test that fails on it shows why the child never ran.
        result.standardError = "CreateProcessW failed with " + std::to_string(startError);
        return result;
    }
    ::CloseHandle(process.hThread);
    const auto deadline = std::chrono::steady_clock::now() + options.timeout;
    DWORD wait = WAIT_TIMEOUT;
    while (wait == WAIT_TIMEOUT && std::chrono::steady_clock::now() < deadline) {
        wait = ::WaitForSingleObject(process.hProcess, 5);
        if (wait == WAIT_TIMEOUT && options.whileRunning) {
            options.whileRunning(readFileIfPresent(capture / "stdout"));
        }
    }
    if (wait != WAIT_OBJECT_0) {
        ::TerminateProcess(process.hProcess, 1);
        ::WaitForSingleObject(process.hProcess, 5000);
        result.timedOut = true;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hProcess);
    result.exitCode = static_cast<int>(code);
    result.standardOutput = readFile(capture / "stdout");
    result.standardError = readFile(capture / "stderr");
    return result;
}

} // namespace testsupport

namespace testsupport {

void loseExitCode(platform::StartedChild& child) {
    ::WaitForSingleObject(child.process.get(), INFINITE);
    HANDLE waitOnly = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), child.process.get(), ::GetCurrentProcess(), &waitOnly,
                      SYNCHRONIZE, FALSE, 0);
    child.process.reset(waitOnly);
}

} // namespace testsupport
