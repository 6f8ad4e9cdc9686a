#include "backend/cmos/cmos_profile.h"
#include "backend/packages/hashing.h"
#include "platform/process.h"
#include "platform/shared_read.h"
#include "platform/system_error.h"
#include "platform/text.h"
#include "tests/backend/cmos_test_images.h"
#include "tests/backend/game_test_fixture.h"
#include "tests/support/open_files.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/process_control.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <stdexcept>

namespace qxlauncher {
namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;

// The system's operations with faults put between them and the store.
class FaultyFolders : public platform::ProfileFolders {
public:
    bool failPendingCreate = false;
    int failCreateAfter = -1; // fail the n-th pending create (0-based), -1 never
    bool failWrite = false;
    bool failFlush = false;
    bool failLockRemoval = false;
    std::vector<std::uint32_t> renameErrors; // returned by the first renames, in order
    std::function<void()> beforeWrite;
    std::function<void(int)> onPause; // with the number of the wait, from 1
    int pauses = 0;
    int renames = 0;
    std::vector<std::string> pendingNames;
    platform::NativeHandle lock = nullptr;

    platform::NativeHandle createExclusive(const platform::HeldFolder& folder, const fs::path& name,
                                           std::uint32_t& error) override {
        if (name.string().starts_with(cmosPendingPrefix)) {
            pendingNames.push_back(name.string());
            const int index = static_cast<int>(pendingNames.size()) - 1;
            if (failPendingCreate || index == failCreateAfter) {
                error = platform::errorAccessDenied;
                return platform::invalidHandleValue();
            }
        }
        return ProfileFolders::createExclusive(folder, name, error);
    }
    platform::NativeHandle createWriterLock(const platform::HeldFolder& folder,
                                            const fs::path& name, std::uint32_t& error) override {
        lock = ProfileFolders::createWriterLock(folder, name, error);
        return lock;
    }
    bool markForDeletion(platform::NativeHandle handle) override {
        return !(failLockRemoval && handle == lock) && ProfileFolders::markForDeletion(handle);
    }
    bool writeAll(platform::NativeHandle handle, std::string_view bytes) override {
        if (beforeWrite) {
            beforeWrite();
        }
        return !failWrite && ProfileFolders::writeAll(handle, bytes);
    }
    bool flush(platform::NativeHandle handle) override {
        return !failFlush && ProfileFolders::flush(handle);
    }
    std::uint32_t renameOver(platform::NativeHandle handle, const fs::path& target) override {
        const auto attempt = static_cast<std::size_t>(renames++);
        if (attempt < renameErrors.size()) {
            return renameErrors[attempt];
        }
        return ProfileFolders::renameOver(handle, target);
    }
    void pause(std::uint32_t milliseconds) override {
        EXPECT_EQ(milliseconds, 10u);
        ++pauses;
        if (onPause) {
            onPause(pauses);
        }
    }
};

std::string failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "(no failure)";
}

// The names in a folder other than the ones a profile keeps.
std::set<std::string> strayEntries(const fs::path& folder) {
    std::set<std::string> stray;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name != "cmos.bin" && name != "factory-seed.bin" && name != "session.lock") {
            stray.insert(name);
        }
    }
    return stray;
}

class CmosProfile : public testing::Test {
protected:
    void SetUp() override {
        writeFile(cmos_, oldImage_);
        loaded_ = sha256Hex(oldImage_);
    }

    testsupport::TempFolder root_{"cmos"};
    fs::path profile_ = root_ / "qx1/profile";
    fs::path cmos_ = profile_ / "cmos.bin";
    std::string oldImage_ = cmostest::patternImage(1);
    std::string newImage_ = cmostest::patternImage(2);
    std::string loaded_;
};

TEST_F(CmosProfile, AnEditReplacesTheImageUnderTheWriterLock) {
    bool calledUnderLock = false;
    const std::string digest =
        editProfile(cmos_, newImage_, loaded_, CmosLockKind::WriterLock,
                    [&] { calledUnderLock = fs::exists(profile_ / ".cmos.lock"); });
    EXPECT_EQ(digest, sha256Hex(newImage_));
    EXPECT_EQ(readFile(cmos_), newImage_);
    EXPECT_TRUE(calledUnderLock);
    EXPECT_TRUE(strayEntries(profile_).empty());
    EXPECT_EQ(loadCmosWithDigest(cmos_).sha256, digest);
}

