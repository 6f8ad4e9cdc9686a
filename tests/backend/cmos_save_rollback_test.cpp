// A save of the operator adjustments writes the preferences first and then "cmos.bin": when the
// CMOS replace fails, the preferences file gets its previous bytes back, so the files agree with
// the launcher, which keeps the previous values.
#include "backend/backend.h"
#include "backend/cmos/cmos_profile.h"
#include "backend/preferences/collection_paths.h"
#include "platform/process.h"
#include "platform/system_error.h"
#include "tests/backend/operator_fixture.h"
#include "tests/support/backend_probe.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qxlauncher {
namespace {

namespace fs = std::filesystem;
using namespace operatortest;

constexpr int pendingNameAttempts = 64; // the names one replace tries before it gives up

// Records the temporary names the store draws, so a test learns where the counter stands.
class NameRecorder : public platform::ProfileFolders {
public:
    std::vector<std::string> pendingNames;
    platform::NativeHandle createExclusive(const platform::HeldFolder& folder, const fs::path& name,
                                           std::uint32_t& error) override {
        pendingNames.push_back(name.string());
        return ProfileFolders::createExclusive(folder, name, error);
    }
};

// Every rename of a temporary file over its target fails.
class FailingRename : public platform::ProfileFolders {
public:
    std::uint32_t renameOver(platform::NativeHandle, const fs::path&) override {
        return platform::errorWriteFault;
    }
};

// The next temporary names of this process, all taken, as a dead process with this process's
// id would leave them: the next CMOS replace cannot create its file and fails.
void takeTheNextPendingNames(const fs::path& profile, const fs::path& scratch) {
    NameRecorder recorder;
    testsupport::writeFile(scratch / "cmos.bin", cmostest::patternImage(7));
    replaceCmosAtomically(scratch / "cmos.bin", cmostest::patternImage(8), true, recorder);
    ASSERT_EQ(recorder.pendingNames.size(), 1u);
    const std::string prefix = cmosPendingName(platform::currentProcessId(), 0);
    const std::uint64_t last = std::stoull(recorder.pendingNames.front().substr(prefix.size() - 1));
    for (std::uint64_t n = last + 1; n <= last + pendingNameAttempts; ++n) {
        testsupport::writeFile(profile / cmosPendingName(platform::currentProcessId(), n),
                               "someone else's");
    }
}

enum class Before { none, saved, oversized };

struct RollbackCase {
    const char* name;
    Before before; // what launcher.ini held before the save
};

void PrintTo(const RollbackCase& c, std::ostream* os) {
    *os << c.name;
}

class CmosSaveRollback : public ::testing::TestWithParam<RollbackCase> {
protected:
    void SetUp() override {
        testsupport::writeFile(root_ / "roms/qx/even.bin", lane(program_.image(), 0));
        testsupport::writeFile(root_ / "roms/qx/odd.bin", lane(program_.image(), 1));
        testsupport::writeFile(cmosFile(), validCmos(21, 4, 2, false, true));
    }
    fs::path cmosFile() const { return root_ / qx1BuildDir / "profile/cmos.bin"; }
    fs::path preferencesFile() const { return preferencesFilePath(root_.path(), 0, false); }

    void layOutPreferences(Before before) {
        if (before == Before::saved) {
            Backend first{StartupContext{root_.path()}};
            ASSERT_TRUE(first.loadAdjustments(true));
            Config seeded = BackendProbe::config(first);
            seeded.GameVolume = 70;
            ASSERT_TRUE(first.saveAll(seeded, first.loadedAdjustments()));
        } else if (before == Before::oversized) {
            // Too large to load: the launcher holds the defaults instead.
            testsupport::writeFile(preferencesFile(), std::string(preferencesFileCap + 1, ';'));
        }
    }

