// Safety checks that guard a player's files and results: a stale progress file never speaks for
// a new job, a linked ROM folder never reaches the setup, the operator adjustments never land in
// another profile than the one loaded, a junction in a CMOS profile path is refused by its
// handle, and a read never returns other bytes than the file's whole content.
#include "backend/backend.h"
#include "backend/cmos/cmos_profile.h"
#include "backend/files/file_safety.h"
#include "backend/files/utf8_text.h"
#include "backend/packages/package_manifests.h"
#include "backend/packages/packages.h"
#include "backend/preferences/collection_paths.h"
#include "backend/setup/setup_runner.h"
#include "platform/text.h"
#include "tests/backend/operator_fixture.h"
#include "tests/backend/setup_test_fixture.h"
#include "tests/support/backend_probe.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace qxlauncher {
namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;

std::string failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "(no failure)";
}

// --- The setup runner ------------------------------------------------------------------------

using SetupGuards = SetupFixture;

// A run that dies before it writes progress must not be read as the last run's result.
TEST_F(SetupGuards, AStaleProgressFileIsGoneBeforeTheJobStarts) {
    collection("bare.qx1=verify\n"); // exits 3 before it writes anything
    ready(0, romFolder({0}));
    const fs::path progress = setupProgressPath(root.path(), 0);
    writeFile(progress, R"({"mode": "setup", "step": "compile", "state": "failed",
        "message": "An earlier failure.", "code": "earlier", "hint": "Earlier hint.",
        "detail": "earlier detail", "report": {"program": "earlier", "files": [],
        "checks": [], "ok": true}})");
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(0, false));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(job(0).state, "failed");
    EXPECT_EQ(job(0).code, "internal");
    EXPECT_EQ(job(0).message, "The setup stopped unexpectedly.");
    EXPECT_EQ(job(0).detail, "setup.py exit code 3");
    EXPECT_FALSE(job(0).verified);
    EXPECT_FALSE(fs::exists(progress));
    EXPECT_EQ(b.statusText(), L"Quarrix: The setup stopped unexpectedly.");
}

// The old progress file is deleted only where it is the root's own: through a linked "logs"
// folder it is left alone and the job is refused.
TEST_F(SetupGuards, AProgressFileBehindALinkIsNotDeleted) {
    collection("");
    ready(0, romFolder({0}));
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(0, true));
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(job(0).state, "done");
    testsupport::TempFolder elsewhere{"elsewhere"};
    fs::rename(root / "logs", elsewhere / "logs");
    if (!testsupport::makeFolderLink(elsewhere / "logs", root / "logs")) {
        GTEST_SKIP() << "this system cannot create a folder link that reads as a reparse point";
    }
    const fs::path behindTheLink = elsewhere / "logs" / setupProgressPath({}, 0).filename();
    const std::string before = readFile(behindTheLink);
    ASSERT_TRUE(b.requestSetup(0, true));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(job(0).state, "failed");
    EXPECT_EQ(job(0).message, "linked path");
    EXPECT_EQ(testsupport::readFileIfPresent(behindTheLink), before);
}

// setup.cfg is only a file: a folder it names is checked again when its job starts, as
// `setRomFolder` checks a chosen one.
TEST_F(SetupGuards, ALinkedRomFolderFromSetupCfgIsRefusedWhenItsJobStarts) {
    collection("");
    const fs::path real = romFolder({0}, "real-roms");
    const fs::path link = root / "roms-link";
    if (!testsupport::makeFolderLink(real, link)) {
        GTEST_SKIP() << "this system cannot create a folder link that reads as a reparse point";
    }
    writeFile(root / setupConfigPath, "acknowledged=1\nqx1=" + utf8FromPath(link) + "\n");
    Backend& b = backend();
    ASSERT_EQ(job(0).romFolder, link);
    ASSERT_TRUE(b.requestSetup(0, false));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(job(0).state, "failed");
    EXPECT_EQ(job(0).code, "launcher");
    EXPECT_EQ(job(0).message, "linked path");
    EXPECT_EQ(b.statusText(), L"Setup refused: linked path");
    for (const std::string& call : testsupport::fakePythonCalls(root.path())) {
        EXPECT_EQ(call.find("--game"), std::string::npos) << call;
    }
}

// --- The operator adjustments' profile -------------------------------------------------------

struct ProfileChangeCase {
    const char* name;
    std::function<bool(Backend&)> act;
    const wchar_t* status;
};

void PrintTo(const ProfileChangeCase& c, std::ostream* os) {
    *os << c.name;
}

class ProfileChanges : public ::testing::TestWithParam<ProfileChangeCase> {
protected:
    void SetUp() override {
        testsupport::writeQx2NativePackage(root_.path());
        const Qx2NativePackage package =
            loadQx2NativeManifest(root_.path(), nativePackageIniPath(root_.path()), false);
        writeFile(package.romDirectory / "uj12.l31", operatortest::lane(program_.image(), 0));
        writeFile(package.romDirectory / "ug12.l31", operatortest::lane(program_.image(), 1));
        loaded_ = package.profileDirectory / "cmos.bin";
        writeFile(loaded_, operatortest::validCmos(31, 2, 4, false, true));
        BackendProbe::stageSelectedGame(backend_, 1, true);
    }

    // The manifest now names another profile folder, holding a profile of its own.
    fs::path moveTheProfile() {
        testsupport::ManifestFields fields =
            testsupport::qx2NativeManifestFields(testsupport::Qx2Readiness::nativePlayable);
        testsupport::setField(fields, "profile_directory", "profile-moved");
        writeFile(nativePackageIniPath(root_.path()), testsupport::renderManifest(fields));
        const fs::path moved = loaded_.parent_path().parent_path() / "profile-moved/cmos.bin";
        writeFile(moved, readFile(loaded_));
        return moved;
    }

