#include "tests/support/scoped_environment.h"

#include "platform/process.h"

namespace testsupport {

ScopedEnvironment::ScopedEnvironment(std::wstring name, const std::optional<std::wstring>& value)
    : name_(std::move(name)), previous_(platform::environmentVariable(name_)) {
    setEnvironmentVariable(name_, value);
}

ScopedEnvironment::~ScopedEnvironment() {
    setEnvironmentVariable(name_, previous_);
}

} // namespace testsupport
