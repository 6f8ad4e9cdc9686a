#include "tests/support/scoped_environment.h"

#include <windows.h>

namespace testsupport {

void setEnvironmentVariable(const std::wstring& name, const std::optional<std::wstring>& value) {
    ::SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
}

wchar_t searchPathSeparator() {
    return L';';
}

} // namespace testsupport