TEST_F(CmosProfile, TheSessionLockStaysAfterAnEdit) {
    editProfile(cmos_, newImage_, loaded_, CmosLockKind::SessionLock, {});
    EXPECT_EQ(readFile(cmos_), newImage_);
    EXPECT_TRUE(fs::exists(profile_ / "session.lock"));
    EXPECT_TRUE(strayEntries(profile_).empty());
}

TEST_F(CmosProfile, AnEqualImageReplacesNothingButRunsTheCallback) {
    const auto before = platform::fileIdentity(cmos_);
    bool called = false;
    const std::string digest =
        editProfile(cmos_, oldImage_, loaded_, CmosLockKind::WriterLock, [&] { called = true; });
    EXPECT_TRUE(called);
    EXPECT_EQ(digest, loaded_);
    EXPECT_EQ(platform::fileIdentity(cmos_), before);
}

// A dead process that had this process's id left pending files: the replacement counts on to a
// free name and leaves theirs alone.
TEST_F(CmosProfile, StalePendingFilesAreSkippedAndKept) {
    FaultyFolders probe;
    replaceCmosAtomically(cmos_, oldImage_, true, probe);
    ASSERT_EQ(probe.pendingNames.size(), 1u);
    const std::string prefix = cmosPendingName(platform::currentProcessId(), 0);
    const std::uint64_t last = std::stoull(probe.pendingNames.front().substr(prefix.size() - 1));
    std::vector<std::string> stale;
    for (std::uint64_t n = last + 1; n <= last + 3; ++n) {
        stale.push_back(cmosPendingName(platform::currentProcessId(), n));
        writeFile(profile_ / stale.back(), "someone else's");
    }
    FaultyFolders folders;
    editProfile(cmos_, newImage_, loaded_, CmosLockKind::WriterLock, {}, {}, folders);
    EXPECT_EQ(readFile(cmos_), newImage_);
    EXPECT_EQ(folders.pendingNames.size(), 4u);
    EXPECT_EQ(strayEntries(profile_), std::set<std::string>(stale.begin(), stale.end()));
    for (const std::string& name : stale) {
        EXPECT_EQ(readFile(profile_ / name), "someone else's");
    }
}

TEST_F(CmosProfile, ASaveAfterTheGameRewroteTheImageIsRefused) {
    const fs::path game = root_ / (std::string("game/fake") + gametest::executableSuffix);
    gametest::placeDouble("fake_game", game);
    gametest::writeScenario(game,
                            "window=never\nlifetime_ms=0\nrewrite_cmos=" + cmos_.string() + "\n");
    platform::StartedChild child = gametest::startFake(game, root_ / "game.log");
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(gametest::waitForRecord(game.parent_path() / "fake-game-record.txt"));
    const std::string gameBytes = readFile(cmos_);
    ASSERT_NE(gameBytes, oldImage_);
    ASSERT_TRUE(
        gametest::pollUntil([] {}, [&] { return platform::hasChildEnded(child.process.get()); }));

    EXPECT_EQ(
        failureOf([&] { editProfile(cmos_, newImage_, loaded_, CmosLockKind::WriterLock, {}); }),
        "CMOS profile changed since load; edit rejected");
    EXPECT_EQ(readFile(cmos_), gameBytes);
    EXPECT_TRUE(strayEntries(profile_).empty());
}

TEST_F(CmosProfile, ASessionLockHeldByTheGameRefusesTheEdit) {
    const fs::path game = root_ / (std::string("game/fake") + gametest::executableSuffix);
    gametest::placeDouble("fake_game", game);
    // The game holds the lock until the test lets it go.
    const fs::path hold = root_ / "game-hold";
    testsupport::writeFile(hold, "held\n");
    gametest::writeScenario(game, "window=never\nhold=" + hold.string() +
                                      "\nhold_session_lock=" + profile_.string() + "\n");
    platform::StartedChild child = gametest::startFake(game, root_ / "game.log");
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(gametest::waitForRecord(game.parent_path() / "fake-game-record.txt"));

    EXPECT_EQ(
        failureOf([&] { editProfile(cmos_, newImage_, loaded_, CmosLockKind::SessionLock, {}); }),
        "QX2 profile requires ordinary unlinked files and directories");
    EXPECT_EQ(readFile(cmos_), oldImage_);
    fs::remove(hold);
    EXPECT_TRUE(
        gametest::pollUntil([] {}, [&] { return platform::hasChildEnded(child.process.get()); }));
}

