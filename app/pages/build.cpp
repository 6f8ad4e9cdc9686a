// The Build page.
#include "app/app.h"

namespace lumenark {

void App::drawBuildPage() {}

} // namespace lumenark
