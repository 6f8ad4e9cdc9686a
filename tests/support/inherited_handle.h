#pragma once
// A handle that a child would get if its start let every inheritable handle of the launcher go
// with it: a file opened inheritable here, whose handle value the child is told, and the child's
// side of the check.
#include <cstdint>
#include <filesystem>
#include <string>

namespace testsupport {

class InheritableFile {
public:
    // Opens (and creates) the file for reading, inheritable, sharing everything.
    explicit InheritableFile(const std::filesystem::path& path);
    InheritableFile(const InheritableFile&) = delete;
    InheritableFile& operator=(const InheritableFile&) = delete;
    ~InheritableFile();

    bool isOpen() const;
    // "<handle value> <file>": the words a double is given to look for the handle.
    std::string probeText() const;

private:
    std::filesystem::path path_;
    std::uintptr_t value_ = 0;
    bool open_ = false;
};

// In a child, for the text of `probeText`: "inherited" when the handle value names an open
// handle of that very file in this process, else "not inherited"; "bad probe" for other text.
std::string inheritedHandleState(const std::string& probeText);

} // namespace testsupport
