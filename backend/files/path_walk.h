#pragma once
// The walk of every link check: a path and each of its parents, leaf first.
#include <filesystem>
#include <string>
#include <utility>

namespace qxlauncher {

// A share root ("\\server\share") or its server part: Windows paths only. The standard library
// of the Windows build does not take "\\server\share" for a root, so its parents would be
// visited and "\\server" cannot be read. On Linux "//a/b" is "/a/b", whose parts can be links.
inline bool isShareRoot(const std::filesystem::path& path) {
    if constexpr (std::filesystem::path::preferred_separator != L'\\') {
        return false;
    } else {
        const auto& text = path.native();
        const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
        if (text.size() < 3 || !separator(text[0]) || !separator(text[1]) || separator(text[2]) ||
            text[2] == L'?' || text[2] == L'.') {
            return false;
        }
        std::size_t parts = 0;
        bool inPart = false;
        for (std::size_t i = 2; i < text.size(); ++i) {
            if (separator(text[i])) {
                inPart = false;
            } else if (!inPart) {
                inPart = true;
                ++parts;
            }
        }
        return parts <= 2;
    }
}

// Calls `visit` with the path and then with each parent while it returns true. The root, a path
// that is its own parent ("C:\", "C:", "/") or a share root, is not visited: nothing can redirect
// the launcher through it, and Wine reports its drive "Z:\", its door to the Linux file system, as
// a reparse point. A relative path ends at its first component.
template <typename Visit> void walkBelowRoot(std::filesystem::path current, Visit visit) {
    while (!current.empty()) {
        std::filesystem::path parent = current.parent_path();
        if (parent == current || isShareRoot(current) || !visit(current)) {
            return;
        }
        current = std::move(parent);
    }
}

} // namespace qxlauncher