    testsupport::TempFolder root_{"profile-changes"};
    operatortest::TrustedProgram program_{operatortest::operatorProgram(1)};
    fs::path loaded_;
    Backend backend_{StartupContext{root_.path()}};
};

TEST_P(ProfileChanges, RefuseTheSaveAndTheResetAndLeaveBothProfiles) {
    ASSERT_TRUE(backend_.loadAdjustments(true));
    const std::string before = readFile(loaded_);
    const fs::path moved = moveTheProfile();
    // The manifest itself is sound: the path it gives is simply another one.
    ASSERT_EQ(backend_.cmosPath(true), moved);
    EXPECT_FALSE(GetParam().act(backend_));
    EXPECT_EQ(backend_.statusText(), GetParam().status);
    EXPECT_EQ(readFile(loaded_), before);
    EXPECT_EQ(readFile(moved), before);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, ProfileChanges,
    ::testing::Values(
        ProfileChangeCase{"Save",
                          [](Backend& b) {
                              return b.saveAll(BackendProbe::config(b), {5, 4, false, false});
                          },
                          L"Could not save; check access and whether the profile changed, then "
                          L"reopen the adjustments."},
        ProfileChangeCase{"RankingReset", [](Backend& b) { return b.resetRanking(); },
                          L"Could not reset the ranking; the profile was not replaced."}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The CMOS profile's folder handles ------------------------------------------------------

// The system's operations, but the handle of one folder reports a reparse point, as a Windows
// junction's handle does while its attributes were read as a plain folder.
class JunctionFolder : public platform::ProfileFolders {
public:
    explicit JunctionFolder(fs::path folder) : junction_(std::move(folder)) {}

    platform::NativeHandle openFolder(const platform::HeldFolder* parent, const fs::path& name,
                                      const fs::path& fullPath, std::uint32_t& error) override {
        const platform::NativeHandle handle =
            ProfileFolders::openFolder(parent, name, fullPath, error);
        if (fullPath.lexically_normal() == junction_) {
            junctionHandle_ = handle;
        }
        return handle;
    }
    std::optional<platform::HandleInformation> inspect(platform::NativeHandle handle) override {
        std::optional<platform::HandleInformation> info = ProfileFolders::inspect(handle);
        if (info && handle == junctionHandle_) {
            EXPECT_TRUE(info->directory);
            info->reparsePoint = true;
        }
        return info;
    }

private:
    fs::path junction_;
    platform::NativeHandle junctionHandle_ = nullptr;
};

struct JunctionCase {
    const char* name;
    const char* folder; // relative to the scratch root
};

void PrintTo(const JunctionCase& c, std::ostream* os) {
    *os << c.name;
}

class CmosJunctions : public ::testing::TestWithParam<JunctionCase> {};

TEST_P(CmosJunctions, AreRefusedByTheirHandle) {
    testsupport::TempFolder root("cmos-junction");
    const fs::path cmos = root / "qx2/profile/cmos.bin";
    const std::string image = cmostest::patternImage(1);
    writeFile(cmos, image);
    JunctionFolder folders(fs::absolute(root / GetParam().folder).lexically_normal());
    const std::string label = "QX2 profile requires ordinary unlinked files and directories";
    EXPECT_EQ(failureOf([&] { loadCmosWithDigest(cmos, folders); }), label);
    EXPECT_EQ(failureOf([&] {
                  editProfile(cmos, cmostest::patternImage(2), sha256Hex(image),
                              CmosLockKind::WriterLock, {}, {}, folders);
              }),
              label);
    EXPECT_EQ(readFile(cmos), image);
    EXPECT_FALSE(fs::exists(cmos.parent_path() / writerLockFileName));
}

INSTANTIATE_TEST_SUITE_P(Folders, CmosJunctions,
                         ::testing::Values(JunctionCase{"TheProfileFolder", "qx2/profile"},
                                           JunctionCase{"AFolderAboveIt", "qx2"}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Reads of files whose size says something else than their content -----------------------

#ifndef _WIN32
// These read files of the kernel's own file systems, which a container may leave unmounted.
// Where the file is there, its sizes are the kernel's and the test runs whole.
std::optional<std::string> missingPremise(const fs::path& file, const std::string& mount) {
    std::error_code error;
    if (fs::is_regular_file(file, error)) {
        return std::nullopt;
    }
    return file.string() + " is missing: is " + mount + " mounted here?";
}

// A file of /proc reports 0 bytes and yields more: past the cap it is refused, never cut short.
TEST(SizedReads, AFileThatYieldsMoreThanItsSizeIsRefusedPastTheCap) {
    const fs::path file = "/proc/meminfo";
    if (const auto reason = missingPremise(file, "/proc")) {
        GTEST_SKIP() << *reason;
    }
    ASSERT_EQ(fs::file_size(file), 0u);
    const std::string whole = readFileCapped(file, 1 << 20);
    ASSERT_GT(whole.size(), 64u);
    EXPECT_EQ(failureOf([&] { readFileCapped(file, 64); }), "oversized file");
}

// A file of /sys reports 4096 bytes and yields a few: the read is shorter than the size.
TEST(SizedReads, AReadShorterThanTheSizeIsRefused) {
    const fs::path file = "/sys/devices/system/cpu/online";
    if (const auto reason = missingPremise(file, "/sys")) {
        GTEST_SKIP() << *reason;
    }
    ASSERT_EQ(fs::file_size(file), 4096u);
    ASSERT_LT(readFile(file).size(), 4096u);
    EXPECT_EQ(readFileLimited(file, 1 << 20), std::nullopt);
}
#endif

} // namespace
} // namespace qxlauncher
