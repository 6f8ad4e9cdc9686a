#include "platform/child_process.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace platform {

namespace {

// The child's standard handles that it can inherit, each once: the only handles a child gets.
// Without such a list every inheritable handle of the launcher would go with it (the runtime's
// file streams open theirs inheritable), and a file the child holds open may not be replaced.
std::vector<HANDLE> inheritedStandardHandles(const ChildProcessRequest& request) {
    std::vector<HANDLE> handles;
    for (HANDLE handle : {request.standardInput, request.standardOutput, request.standardError}) {
        DWORD flags = 0;
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
            ::GetHandleInformation(handle, &flags) == FALSE || (flags & HANDLE_FLAG_INHERIT) == 0 ||
            std::find(handles.begin(), handles.end(), handle) != handles.end()) {
            continue;
        }
        handles.push_back(handle);
    }
    return handles;
}

// A start-up attribute list that names the handles a child inherits; the handles must outlive it.
class InheritedHandleList {
public:
    explicit InheritedHandleList(std::vector<HANDLE>& handles) {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        if (size == 0 || ::InitializeProcThreadAttributeList(list, 1, 0, &size) == FALSE) {
            error_ = ::GetLastError();
            return;
        }
        list_ = list;
        if (::UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.data(),
                                        handles.size() * sizeof(HANDLE), nullptr,
                                        nullptr) == FALSE) {
            error_ = ::GetLastError();
        }
    }
    InheritedHandleList(const InheritedHandleList&) = delete;
    InheritedHandleList& operator=(const InheritedHandleList&) = delete;
    ~InheritedHandleList() {
        if (list_ != nullptr) {
            ::DeleteProcThreadAttributeList(list_);
        }
    }

    bool ready() const { return list_ != nullptr && error_ == ERROR_SUCCESS; }
    DWORD error() const { return error_ != ERROR_SUCCESS ? error_ : ERROR_INVALID_PARAMETER; }
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

private:
    std::vector<unsigned char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    DWORD error_ = ERROR_SUCCESS;
};

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
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = request.standardInput;
    startup.StartupInfo.hStdOutput = request.standardOutput;
    startup.StartupInfo.hStdError = request.standardError;
    if (request.hideWindow) {
        startup.StartupInfo.dwFlags |= STARTF_USESHOWWINDOW;
        startup.StartupInfo.wShowWindow = SW_HIDE;
    }
    DWORD flags = CREATE_NO_WINDOW;
    if (request.killTreeOnJobClose) {
        flags |= CREATE_SUSPENDED;
    }
    // An empty list is refused by the system: a child with nothing to inherit inherits nothing.
    std::vector<HANDLE> inherited = inheritedStandardHandles(request);
    std::optional<InheritedHandleList> handleList;
    if (!inherited.empty()) {
        handleList.emplace(inherited);
        if (!handleList->ready()) {
            return failed(ChildStartFailure::createProcess, handleList->error());
        }
        startup.lpAttributeList = handleList->get();
        flags |= EXTENDED_STARTUPINFO_PRESENT;
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
                          nullptr, nullptr, inherited.empty() ? FALSE : TRUE, flags,
                          environment.empty() ? nullptr : environment.data(),
                          folder.empty() ? nullptr : folder.c_str(), &startup.StartupInfo, &info)) {
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
