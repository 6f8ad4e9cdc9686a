// The part of the profile-folder operations that is the same on both platforms.
#include "platform/profile_folder.h"

#include "platform/clock.h"

namespace platform {

void ProfileFolders::pause(std::uint32_t milliseconds) {
    sleepMilliseconds(milliseconds);
}

ProfileFolders& systemProfileFolders() {
    static ProfileFolders folders;
    return folders;
}

} // namespace platform
