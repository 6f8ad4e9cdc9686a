// The frame's own state changes: the first interactive frame of a page other than Play starts
// the requirements check once, a capture never does.
#include "tests/app/app_fixture.h"
#include "tests/support/backend_probe.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace {

using lumenark::NavSection;
using qxlauncher::BackendProbe;

// No interpreter on the search path: a started check ends at once with its result "checked".
class RequirementsCheck : public testing::Test {
protected:
    bool checked() { return BackendProbe::tools(app_->backend()).checked; }
    void start() { app_ = fixture_.makeApp(); }

    testsupport::TempFolder emptyPath_{"no-python"};
    testsupport::ScopedEnvironment path_{L"PATH", emptyPath_.path().wstring()};
    apptest::AppFixture fixture_;
    std::unique_ptr<lumenark::App> app_;
};

TEST_F(RequirementsCheck, ACaptureNeverStartsIt) {
    start();
    for (const NavSection section : {NavSection::overview, NavSection::build, NavSection::legal}) {
        app_->prepareCapture(false, lumenark::SettingsTab::video, section);
        app_->render(1.0, true);
    }
    EXPECT_FALSE(app_->requirementsCheckStarted());
    EXPECT_FALSE(checked());
    EXPECT_TRUE(BackendProbe::setupQueue(app_->backend()).empty());
}

TEST_F(RequirementsCheck, TheFirstInteractiveFrameOfAPageStartsItOnce) {
    start();
    ASSERT_EQ(app_->section(), NavSection::overview);
    app_->render(0.016, false);
    EXPECT_TRUE(app_->requirementsCheckStarted());
    EXPECT_TRUE(checked());
    EXPECT_EQ(app_->backend().statusText().rfind(L"Setup refused: ", 0), 0u);

    BackendProbe::tools(app_->backend()) = {};
    app_->prepareCapture(false, lumenark::SettingsTab::video, NavSection::build);
    app_->render(0.016, false);
    EXPECT_FALSE(checked());
}

TEST_F(RequirementsCheck, NeitherPlayNorSettingsStartIt) {
    testsupport::writeBuildReceipt(fixture_.root(), "qx1", "executable of qx1");
    start();
    ASSERT_EQ(app_->section(), NavSection::play);
    app_->render(0.016, false);
    app_->prepareCapture(true, lumenark::SettingsTab::launcher, NavSection::overview);
    app_->render(0.016, false);
    EXPECT_FALSE(app_->requirementsCheckStarted());
    EXPECT_FALSE(checked());
    // Back from Settings, the first page frame starts it.
    app_->prepareCapture(false, lumenark::SettingsTab::launcher, NavSection::overview);
    app_->render(0.016, false);
    EXPECT_TRUE(checked());
}

} // namespace