    testsupport::TempFolder root_{"cmos-rollback"};
    testsupport::TempFolder scratch_{"cmos-rollback-names"};
    TrustedProgram program_{operatorProgram(0)};
};

TEST_P(CmosSaveRollback, AFailedCmosReplacePutsThePreferencesBack) {
    layOutPreferences(GetParam().before);
    const std::optional<std::string> preferencesBefore =
        fs::exists(preferencesFile()) ? std::optional(testsupport::readFile(preferencesFile()))
                                      : std::nullopt;
    const std::string cmosBefore = testsupport::readFile(cmosFile());

    Backend backend{StartupContext{root_.path()}};
    backend.loadPreferences(true);
    ASSERT_TRUE(backend.adjustmentsAvailable());
    const Config loaded = BackendProbe::config(backend);
    Config next = loaded;
    next.GameVolume = 40;
    next.Blood = !loaded.Blood;
    takeTheNextPendingNames(cmosFile().parent_path(), scratch_.path());

    EXPECT_FALSE(backend.saveAll(next, {2, 5, false, false}));
    EXPECT_EQ(backend.statusText(), L"Could not save; check access and whether the profile "
                                    L"changed, then reopen the adjustments.");
    EXPECT_EQ(testsupport::readFile(cmosFile()), cmosBefore);
    switch (GetParam().before) {
    case Before::none:
        EXPECT_FALSE(fs::exists(preferencesFile()));
        break;
    case Before::saved:
        EXPECT_EQ(testsupport::readFileIfPresent(preferencesFile()), *preferencesBefore);
        break;
    case Before::oversized:
        // What the launcher held is written out in place of what it could not load.
        EXPECT_EQ(testsupport::readFileIfPresent(preferencesFile()), preferencesText(loaded, 0));
        break;
    }
    // The next start shows what the launcher now holds.
    EXPECT_EQ(BackendProbe::config(backend), loaded);
    Backend restarted{StartupContext{root_.path()}};
    restarted.loadPreferences(false);
    EXPECT_EQ(BackendProbe::config(restarted), loaded);
}

INSTANTIATE_TEST_SUITE_P(Preferences, CmosSaveRollback,
                         ::testing::Values(RollbackCase{"NeverSaved", Before::none},
                                           RollbackCase{"SavedBefore", Before::saved},
                                           RollbackCase{"TooLargeToLoad", Before::oversized}),
                         [](const auto& info) { return std::string(info.param.name); });

// The store's side: `undo` runs under the lock exactly when the replace failed after the
// callback had run.
struct UndoCase {
    const char* name;
    bool renameFails;
    bool callbackFails;
    bool undoExpected;
};

void PrintTo(const UndoCase& c, std::ostream* os) {
    *os << c.name;
}

class CmosEditUndo : public ::testing::TestWithParam<UndoCase> {};

TEST_P(CmosEditUndo, RunsOnlyWhenTheReplaceFailedAfterTheCallback) {
    const UndoCase& c = GetParam();
    testsupport::TempFolder root("cmos-undo");
    const fs::path cmos = root / "profile/cmos.bin";
    const std::string oldImage = cmostest::patternImage(1);
    testsupport::writeFile(cmos, oldImage);
    FailingRename failing;
    platform::ProfileFolders plain;
    int undone = 0;
    bool undoneUnderLock = false;
    try {
        editProfile(
            cmos, cmostest::patternImage(2), sha256Hex(oldImage), CmosLockKind::WriterLock,
            [&] {
                if (c.callbackFails) {
                    throw std::runtime_error("preferences save failed");
                }
            },
            [&] {
                ++undone;
                undoneUnderLock = fs::exists(cmos.parent_path() / writerLockFileName);
            },
            c.renameFails ? static_cast<platform::ProfileFolders&>(failing) : plain);
    } catch (const std::exception&) {
    }
    EXPECT_EQ(undone, c.undoExpected ? 1 : 0);
    EXPECT_EQ(undoneUnderLock, c.undoExpected);
}

INSTANTIATE_TEST_SUITE_P(Steps, CmosEditUndo,
                         ::testing::Values(UndoCase{"Replaced", false, false, false},
                                           UndoCase{"ReplaceFailed", true, false, true},
                                           UndoCase{"CallbackFailed", true, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace qxlauncher
