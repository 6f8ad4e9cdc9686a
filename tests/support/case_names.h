// Names of the cases of a parameter table: letters, digits and underscores, the same at every
// discovery, so that a filter or a rerun can name one case.
#pragma once
#include <string>
#include <string_view>

namespace testsupport {

// For a table whose case carries its own `name`.
inline constexpr auto caseName = [](const auto& info) { return std::string(info.param.name); };

// For a table of client areas with a `width` and a `height`: "Width1920Height1080".
inline constexpr auto clientSizeName = [](const auto& info) {
    return "Width" + std::to_string(info.param.width) + "Height" +
           std::to_string(info.param.height);
};

// "upper-case digits" becomes "UpperCaseDigits": each run of ASCII letters and digits is a word
// that starts with a capital, everything else only separates words.
inline std::string caseNameFrom(std::string_view description) {
    std::string name;
    bool wordStart = true;
    for (const char c : description) {
        const bool lower = c >= 'a' && c <= 'z';
        if (!lower && !(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9')) {
            wordStart = true;
            continue;
        }
        name += wordStart && lower ? static_cast<char>(c - 'a' + 'A') : c;
        wordStart = false;
    }
    return name;
}

} // namespace testsupport
