// The ROM Setup page.
#include "app/app.h"

namespace lumenark {

void App::drawRomSetupPage() {}

} // namespace lumenark
