#pragma once
// The walk of every link check: a path and each of its parents, leaf first.
#include <filesystem>
#include <utility>

namespace qxlauncher {

// Calls `visit` with the path and then with each parent while it returns true. The root, a path
// that is its own parent ("C:\", "C:", "/"), is not visited: nothing can redirect the launcher
// through it, and Wine reports its drive "Z:\", its door to the Linux file system, as a reparse
// point. A relative path ends at its first component.
template <typename Visit> void walkBelowRoot(std::filesystem::path current, Visit visit) {
    while (!current.empty()) {
        std::filesystem::path parent = current.parent_path();
        if (parent == current || !visit(current)) {
            return;
        }
        current = std::move(parent);
    }
}

} // namespace qxlauncher
