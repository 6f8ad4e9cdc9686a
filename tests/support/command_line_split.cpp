#include "tests/support/command_line_split.h"

namespace testsupport {

// The program name is taken up to the next blank, or between quotes, without escapes. Then:
// 2n backslashes and a quote give n backslashes and toggle quoting; 2n+1 backslashes and a
// quote give n backslashes and a literal quote; inside quotes, a doubled quote is one literal
// quote and ends the quoted part; other backslashes are literal.
std::vector<std::wstring> splitWindowsCommandLine(const std::wstring& line) {
    std::vector<std::wstring> arguments;
    std::size_t at = 0;
    std::wstring program;
    if (at < line.size() && line[at] == L'"') {
        ++at;
        while (at < line.size() && line[at] != L'"') {
            program.push_back(line[at++]);
        }
        if (at < line.size()) {
            ++at;
        }
    } else {
        while (at < line.size() && line[at] != L' ' && line[at] != L'\t') {
            program.push_back(line[at++]);
        }
    }
    arguments.push_back(program);
    for (;;) {
        while (at < line.size() && (line[at] == L' ' || line[at] == L'\t')) {
            ++at;
        }
        if (at >= line.size()) {
            break;
        }
        std::wstring argument;
        bool inQuotes = false;
        while (at < line.size() && (inQuotes || (line[at] != L' ' && line[at] != L'\t'))) {
            if (line[at] == L'\\') {
                std::size_t backslashes = 0;
                while (at < line.size() && line[at] == L'\\') {
                    ++backslashes;
                    ++at;
                }
                if (at < line.size() && line[at] == L'"') {
                    argument.append(backslashes / 2, L'\\');
                    if (backslashes % 2 == 1) {
                        argument.push_back(L'"');
                        ++at;
                    }
                } else {
                    argument.append(backslashes, L'\\');
                }
                continue;
            }
            if (line[at] == L'"') {
                if (inQuotes && at + 1 < line.size() && line[at + 1] == L'"') {
                    argument.push_back(L'"');
                    at += 2;
                    inQuotes = false;
                    continue;
                }
                inQuotes = !inQuotes;
                ++at;
                continue;
            }
            argument.push_back(line[at++]);
        }
        arguments.push_back(argument);
    }
    return arguments;
}

} // namespace testsupport
