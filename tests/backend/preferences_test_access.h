#pragma once
// Reaches the backend fields that the preference tests stage or inspect.
#include "backend/backend.h"

namespace qxlauncher {

class PreferencesTestAccess {
public:
    static Config& config(Backend& backend) { return backend.config; }
    static SetupJob& job(Backend& backend, int game) {
        return backend.jobs.at(static_cast<std::size_t>(game));
    }
    static bool& acknowledged(Backend& backend) { return backend.acknowledged; }
    static bool qx2NativeSelected(const Backend& backend) { return backend.qx2NativeSelected; }
    static void setGameProcess(Backend& backend, platform::NativeHandle handle) {
        backend.gameProcess = handle;
    }
};

// Stages a running game for the length of a scope.
class RunningGameScope {
public:
    explicit RunningGameScope(Backend& backend) : backend_(backend) {
        PreferencesTestAccess::setGameProcess(backend_, platform::invalidHandleValue());
    }
    RunningGameScope(const RunningGameScope&) = delete;
    RunningGameScope& operator=(const RunningGameScope&) = delete;
    ~RunningGameScope() { PreferencesTestAccess::setGameProcess(backend_, nullptr); }

private:
    Backend& backend_;
};

} // namespace qxlauncher
