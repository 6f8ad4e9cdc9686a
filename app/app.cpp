#include "app/app.h"

namespace lumenark {

App::App(const qxlauncher::StartupContext& context)
    : context_(context), backend_(std::make_unique<qxlauncher::Backend>(context)) {}

App::~App() = default;

void App::shutdown() {
    backend_.reset();
}

} // namespace lumenark
