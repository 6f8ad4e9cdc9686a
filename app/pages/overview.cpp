// The Overview page.
#include "app/app.h"

namespace lumenark {

void App::drawOverviewPage() {}

} // namespace lumenark
