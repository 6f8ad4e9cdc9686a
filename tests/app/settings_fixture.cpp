#include "tests/app/settings_fixture.h"

#include "backend/preferences/collection_paths.h"
#include "tests/app/frame_calls.h"
#include "tests/backend/operator_fixture.h"
#include "tests/support/package_fixtures.h"

#include <string>

namespace apptest {

using qxlauncher::operatortest::TrustedProgram;

SettingsFixture::SettingsFixture() = default;
SettingsFixture::~SettingsFixture() = default;

lumenark::App& SettingsFixture::open(const SettingsSetup& setup) {
    const std::filesystem::path& root = fixture.root();
    if (setup.game >= 0) {
        testsupport::writeBuildReceipt(root, qxlauncher::gameIdNarrow(setup.game),
                                       "executable of game " + std::to_string(setup.game));
    }
    if (setup.qx2Native) {
        testsupport::writeQx2NativePackage(root);
    }
    if (setup.adjustments) {
        using namespace qxlauncher::operatortest;
        program_ = std::make_unique<TrustedProgram>(operatorProgram(0));
        testsupport::writeFile(root / "roms/qx/even.bin", lane(program_->image(), 0));
        testsupport::writeFile(root / "roms/qx/odd.bin", lane(program_->image(), 1));
        testsupport::writeFile(root / qxlauncher::qx1BuildDir / "profile/cmos.bin",
                               validCmos(21, 4, 2, false, true));
    }
    // The widest design width is that of a client wider than 16:9.
    fixture.device->client = setup.designWidth > 1536.0f ? platform::ClientSize{4000, 2048}
                                                         : platform::ClientSize{1536, 1024};
    app_ = fixture.makeApp();
    app_->attachWindow(&window_);
    window_.events = app_.get();
    if (setup.game >= 0) {
        app_->selectGame(setup.game);
    }
    app_->openSettings();
    return *app_;
}

lumenark::App& SettingsFixture::open(const SettingsSetup& setup, lumenark::SettingsTab tab,
                                     const std::function<void(lumenark::App&)>& stage) {
    lumenark::App& app = open(setup);
    lumenark::AppProbe::stageSettingsTab(app, tab);
    stage(app);
    return app;
}

DrawCalls SettingsFixture::renderFrame() {
    app_->render(0, false);
    return lastFrameCalls(*fixture.device, *app_->renderer());
}

} // namespace apptest
