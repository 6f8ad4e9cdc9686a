// The part of the profile-folder operations that is the same on both platforms.
#include "platform/profile_folder.h"

namespace platform {

ProfileFolders& systemProfileFolders() {
    static ProfileFolders folders;
    return folders;
}

} // namespace platform
