#include "tests/support/project_root.h"
#include "platform/text.h"

#include <sstream>
#include <system_error>

namespace testsupport {

ProjectRoot::ProjectRoot(const std::string& name) : folder_(name) {
    std::filesystem::copy_file(binaryFolder() / LUMENARK_LAUNCHER_NAME, launcher());
}

ProjectRoot::~ProjectRoot() {
    std::error_code ignored;
    std::filesystem::remove_all(desktopFolderOf(*this), ignored);
}

std::filesystem::path ProjectRoot::launcher() const {
    return path() / LUMENARK_LAUNCHER_NAME;
}

std::filesystem::path desktopFolderOf(const ProjectRoot& root) {
    std::filesystem::path folder = root.path();
    folder += ".desktop";
    return folder;
}

ChildResult ProjectRoot::runLauncher(const std::vector<std::wstring>& arguments,
                                     ChildOptions options) const {
    options.arguments = arguments;
    if (options.workingFolder.empty()) {
        options.workingFolder = path();
    }
    if (!options.environment.contains(L"LUMENARK_DESKTOP_DIR")) {
        options.environment[L"LUMENARK_DESKTOP_DIR"] =
            platform::wideFromPath(desktopFolderOf(*this));
    }
    return runChild(launcher(), options);
}

std::string lastUiEvent(const std::filesystem::path& log) {
    std::istringstream lines(readFile(log));
    std::string line;
    std::string last;
    while (std::getline(lines, line)) {
        last = line;
    }
    const auto blank = last.find(' ');
    return blank == std::string::npos ? last : last.substr(blank + 1);
}

} // namespace testsupport
