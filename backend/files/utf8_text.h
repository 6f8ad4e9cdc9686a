#pragma once
// UTF-8 where the collection's files meet paths and the status line: path values read from
// setup.cfg, manifests and receipts, and error texts shown to the user.
#include <filesystem>
#include <string>
#include <string_view>

namespace qxlauncher {

// The path that the UTF-8 text names.
std::filesystem::path pathFromUtf8(std::string_view text);

// A text that holds a NUL names no path: every system call would read the name only up to the
// NUL, so the file checked and the file used would differ.
bool holdsNul(std::string_view text);

// The path as UTF-8 text.
std::string utf8FromPath(const std::filesystem::path& path);

// An error text for the status line; "Native error." for an empty text.
std::wstring utf8ToWide(const char* text);

} // namespace qxlauncher
