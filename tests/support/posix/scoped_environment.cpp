#include "tests/support/scoped_environment.h"

#include "platform/text.h"

#include <cstdlib>

namespace testsupport {

void setEnvironmentVariable(const std::wstring& name, const std::optional<std::wstring>& value) {
    const std::string key = platform::utf8FromWide(name);
    if (value) {
        ::setenv(key.c_str(), platform::utf8FromWide(*value).c_str(), 1);
    } else {
        ::unsetenv(key.c_str());
    }
}

wchar_t searchPathSeparator() {
    return L':';
}

} // namespace testsupport
