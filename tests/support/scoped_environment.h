#pragma once
// Sets (or removes) one variable of the test process's own environment, which its children
// inherit, and puts the old value back at the end of the scope.
#include <optional>
#include <string>

namespace testsupport {

class ScopedEnvironment {
public:
    ScopedEnvironment(std::wstring name, const std::optional<std::wstring>& value);
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment();

private:
    std::wstring name_;
    std::optional<std::wstring> previous_;
};

// Sets or removes a variable of this process.
void setEnvironmentVariable(const std::wstring& name, const std::optional<std::wstring>& value);

// The separator of search-path entries: ';' on Windows, ':' on Linux.
wchar_t searchPathSeparator();

} // namespace testsupport