struct RequestCase {
    const char* name;
    const char* fileName;
    std::size_t size;
    std::int32_t lock;
    const char* label;
};

void PrintTo(const RequestCase& c, std::ostream* os) {
    *os << c.name;
}

class CmosEditRequests : public CmosProfile, public testing::WithParamInterface<RequestCase> {};

TEST_P(CmosEditRequests, AreRefusedBeforeAnythingIsOpened) {
    const RequestCase& c = GetParam();
    const fs::path target = profile_ / c.fileName;
    EXPECT_EQ(failureOf([&] {
                  editProfile(target, std::string(c.size, 'x'), loaded_,
                              static_cast<CmosLockKind>(c.lock), {});
              }),
              c.label);
    EXPECT_EQ(readFile(cmos_), oldImage_);
    EXPECT_TRUE(strayEntries(profile_).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Labels, CmosEditRequests,
    testing::Values(
        RequestCase{"OtherFile", "factory-seed.bin", 16384, 1,
                    "CMOS edit may only replace an existing cmos.bin profile"},
        RequestCase{"ShortImage", "cmos.bin", 16383, 1, "CMOS edit requires exactly 16384 bytes"},
        RequestCase{"LongImage", "cmos.bin", 16385, 0, "CMOS edit requires exactly 16384 bytes"},
        RequestCase{"UnknownLock", "cmos.bin", 16384, 2, "Unknown CMOS writer lock"}),
    [](const testing::TestParamInfo<RequestCase>& info) { return std::string(info.param.name); });

// Another launcher, or the game, holding the writer lock: every writer edit is refused while it
// lives, and once it is killed its lock refuses nobody.
TEST_F(CmosProfile, AWriterLockRefusesEveryWriterEditWhileItsHolderLives) {
    const fs::path game = root_ / (std::string("game/fake") + gametest::executableSuffix);
    gametest::placeDouble("fake_game", game);
    gametest::writeScenario(game, "window=never\nhold_writer_lock=" + profile_.string() + "\n");
    platform::StartedChild child = gametest::startFake(game, root_ / "game.log");
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(gametest::waitForRecord(game.parent_path() / "fake-game-record.txt"));
    ASSERT_TRUE(fs::exists(profile_ / ".cmos.lock")) << readFile(root_ / "game.log");

    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(failureOf([&] {
                      editProfile(cmos_, newImage_, loaded_, CmosLockKind::WriterLock, {});
                  }),
                  "QX2 profile writer or temporary file already exists or is inaccessible");
    }
    EXPECT_EQ(readFile(cmos_), oldImage_);

    testsupport::killProcess(child.processId);
    ASSERT_TRUE(testsupport::waitUntilProcessEnded(child.processId));
    EXPECT_EQ(editProfile(cmos_, newImage_, loaded_, CmosLockKind::WriterLock, {}),
              sha256Hex(newImage_));
    EXPECT_EQ(readFile(cmos_), newImage_);
    EXPECT_TRUE(strayEntries(profile_).empty());
}

// A lock file that no live process holds (one written by hand, left by a power cut or by an older
// launcher killed in an edit) is taken over: the game's settings can be saved again.
TEST_F(CmosProfile, AWriterLockFileThatNoProcessHolds) {
    writeFile(profile_ / ".cmos.lock", "");
    EXPECT_EQ(editProfile(cmos_, newImage_, loaded_, CmosLockKind::WriterLock, {}),
              sha256Hex(newImage_));
    EXPECT_EQ(readFile(cmos_), newImage_);
    EXPECT_TRUE(strayEntries(profile_).empty());
}

