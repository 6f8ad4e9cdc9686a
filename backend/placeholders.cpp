// Stand-ins for backend operations whose own code has not landed yet. Each body moves to its
// own file when that code arrives.
#include "backend/backend.h"
#include "backend/launcher_files.h"

#include <system_error>

namespace qxlauncher {

} // namespace qxlauncher
