#pragma once
// Scratch folders for tests, removed when the test ends. They sit in the build tree next to the
// test binaries, so no link lies on their path.
#include <filesystem>
#include <string>

namespace testsupport {

// The folder of the running test binary (the launcher is built into the same folder).
std::filesystem::path binaryFolder();

class TempFolder {
public:
    // `purpose` (UTF-8) begins the folder's name.
    explicit TempFolder(const std::string& purpose = "scratch");
    // The same in another folder than the scratch base (which it creates).
    TempFolder(const std::string& purpose, const std::filesystem::path& base);
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& relative) const {
        return path_ / relative;
    }

private:
    std::filesystem::path path_;
};

// Writes bytes to a file, creating its folders.
void writeFile(const std::filesystem::path& path, const std::string& bytes);
std::string readFile(const std::filesystem::path& path);
// What the file holds now, or nothing when it cannot be opened (not there yet).
std::string readFileIfPresent(const std::filesystem::path& path);
// Waits until the file exists (another process's signal); false after 30 s without it.
bool waitForFile(const std::filesystem::path& path);

// Creates a symbolic link to a folder; false where the system refuses (the test then skips).
bool makeFolderLink(const std::filesystem::path& target, const std::filesystem::path& link);
bool makeFileLink(const std::filesystem::path& target, const std::filesystem::path& link);
// Creates a named pipe (FIFO) in the file system; false where the system has none (Windows).
bool makePipeFile(const std::filesystem::path& path);

} // namespace testsupport
