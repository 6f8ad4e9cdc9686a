#pragma once
#include <exception>
#include <string>

namespace testsupport {

inline constexpr const char* noError = "no error";

// The text of the error that `action` throws; `noError` when it returns.
template <typename Action> std::string errorText(Action&& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return noError;
}

inline bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace testsupport