// Windows deletes the lock with its handle whatever happens before; the stand-in removes it by
// name, and a lock file left that way refuses nobody, but the edit did not end cleanly: it is
// said on the error stream.
TEST_F(CmosProfile, AWriterLockThatCannotBeRemovedIsSaidAndRefusesNobody) {
    FaultyFolders folders;
    folders.failLockRemoval = true;
    testing::internal::CaptureStderr();
    editProfile(cmos_, newImage_, loaded_, CmosLockKind::WriterLock, {}, {}, folders);
    const std::string logged = testing::internal::GetCapturedStderr();
    EXPECT_EQ(readFile(cmos_), newImage_);
    const fs::path lock = fs::absolute(profile_ / ".cmos.lock").lexically_normal();
    if (fs::exists(lock)) {
        EXPECT_EQ(logged, "cmos writer lock left: " +
                              platform::utf8FromWide(platform::wideFromPath(lock)) + "\n");
    } else {
        EXPECT_EQ(logged, "");
    }
    EXPECT_EQ(editProfile(cmos_, oldImage_, sha256Hex(newImage_), CmosLockKind::WriterLock, {}),
              loaded_);
    EXPECT_EQ(readFile(cmos_), oldImage_);
    EXPECT_TRUE(strayEntries(profile_).empty());
}

TEST_F(CmosProfile, NineSharingViolationsThenSuccess) {
    FaultyFolders folders;
    folders.renameErrors.assign(9, platform::errorSharingViolation);
    editProfile(cmos_, newImage_, loaded_, CmosLockKind::WriterLock, {}, {}, folders);
    EXPECT_EQ(readFile(cmos_), newImage_);
    EXPECT_EQ(folders.pauses, 9);
    EXPECT_EQ(folders.renames, 10);
}

// A reader holding "cmos.bin" (an indexer, a backup): the same replace as every safe write.
// A rename with POSIX semantics replaces it at once; the older rename refuses an open target,
// as Wine shows it and NTFS does, and the edit is made once the reader lets go.
TEST_F(CmosProfile, AReaderHoldingTheImageDoesNotKeepTheEditOut) {
    platform::SharedFile reader = platform::SharedFile::open(cmos_);
    ASSERT_TRUE(reader.isOpen());
    FaultyFolders folders;
    folders.onPause = [&](int wait) {
        if (wait == 2) {
            reader.close();
        }
    };
    editProfile(cmos_, newImage_, loaded_, CmosLockKind::WriterLock, {}, {}, folders);
    EXPECT_EQ(readFile(cmos_), newImage_);
    EXPECT_EQ(folders.renames, testsupport::renameReplacesAnOpenFile() ? 1 : 3);
    EXPECT_TRUE(strayEntries(profile_).empty());
}

struct RenameFailureCase {
    const char* name;
    std::vector<std::uint32_t> errors;
    int renames;
    int pauses;
    std::uint32_t reported;
};

void PrintTo(const RenameFailureCase& c, std::ostream* os) {
    *os << c.name;
}

class CmosRenameFailures : public CmosProfile,
                           public testing::WithParamInterface<RenameFailureCase> {};

