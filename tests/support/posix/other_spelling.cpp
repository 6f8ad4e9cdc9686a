#include "tests/support/other_spelling.h"

#include <system_error>

namespace testsupport {

SecondDrive::SecondDrive(const std::filesystem::path& folder) {
    std::filesystem::path link = folder;
    link += " (second drive)";
    std::error_code error;
    std::filesystem::create_directory_symlink(folder, link, error);
    if (error) {
        reason_ = "no link to the folder: " + error.message();
        return;
    }
    linkToRemove_ = link.string();
    path_ = link;
}

SecondDrive::~SecondDrive() {
    std::error_code ignored;
    if (!linkToRemove_.empty()) {
        std::filesystem::remove(linkToRemove_, ignored);
    }
}

std::optional<std::filesystem::path> shortNamesOf(const std::filesystem::path&) {
    return std::nullopt;
}

} // namespace testsupport
