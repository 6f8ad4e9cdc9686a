#pragma once
// A fixture project root: a fresh folder holding a real copy of the launcher, since the
// launcher takes its own folder as the project root.
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace testsupport {

class ProjectRoot {
public:
    // `name` (UTF-8) begins the root folder's name.
    explicit ProjectRoot(const std::string& name = "root");
    ProjectRoot(const ProjectRoot&) = delete;
    ProjectRoot& operator=(const ProjectRoot&) = delete;
    ~ProjectRoot();

    const std::filesystem::path& path() const { return folder_.path(); }
    std::filesystem::path operator/(const std::filesystem::path& relative) const {
        return folder_ / relative;
    }
    std::filesystem::path launcher() const;

    // Runs the copied launcher with these arguments; its working folder is the root, and on
    // Linux its desktop stand-in is a folder of this root's own.
    ChildResult runLauncher(const std::vector<std::wstring>& arguments,
                            ChildOptions options = {}) const;

    std::filesystem::path uiLog() const { return path() / "logs/temporaria-8/ui-latest.log"; }

private:
    TempFolder folder_;
};

// The last line of a UI event log without its tick ("fatal unknown capture page").
std::string lastUiEvent(const std::filesystem::path& log);

// The folder that stands in for this root's desktop session on Linux.
std::filesystem::path desktopFolderOf(const ProjectRoot& root);

} // namespace testsupport
