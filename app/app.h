#pragma once
// The launcher application object: owns the backend for the window's whole life.
#include "backend/backend.h"
#include "backend/startup_context.h"

#include <memory>

namespace lumenark {

class App {
public:
    explicit App(const qxlauncher::StartupContext& context);
    App(const App&) = delete;
    App& operator=(const App&) = delete;
    ~App();

    // Tears down in order; errors propagate to the caller. Safe to call more than once.
    void shutdown();

    qxlauncher::Backend& backend() { return *backend_; }
    const std::filesystem::path& projectRoot() const { return context_.projectRoot; }

private:
    qxlauncher::StartupContext context_;
    std::unique_ptr<qxlauncher::Backend> backend_;
};

} // namespace lumenark
