#pragma once
// Other spellings of one file, as a player's system may give them besides the launcher's own:
// through a second drive letter that stands for a folder (a substituted or mapped drive), and by
// the short (8.3) names of its components.
#include <filesystem>
#include <optional>
#include <string>

namespace testsupport {

// A second drive letter for a folder while the object lives: on Windows a substituted drive, under
// Wine (which does not resolve those) a link in the prefix's "dosdevices" folder; on Linux, which
// has no drive letters, a link to the folder beside it.
class SecondDrive {
public:
    explicit SecondDrive(const std::filesystem::path& folder);
    SecondDrive(const SecondDrive&) = delete;
    SecondDrive& operator=(const SecondDrive&) = delete;
    ~SecondDrive();

    // The folder through the second drive ("Q:\"); empty when none could be made (see `reason`).
    const std::filesystem::path& path() const { return path_; }
    const std::string& reason() const { return reason_; }

private:
    std::filesystem::path path_;
    std::string reason_;
    std::wstring substituted_; // the drive ("Q:") defined for the folder
    std::string linkToRemove_; // the link made for it
};

// The path with the short (8.3) name of every component; none where the system gives none
// (Linux) or only the same spelling.
std::optional<std::filesystem::path> shortNamesOf(const std::filesystem::path& path);

} // namespace testsupport
