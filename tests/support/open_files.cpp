#include "tests/support/open_files.h"

#include "platform/files.h"
#include "platform/shared_read.h"
#include "platform/system_error.h"
#include "tests/support/temp_folder.h"

namespace testsupport {

bool renameReplacesAnOpenFile() {
#ifndef _WIN32
    // rename(2) always does; a failure there is the test's to see.
    return true;
#else
    static const bool replaces = [] {
        const TempFolder folder("open-rename");
        writeFile(folder / "held", "old");
        const platform::SharedFile reader = platform::SharedFile::open(folder / "held");
        std::uint32_t error = 0;
        platform::File replacement = platform::File::createNew(folder / "replacement", error);
        return reader.isOpen() && replacement.isOpen() &&
               platform::renameOpenFileOver(replacement.nativeHandle(), folder / "held") ==
                   platform::errorSuccess;
    }();
    return replaces;
#endif
}

} // namespace testsupport
