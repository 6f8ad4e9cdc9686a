#include "platform/process.h"

#include <windows.h>

#include <shellapi.h>

namespace platform {

std::uint32_t currentProcessId() {
    return ::GetCurrentProcessId();
}

ModulePath executablePath(std::uint32_t bufferUnits) {
    std::wstring buffer(bufferUnits, L'\0');
    const DWORD result = ::GetModuleFileNameW(nullptr, buffer.data(), bufferUnits);
    ModulePath path;
    path.returnedUnits = result;
    if (result > 0 && result < bufferUnits) {
        buffer.resize(result);
        path.text = std::move(buffer);
    }
    return path;
}

std::optional<std::vector<std::wstring>> commandLineArguments() {
    int count = 0;
    LPWSTR* list = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (list == nullptr) {
        return std::nullopt;
    }
    std::vector<std::wstring> arguments;
    for (int i = 1; i < count; ++i) {
        arguments.emplace_back(list[i]);
    }
    ::LocalFree(list);
    return arguments;
}

std::optional<std::wstring> environmentVariable(const std::wstring& name) {
    const DWORD needed = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (needed == 0) {
        return std::nullopt;
    }
    std::wstring value(needed, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name.c_str(), value.data(), needed);
    if (length >= needed) {
        return std::nullopt;
    }
    value.resize(length);
    return value;
}

} // namespace platform
