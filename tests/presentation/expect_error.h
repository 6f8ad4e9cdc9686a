#pragma once
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace testsupport {

// The text of the std::runtime_error that `action` throws; "<no error>" when it returns.
template <typename Action> std::string errorText(Action&& action) {
    try {
        action();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "<no error>";
}

inline bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace testsupport
