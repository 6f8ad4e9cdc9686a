#include "platform/child_process.h"

#include <windows.h>

#include <vector>

namespace platform {

namespace {

HANDLE inheritableFile(const wchar_t* path, DWORD access, DWORD share, DWORD disposition) {
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof(security);
    security.bInheritHandle = TRUE;
    return ::CreateFileW(path, access, share, &security, disposition, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
}

UniqueHandle fromFileResult(HANDLE handle) {
    return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

StartedChild failed(ChildStartFailure failure, DWORD error) {
    StartedChild result;
    result.failure = failure;
    result.error = error;
    return result;
}

UniqueHandle createKillOnCloseJob(ChildStartFailure& failure, DWORD& error) {
    UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job.valid()) {
        failure = ChildStartFailure::jobCreate;
        error = ::GetLastError();
        return {};
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                   sizeof(limits))) {
        failure = ChildStartFailure::jobLimits;
        error = ::GetLastError();
        return {};
    }
    return job;
}

} // namespace

UniqueHandle openChildLogFile(const std::filesystem::path& path) {
    return fromFileResult(
        inheritableFile(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS));
}

UniqueHandle openChildNullInput() {
    return fromFileResult(
        inheritableFile(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
}

StartedChild startChildProcess(const ChildProcessRequest& request) {
    UniqueHandle job;
    if (request.killTreeOnJobClose) {
        ChildStartFailure failure = ChildStartFailure::none;
        DWORD error = 0;
        job = createKillOnCloseJob(failure, error);
        if (failure != ChildStartFailure::none) {
            return failed(failure, error);
        }
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = request.standardInput;
    startup.hStdOutput = request.standardOutput;
    startup.hStdError = request.standardError;
    if (request.hideWindow) {
        startup.dwFlags |= STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    DWORD flags = CREATE_NO_WINDOW;
    if (request.killTreeOnJobClose) {
        flags |= CREATE_SUSPENDED;
    }
    std::vector<wchar_t> environment;
    if (request.environmentBlock) {
        flags |= CREATE_UNICODE_ENVIRONMENT;
        environment.assign(request.environmentBlock->begin(), request.environmentBlock->end());
        // The block must end in two NULs even when the caller's text leaves them out.
        environment.push_back(L'\0');
        environment.push_back(L'\0');
    }
    std::vector<wchar_t> commandLine(request.commandLine.begin(), request.commandLine.end());
    commandLine.push_back(L'\0');
    const std::wstring application = request.application.wstring();
    const std::wstring folder = request.workingFolder.wstring();
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(application.empty() ? nullptr : application.c_str(), commandLine.data(),
                          nullptr, nullptr, TRUE, flags,
                          environment.empty() ? nullptr : environment.data(),
                          folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        return failed(ChildStartFailure::createProcess, ::GetLastError());
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    if (job.valid()) {
        if (!::AssignProcessToJobObject(job.get(), process.get())) {
            const DWORD error = ::GetLastError();
            ::TerminateProcess(process.get(), request.assignmentFailureExitCode);
            return failed(ChildStartFailure::jobAssignment, error);
        }
        // A child left suspended would count as running until someone cancels it.
        if (::ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
            const DWORD error = ::GetLastError();
            ::TerminateProcess(process.get(), request.assignmentFailureExitCode);
            return failed(ChildStartFailure::resume, error);
        }
    }
    StartedChild result;
    result.process = std::move(process);
    result.job = std::move(job);
    result.processId = info.dwProcessId;
    return result;
}

bool hasChildEnded(NativeHandle process) {
    return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

std::optional<std::uint32_t> childExitCode(NativeHandle process) {
    DWORD code = 0;
    if (!::GetExitCodeProcess(process, &code)) {
        return std::nullopt;
    }
    return code;
}

bool terminateJob(NativeHandle job, std::uint32_t exitCode) {
    return ::TerminateJobObject(job, exitCode) != FALSE;
}

std::optional<std::filesystem::path> searchPathForFile(const std::wstring& searchPath,
                                                       const std::wstring& fileName) {
    constexpr DWORD bufferUnits = 32768;
    std::wstring buffer(bufferUnits, L'\0');
    const DWORD result = ::SearchPathW(searchPath.c_str(), fileName.c_str(), nullptr, bufferUnits,
                                       buffer.data(), nullptr);
    if (result < 1 || result >= bufferUnits) {
        return std::nullopt;
    }
    buffer.resize(result);
    return std::filesystem::path(buffer);
}

} // namespace platform
