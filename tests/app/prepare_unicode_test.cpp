// The headless setup in a project root and from a ROM folder whose names go beyond ASCII, as a
// user's folders do ("röot", "röms"): the launcher takes, stores and hands on the names whole.
#include "platform/text.h"
#include "tests/support/fake_collection.h"
#include "tests/support/project_root.h"

#include <gtest/gtest.h>

namespace {

TEST(NonAsciiFolders, APrepareBuildsFromThemAndKeepsTheirNames) {
    const testsupport::ProjectRoot root("r\xC3\xB6ot");
    testsupport::placeFakeInterpreter(root / "interpreters", {"python.exe"});
    testsupport::writeFakeManifests(root.path());
    testsupport::writeFakeSetupScript(root.path(), "step_delay_ms=0\n");
    const std::filesystem::path roms = root / platform::pathFromWide(L"r\u00F6ms \u20AC");
    testsupport::writeFakeRoms(roms, 0);

    testsupport::ChildOptions options;
    options.environment[L"PATH"] = platform::wideFromPath(root / "interpreters");
    options.timeout = std::chrono::seconds(120);
    const testsupport::ChildResult result = root.runLauncher(
        {L"--prepare", L"--roms", platform::wideFromPath(roms), L"--confirm-roms"}, options);
    ASSERT_EQ(result.exitCode, 0) << result.standardOutput << result.standardError;
    EXPECT_NE(result.standardOutput.find("progress 1.000 Ready to play"), std::string::npos);

    // The setup script got the folder's name whole, and setup.cfg keeps it as UTF-8.
    const std::u8string utf8 = roms.u8string();
    EXPECT_NE(testsupport::readFile(root / "build/native/launcher-profile/setup.cfg")
                  .find("qx1=" + std::string(utf8.begin(), utf8.end()) + "\n"),
              std::string::npos);
    bool receipt = false;
    for (const auto& build : std::filesystem::directory_iterator(root / "generated/qx1")) {
        receipt = receipt || std::filesystem::exists(build.path() / "setup.json");
    }
    EXPECT_TRUE(receipt);
}

} // namespace
