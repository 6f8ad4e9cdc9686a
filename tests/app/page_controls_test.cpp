// The labels and enabled rules of the setup controls: the Build buttons (70 + g) on the Overview
// and the Build page by the game's setup and build, the Verify buttons (60 + g) by the running
// mode, and the tools a verification needs against those of a build.
#include "app/app.h"
#include "app/control_ids.h"
#include "tests/app/app_fixture.h"
#include "tests/support/backend_probe.h"
#include "tests/support/package_fixtures.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>

namespace lumenark {
namespace {

using apptest::AppFixture;
using qxlauncher::BackendProbe;
using qxlauncher::SetupJob;
using qxlauncher::ToolProbe;

// The control of the section's list with this id.
PageControl controlOf(App& app, NavSection section, int id) {
    app.prepareCapture(false, SettingsTab::video, section);
    for (const PageControl& control : app.pageControls()) {
        if (control.id == id) {
            return control;
        }
    }
    throw std::runtime_error("no control " + std::to_string(id));
}

// Ownership confirmed, every game's folder chosen and the tools found.
void stageReady(App& app, const std::filesystem::path& root) {
    qxlauncher::Backend& backend = app.backend();
    BackendProbe::acknowledged(backend) = true;
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        BackendProbe::setupJob(backend, game).romFolder = root / "roms" / std::to_string(game);
    }
    ToolProbe& tools = BackendProbe::tools(backend);
    tools.checked = true;
    tools.ok = true;
    tools.pythonSupported = true;
    tools.python = "C:/Python312/python.exe";
    tools.compilerVersion = "16.1.0";
    tools.compilerValidated = "16.1.0";
}

// --- The labels ---

enum class Receipt { none, current, outdated };

struct LabelCase {
    const char* name;
    void (*stage)(SetupJob&);
    Receipt receipt;
    const wchar_t* build;
    const wchar_t* verify;
};

void PrintTo(const LabelCase& c, std::ostream* out) {
    *out << c.name;
}

const LabelCase labelCases[] = {
    {"NeverBuilt", [](SetupJob&) {}, Receipt::none, L"Build", L"Verify"},
    {"Built", [](SetupJob&) {}, Receipt::current, L"Rebuild", L"Verify"},
    {"BuiltByAnOlderVersion", [](SetupJob&) {}, Receipt::outdated, L"Update", L"Verify"},
    {"QueuedOverABuild", [](SetupJob& job) { job.queued = true; }, Receipt::current, L"Queued",
     L"Verify"},
    {"QueuedOverAnOlderBuild", [](SetupJob& job) { job.queued = true; }, Receipt::outdated,
     L"Queued", L"Verify"},
    {"SettingUpOverABuild",
     [](SetupJob& job) {
         job.running = true;
         job.mode = "setup";
     },
     Receipt::current, L"Building", L"Verify"},
    {"VerifyingOverABuild",
     [](SetupJob& job) {
         job.running = true;
         job.mode = "verify";
     },
     Receipt::current, L"Verifying", L"Verifying"},
    {"VerifyingNeverBuilt",
     [](SetupJob& job) {
         job.running = true;
         job.mode = "verify";
     },
     Receipt::none, L"Verifying", L"Verifying"},
};

class SetupControlLabels : public testing::TestWithParam<LabelCase> {};

TEST_P(SetupControlLabels, FollowTheJobThenTheBuild) {
    const LabelCase& c = GetParam();
    AppFixture fixture;
    if (c.receipt != Receipt::none) {
        testsupport::writeBuildReceipt(fixture.root(), "qx2", "executable of qx2",
                                       c.receipt == Receipt::current ? "14" : "13");
    }
    const auto app = fixture.makeApp();
    stageReady(*app, fixture.root());
    c.stage(BackendProbe::setupJob(app->backend(), 1));
    for (const NavSection section : {NavSection::overview, NavSection::build}) {
        EXPECT_EQ(controlOf(*app, section, buildControlId(1)).label, c.build)
            << static_cast<int>(section);
        // The other games keep their own word.
        EXPECT_EQ(controlOf(*app, section, buildControlId(0)).label, L"Build");
    }
    EXPECT_EQ(controlOf(*app, NavSection::romSetup, verifyControlId(1)).label, c.verify);
    EXPECT_EQ(controlOf(*app, NavSection::romSetup, verifyControlId(2)).label, L"Verify");
}

INSTANTIATE_TEST_SUITE_P(Jobs, SetupControlLabels, testing::ValuesIn(labelCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The tools a verification needs and those of a build ---

struct ToolsCase {
    const char* name;
    void (*stage)(ToolProbe&);
    bool build;
    bool verify;
};

void PrintTo(const ToolsCase& c, std::ostream* out) {
    *out << c.name;
}

const ToolsCase toolsCases[] = {
    {"NotCheckedYet", [](ToolProbe& tools) { tools = {}; }, true, true},
    {"EverythingFound", [](ToolProbe&) {}, true, true},
    {"NoCompilerStillVerifies", [](ToolProbe& tools) { tools.compilerVersion.clear(); }, false,
     true},
    {"PythonTooOld", [](ToolProbe& tools) { tools.pythonSupported = false; }, false, false},
    {"NoPython", [](ToolProbe& tools) { tools.python.clear(); }, false, false},
};

class SetupControlTools : public testing::TestWithParam<ToolsCase> {};

TEST_P(SetupControlTools, EnableBuildAndVerify) {
    const ToolsCase& c = GetParam();
    AppFixture fixture;
    const auto app = fixture.makeApp();
    stageReady(*app, fixture.root());
    c.stage(BackendProbe::tools(app->backend()));
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        EXPECT_EQ(controlOf(*app, NavSection::overview, buildControlId(game)).enabled, c.build);
        EXPECT_EQ(controlOf(*app, NavSection::build, buildControlId(game)).enabled, c.build);
        EXPECT_EQ(controlOf(*app, NavSection::romSetup, verifyControlId(game)).enabled, c.verify);
    }
    EXPECT_EQ(controlOf(*app, NavSection::build, buildAllControlId).enabled, c.build);
}

INSTANTIATE_TEST_SUITE_P(Tools, SetupControlTools, testing::ValuesIn(toolsCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace lumenark