TEST_P(CmosRenameFailures, ReportTheLastErrorAndLeaveTheOldImage) {
    const RenameFailureCase& c = GetParam();
    FaultyFolders folders;
    folders.renameErrors = c.errors;
    const std::string failure = failureOf(
        [&] { editProfile(cmos_, newImage_, loaded_, CmosLockKind::WriterLock, {}, {}, folders); });
    const std::wstring target = (fs::absolute(profile_) / "cmos.bin").lexically_normal().wstring();
    EXPECT_EQ(failure, "QX2 CMOS atomic replacement failed: " + std::to_string(c.reported) +
                           " path=" + platform::utf8FromWide(target) + " length=" +
                           std::to_string(platform::utf16Length(target)) + " offset=20");
    EXPECT_EQ(folders.renames, c.renames);
    EXPECT_EQ(folders.pauses, c.pauses);
    EXPECT_EQ(readFile(cmos_), oldImage_);
    EXPECT_TRUE(strayEntries(profile_).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Errors, CmosRenameFailures,
    testing::Values(
        RenameFailureCase{"TenSharingViolations", std::vector<std::uint32_t>(10, 32), 10, 9, 32},
        RenameFailureCase{"TenLockViolations", std::vector<std::uint32_t>(10, 33), 10, 9, 33},
        RenameFailureCase{"TenAccessDenials", std::vector<std::uint32_t>(10, 5), 10, 9, 5},
        RenameFailureCase{"OtherErrorEndsAtOnce", {32, 2}, 2, 1, 2}),
    [](const testing::TestParamInfo<RenameFailureCase>& info) {
        return std::string(info.param.name);
    });

// An interrupted replace leaves the old or the new image, never a mixture, and no stray file.
struct InterruptionCase {
    const char* name;
    std::function<void(FaultyFolders&)> inject;
    bool callbackFails;
    const char* label;
    bool newImageExpected;
};

void PrintTo(const InterruptionCase& c, std::ostream* os) {
    *os << c.name;
}

class CmosInterruptions : public CmosProfile,
                          public testing::WithParamInterface<InterruptionCase> {};

TEST_P(CmosInterruptions, LeaveAWholeImage) {
    const InterruptionCase& c = GetParam();
    FaultyFolders folders;
    c.inject(folders);
    const std::string failure = failureOf([&] {
        editProfile(
            cmos_, newImage_, loaded_, CmosLockKind::WriterLock,
            [&] {
                if (c.callbackFails) {
                    throw std::runtime_error("preferences save failed");
                }
            },
            {}, folders);
    });
    EXPECT_EQ(failure.substr(0, std::string(c.label).size()), c.label);
    EXPECT_EQ(readFile(cmos_), c.newImageExpected ? newImage_ : oldImage_);
    EXPECT_TRUE(strayEntries(profile_).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, CmosInterruptions,
    testing::Values(
        InterruptionCase{"Create", [](FaultyFolders& f) { f.failPendingCreate = true; }, false,
                         "QX2 profile writer or temporary file already exists or is inaccessible",
                         false},
        InterruptionCase{"Write", [](FaultyFolders& f) { f.failWrite = true; }, false,
                         "QX2 CMOS atomic write or flush failed", false},
        InterruptionCase{"Flush", [](FaultyFolders& f) { f.failFlush = true; }, false,
                         "QX2 CMOS atomic write or flush failed", false},
        InterruptionCase{"Rename", [](FaultyFolders& f) { f.renameErrors.assign(10, 5); }, false,
                         "QX2 CMOS atomic replacement failed: 5", false},
        InterruptionCase{"Callback", [](FaultyFolders&) {}, true, "preferences save failed",
                         false}),
    [](const testing::TestParamInfo<InterruptionCase>& info) {
        return std::string(info.param.name);
    });

TEST_F(CmosProfile, AnImageThatVanishesBeforeTheRenameIsNotRecreated) {
    FaultyFolders folders;
    folders.beforeWrite = [&] { fs::remove(cmos_); };
    EXPECT_EQ(failureOf([&] {
                  editProfile(cmos_, newImage_, loaded_, CmosLockKind::WriterLock, {}, {}, folders);
              }),
              "CMOS edit requires an existing profile image");
    EXPECT_FALSE(fs::exists(cmos_));
    EXPECT_TRUE(strayEntries(profile_).empty());
}

TEST_F(CmosProfile, TemporaryNamesCountUpAcrossProfiles) {
    const fs::path other = root_ / "qx2/profile/cmos.bin";
    writeFile(other, oldImage_);
    FaultyFolders folders;
    editProfile(cmos_, newImage_, loaded_, CmosLockKind::WriterLock, {}, {}, folders);
    editProfile(other, newImage_, loaded_, CmosLockKind::WriterLock, {}, {}, folders);
    editProfile(cmos_, oldImage_, sha256Hex(newImage_), CmosLockKind::SessionLock, {}, {}, folders);
    ASSERT_EQ(folders.pendingNames.size(), 3u);
    const std::string prefix = cmosPendingName(platform::currentProcessId(), 0);
    const auto counter = [&](const std::string& name) {
        return std::stoull(name.substr(prefix.size() - 1));
    };
    EXPECT_EQ(counter(folders.pendingNames[1]), counter(folders.pendingNames[0]) + 1);
    EXPECT_EQ(counter(folders.pendingNames[2]), counter(folders.pendingNames[1]) + 1);
    EXPECT_EQ(cmosPendingName(4120, 3), ".cmos-pending-4120-3");
}

TEST_F(CmosProfile, ALinkAboveTheProfileIsRefused) {
    const fs::path link = root_ / "linked";
    if (!testsupport::makeFolderLink(root_ / "qx1", link)) {
        GTEST_SKIP() << "this system does not create folder links";
    }
    const std::string label = "QX2 profile linked path rejected";
    EXPECT_EQ(failureOf([&] {
                  editProfile(link / "profile/cmos.bin", newImage_, loaded_,
                              CmosLockKind::WriterLock, {});
              }),
              label);
    EXPECT_EQ(failureOf([&] { loadCmosWithDigest(link / "profile/cmos.bin"); }), label);
    EXPECT_EQ(failureOf([&] { openProfileDirectory(link / "new/deeper", true); }), label);
    EXPECT_FALSE(fs::exists(root_ / "qx1/new"));
    EXPECT_EQ(readFile(cmos_), oldImage_);
}

TEST_F(CmosProfile, TheFolderChainIsHeldFromTheRootDown) {
    const fs::path deep = root_ / "made/a/./b/../c";
    EXPECT_EQ(failureOf([&] { openProfileDirectory(deep, false); }),
              "QX2 profile directory is missing or cannot be created");
    EXPECT_EQ(failureOf([&] { openProfileDirectory("", true); }),
              "QX2 profile directory must be explicit");
    const ProfileDirectory chain = openProfileDirectory(deep, true);
    EXPECT_TRUE(fs::is_directory(root_ / "made/a/c"));
    EXPECT_TRUE(fs::is_directory(root_ / "made/a/b"));
    EXPECT_EQ(chain.path, fs::absolute(root_ / "made/a/c").lexically_normal());
    // One handle per folder opened, the drive root first; ".." opens nothing new.
    std::size_t folders = 1;
    for (const auto& component : fs::absolute(deep).relative_path()) {
        folders += component != "." && component != ".." && !component.empty() ? 1 : 0;
    }
    EXPECT_EQ(chain.handles.size(), folders);
    auto& system = platform::systemProfileFolders();
    const auto rootInfo = requireOrdinaryHandle(chain.handles.front().get(), true);
    EXPECT_EQ(rootInfo.identity, platform::fileIdentity(fs::absolute(root_.path()).root_path()));
    EXPECT_EQ(system.inspect(chain.folderHandle)->identity,
              platform::fileIdentity(root_ / "made/a/c"));
}

// Reports the reparse flag for the drive root (as Wine reports its drive Z:\) and for the folders
// a test names: in their attributes and through the handles that hold them, or through the
// handles only. Handles are known by the identity of the folder they hold.
class ReportedLinks : public platform::ProfileFolders {
public:
    bool root = false;
    std::set<fs::path> folders; // absolute, normal
    bool handlesOnly = false;

    platform::PathAttributes attributes(const fs::path& path) override {
        platform::PathAttributes attributes = ProfileFolders::attributes(path);
        attributes.reparsePoint = attributes.reparsePoint || (!handlesOnly && reported(path));
        return attributes;
    }
    platform::NativeHandle openFolder(const platform::HeldFolder* parent, const fs::path& name,
                                      const fs::path& fullPath, std::uint32_t& error) override {
        const platform::NativeHandle handle =
            ProfileFolders::openFolder(parent, name, fullPath, error);
        const auto info = ProfileFolders::inspect(handle);
        if (info && reported(fullPath)) {
            linked_.push_back(info->identity);
        }
        return handle;
    }
    std::optional<platform::HandleInformation> inspect(platform::NativeHandle handle) override {
        auto info = ProfileFolders::inspect(handle);
        if (info && std::find(linked_.begin(), linked_.end(), info->identity) != linked_.end()) {
            info->reparsePoint = true;
        }
        return info;
    }

private:
    bool reported(const fs::path& path) const {
        return (root && path == path.parent_path()) || folders.contains(path);
    }
    std::vector<platform::FileIdentity> linked_;
};

enum class Reported { rootOnly, topFolder, profileParent };

struct ReportedLinkCase {
    const char* name;
    Reported which;
    bool handlesOnly;
    const char* label; // empty: the profile is read and edited
};

void PrintTo(const ReportedLinkCase& c, std::ostream* os) {
    *os << c.name;
}

class CmosReportedLinks : public CmosProfile,
                          public testing::WithParamInterface<ReportedLinkCase> {};

TEST_P(CmosReportedLinks, OnlyTheRootMayCarryTheFlag) {
    ReportedLinks system;
    system.root = true;
    system.handlesOnly = GetParam().handlesOnly;
    const fs::path profile = fs::absolute(profile_).lexically_normal();
    if (GetParam().which == Reported::topFolder) {
        // The folder just below the root is checked as every other.
        system.folders.insert(profile.root_path() / *profile.relative_path().begin());
    } else if (GetParam().which == Reported::profileParent) {
        system.folders.insert(profile.parent_path());
    }
    const std::string label = GetParam().label;
    EXPECT_EQ(failureOf([&] { loadCmosWithDigest(cmos_, system); }),
              label.empty() ? "(no failure)" : label);
    EXPECT_EQ(failureOf([&] {
                  editProfile(cmos_, newImage_, loaded_, CmosLockKind::WriterLock, {}, {}, system);
              }),
              label.empty() ? "(no failure)" : label);
    EXPECT_EQ(readFile(cmos_), label.empty() ? newImage_ : oldImage_);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, CmosReportedLinks,
    testing::Values(
        ReportedLinkCase{"Root", Reported::rootOnly, false, ""},
        ReportedLinkCase{"RootThroughItsHandle", Reported::rootOnly, true, ""},
        ReportedLinkCase{"TopFolder", Reported::topFolder, false,
                         "QX2 profile linked path rejected"},
        ReportedLinkCase{"TopFolderThroughItsHandle", Reported::topFolder, true,
                         "QX2 profile requires ordinary unlinked files and directories"},
        ReportedLinkCase{"ProfileParent", Reported::profileParent, false,
                         "QX2 profile linked path rejected"},
        ReportedLinkCase{"ProfileParentThroughItsHandle", Reported::profileParent, true,
                         "QX2 profile requires ordinary unlinked files and directories"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CmosProfile, AHeldProfileFolderCannotBeRenamed) {
#ifndef _WIN32
    GTEST_SKIP() << "Linux lets an open folder be renamed; the Windows build holds it";
#else
    const fs::path moved = root_ / "qx1/moved";
    std::error_code refused;
    {
        const ProfileDirectory held = openProfileDirectory(profile_, false);
        fs::rename(profile_, moved, refused);
        EXPECT_TRUE(refused) << "the held profile folder was renamed";
    }
    if (!refused) {
        fs::rename(moved, profile_);
    }
    EXPECT_TRUE(fs::exists(cmos_));
    // Let go, it can be renamed again.
    std::error_code released;
    fs::rename(profile_, moved, released);
    EXPECT_FALSE(released) << released.message();
#endif
}

struct ImageFileCase {
    const char* name;
    std::function<void(const fs::path&)> make;
    const char* label;
};

void PrintTo(const ImageFileCase& c, std::ostream* os) {
    *os << c.name;
}

class CmosImageFiles : public testing::TestWithParam<ImageFileCase> {};

TEST_P(CmosImageFiles, AreRefused) {
    testsupport::TempFolder root("cmos-file");
    const fs::path file = root / "profile/cmos.bin";
    fs::create_directories(file.parent_path());
    GetParam().make(file);
    EXPECT_EQ(failureOf([&] { loadCmosWithDigest(file); }), GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, CmosImageFiles,
    testing::Values(ImageFileCase{"Missing", [](const fs::path&) {},
                                  "QX2 profile requires ordinary unlinked files and directories"},
                    ImageFileCase{"Folder", [](const fs::path& f) { fs::create_directories(f); },
                                  "QX2 profile requires ordinary unlinked files and directories"},
                    ImageFileCase{"Short",
                                  [](const fs::path& f) { writeFile(f, std::string(16383, 'a')); },
                                  "QX2 CMOS image must contain exactly 16384 bytes"},
                    ImageFileCase{"Long",
                                  [](const fs::path& f) { writeFile(f, std::string(16385, 'a')); },
                                  "QX2 CMOS image must contain exactly 16384 bytes"}),
    [](const testing::TestParamInfo<ImageFileCase>& info) { return std::string(info.param.name); });

TEST(CmosHandles, AnInvalidHandleIsNoOrdinaryFile) {
    EXPECT_EQ(failureOf([] { requireOrdinaryHandle(platform::invalidHandleValue(), false); }),
              "QX2 profile requires ordinary unlinked files and directories");
    EXPECT_EQ(failureOf([] { requireOrdinaryHandle(nullptr, true); }),
              "QX2 profile requires ordinary unlinked files and directories");
    testsupport::TempFolder root("cmos-kind");
    const ProfileDirectory folder = openProfileDirectory(root.path(), false);
    EXPECT_EQ(failureOf([&] { requireOrdinaryHandle(folder.folderHandle, false); }),
              "QX2 profile requires ordinary unlinked files and directories");
}

class CmosNewProfile : public testing::Test {
protected:
    void SetUp() override { writeFile(seedFile_, seed_); }

    testsupport::TempFolder root_{"cmos-new"};
    std::string seed_ = testsupport::qx2FactorySeed();
    fs::path seedFile_ = root_ / "package/factory-seed.bin";
    fs::path profile_ = root_ / "package/profiles/new/qx2";
};

TEST_F(CmosNewProfile, IsSeededOnce) {
    const LoadedCmos loaded = ensureProfile(profile_, seedFile_);
    EXPECT_EQ(loaded.image, seed_);
    EXPECT_EQ(loaded.sha256, sha256Hex(seed_));
    EXPECT_EQ(readFile(profile_ / "factory-seed.bin"), seed_);
    EXPECT_EQ(readFile(profile_ / "cmos.bin"), seed_);
    EXPECT_TRUE(strayEntries(profile_).empty());
    EXPECT_EQ(loadProfile(profile_).sha256, loaded.sha256);

    // A seeded profile is left as the game keeps it.
    const std::string played = cmostest::patternImage(9);
    writeFile(profile_ / "cmos.bin", played);
    const auto seedIdentity = platform::fileIdentity(profile_ / "factory-seed.bin");
    EXPECT_EQ(ensureProfile(profile_, seedFile_).image, played);
    EXPECT_EQ(platform::fileIdentity(profile_ / "factory-seed.bin"), seedIdentity);
}

TEST_F(CmosNewProfile, ASeededFolderWithoutItsImageFailsReadingIt) {
    writeFile(profile_ / "factory-seed.bin", seed_);
    EXPECT_EQ(failureOf([&] { ensureProfile(profile_, seedFile_); }),
              "QX2 profile requires ordinary unlinked files and directories");
    EXPECT_FALSE(fs::exists(profile_ / "cmos.bin"));
}

TEST_F(CmosNewProfile, AFolderHoldingAnythingElseIsRefused) {
    writeFile(profile_ / "cmos.bin", cmostest::patternImage(4));
    EXPECT_EQ(failureOf([&] { ensureProfile(profile_, seedFile_); }),
              "QX2 CMOS profile directory is not empty or owned");
    EXPECT_FALSE(fs::exists(profile_ / "factory-seed.bin"));
    EXPECT_FALSE(fs::exists(profile_ / ".cmos.lock"));
}

// As for an edit: a lock file that no process holds is taken over.
TEST_F(CmosNewProfile, AWriterLockFileThatNoProcessHolds) {
    writeFile(profile_ / ".cmos.lock", "");
    EXPECT_EQ(failureOf([&] { ensureProfile(profile_, seedFile_); }), "(no failure)");
    EXPECT_EQ(readFile(profile_ / "cmos.bin"), seed_);
    EXPECT_TRUE(strayEntries(profile_).empty());
}

TEST_F(CmosNewProfile, AnotherSeedIsRefusedBeforeTheFolderIsMade) {
    writeFile(seedFile_, cmostest::patternImage(5));
    EXPECT_EQ(failureOf([&] { ensureProfile(profile_, seedFile_); }),
              "QX2 factory CMOS seed SHA-256 differs");
    EXPECT_FALSE(fs::exists(profile_));
}

TEST_F(CmosNewProfile, AFailedImageWriteTakesTheNewSeedBack) {
    FaultyFolders folders;
    folders.failCreateAfter = 1;
    EXPECT_EQ(failureOf([&] { ensureProfile(profile_, seedFile_, folders); }),
              "QX2 profile writer or temporary file already exists or is inaccessible");
    EXPECT_FALSE(fs::exists(profile_ / "factory-seed.bin"));
    EXPECT_FALSE(fs::exists(profile_ / "cmos.bin"));
    EXPECT_TRUE(fs::is_empty(profile_));
    // The folder is clean again, so the next start seeds it.
    EXPECT_EQ(ensureProfile(profile_, seedFile_).image, seed_);
}

} // namespace
} // namespace qxlauncher
