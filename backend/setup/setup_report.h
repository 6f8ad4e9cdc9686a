#pragma once
// The plain-text setup report of a game, for the clipboard: without the user's profile folder.
#include "platform/shared_read.h"

#include <cstddef>
#include <filesystem>
#include <string>

namespace qxlauncher {

// The tail of the setup log for the report: the text of `logTailText` of its last bytes, read
// only from a regular file with no link on its path, else "(no log)".
std::wstring readLogTail(const std::filesystem::path& log,
                         platform::SharedReads& reads = platform::systemSharedReads());

// The last at most 40 lines of the last at most 32768 bytes of a log, widened from UTF-8.
std::wstring logTailText(const std::string& lastBytes);

// Every LF that does not follow a CR gets one.
std::wstring withCrLfLineEnds(const std::wstring& text);

// Replaces each occurrence of the needle, compared without regard to case, by the replacement,
// going on after the inserted text.
std::wstring replaceIgnoringCase(const std::wstring& text, const std::wstring& needle,
                                 const std::wstring& replacement);

// Both spellings of the profile folder (as it is, and with slashes) become "%USERPROFILE%".
std::wstring hideProfileFolder(std::wstring text, const std::wstring& profileFolder);

} // namespace qxlauncher
