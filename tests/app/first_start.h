#pragma once
// A first start on the Build page: the ROM folders are set, there are no setup logs and no
// builds, and the requirements check is held ("requirements=held") while the player acts. The
// collection's setup builds all three games from good files once the check is released.
#include "app/app.h"
#include "tests/app/dispatch_scene.h"
#include "tests/app/input_script.h"
#include "tests/support/fake_collection.h"
#include "tests/support/scoped_environment.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace apptest {

class FirstStart {
public:
    // `scenario`: more lines of the fake setup script's scenario (a hold of a game's step).
    explicit FirstStart(const std::string& scenario = {});

    lumenark::App& app() { return *app_; }
    InputScript& script() { return *script_; }
    void releaseCheck() { check_->release(); }

    // The page controls that the frame draws with the focus ring.
    std::vector<int> ringedControls();
    // Polls the setup queue until nothing runs or waits (false when that never came).
    bool allSetupsEnd();
    // Every game's job ended "done" and left its build receipt.
    testing::AssertionResult threeReceipts();
    // No game's job was cancelled and the status line never said so.
    testing::AssertionResult nothingCancelled();

    DispatchScene s;

private:
    lumenark::App* app_ = nullptr;
    std::wstring interpreters_;
    testsupport::ScopedEnvironment path_;
    std::optional<testsupport::FakePythonHold> check_;
    std::optional<InputScript> script_;
};

} // namespace apptest
