#pragma once
// A project root with the fake collection, the fake interpreter on this process's PATH, and a
// backend over it; shared by the setup pipeline tests.
#include "backend/backend.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "tests/support/backend_probe.h"
#include "tests/support/fake_collection.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qxlauncher {

class SetupFixture : public ::testing::Test {
protected:
    // PATH holds only the folder with the interpreter names given (none: an empty folder).
    void SetUp() override { useInterpreters({"python.exe"}); }

    void useInterpreters(const std::vector<std::string>& names) {
        interpreters_ = std::make_unique<testsupport::TempFolder>("interpreters");
        testsupport::placeFakeInterpreter(interpreters_->path(), names);
        path_.reset();
        path_ = std::make_unique<testsupport::ScopedEnvironment>(L"PATH",
                                                                 interpreters_->path().wstring());
    }

    void removePath() {
        path_.reset();
        path_ = std::make_unique<testsupport::ScopedEnvironment>(L"PATH", std::nullopt);
    }

    void collection(const std::string& scenario) {
        testsupport::writeFakeManifests(root.path());
        testsupport::writeFakeSetupScript(root.path(), scenario);
    }

    // A ROM folder holding the fake files of the given games.
    std::filesystem::path romFolder(const std::vector<int>& games,
                                    const std::string& name = "roms") {
        const auto folder = root / name;
        std::filesystem::create_directories(folder);
        for (const int game : games) {
            testsupport::writeFakeRoms(folder, game);
        }
        return folder;
    }

    Backend& backend() {
        if (!backend_) {
            backend_ = std::make_unique<Backend>(StartupContext{root.path()});
        }
        return *backend_;
    }
    void dropBackend() { backend_.reset(); }

    // Acknowledged and with a ROM folder for the game.
    void ready(int game, const std::filesystem::path& folder) {
        BackendProbe::acknowledged(backend()) = true;
        BackendProbe::setupJob(backend(), game).romFolder = folder;
    }

    // Pumps until nothing runs or waits; false on timeout.
    bool runUntilIdle(std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (backend().isSetupBusy()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            platform::sleepMilliseconds(10);
        }
        return true;
    }

    const SetupJob& job(int game) { return backend().setupJob(game); }

    // Pumps until the game's job has started its process.
    void pumpUntilRunning(int game) {
        while (!job(game).running) {
            ASSERT_TRUE(backend().isSetupBusy());
            platform::sleepMilliseconds(10);
        }
    }

    testsupport::TempFolder root{"setup-root"};

private:
    std::unique_ptr<testsupport::TempFolder> interpreters_;
    std::unique_ptr<testsupport::ScopedEnvironment> path_;
    std::unique_ptr<Backend> backend_;
};

} // namespace qxlauncher
