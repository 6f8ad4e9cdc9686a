// The second game's operator adjustments, from its native package: the program image from the ROM
// folder's "uj12.l31" (the even lane) and "ug12.l31", the presets and labels of its own table, and
// its writer lock ".cmos.lock".
#include "backend/backend.h"
#include "backend/cmos/adjustments.h"
#include "backend/cmos/cmos_profile.h"
#include "backend/packages/package_manifests.h"
#include "backend/packages/packages.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/backend/game_test_fixture.h"
#include "tests/backend/operator_fixture.h"
#include "tests/support/backend_probe.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/process_control.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace qxlauncher {
namespace {

using namespace operatortest;

class Qx2Adjustments : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::writeQx2NativePackage(root_.path());
        const Qx2NativePackage package =
            loadQx2NativeManifest(root_.path(), nativePackageIniPath(root_.path()), false);
        roms_ = package.romDirectory;
        cmos_ = package.profileDirectory / "cmos.bin";
        writeLanes(lane(program_.image(), 0), lane(program_.image(), 1));
        testsupport::writeFile(cmos_, validCmos(31, 2, 4, false, true));
        BackendProbe::stageSelectedGame(backend_, 1, true);
    }

    void writeLanes(const std::string& uj12, const std::string& ug12) {
        testsupport::writeFile(roms_ / "uj12.l31", uj12);
        testsupport::writeFile(roms_ / "ug12.l31", ug12);
    }
    std::string cmos() const { return testsupport::readFile(cmos_); }
    std::filesystem::path profileFile(const char* name) const { return cmos_.parent_path() / name; }

    // Another process that holds the writer lock, taken as the launcher takes it, for as long as
    // it lives.
    platform::StartedChild startLockHolder() {
        const auto game = root_.path() / (std::string("holder/fake") + gametest::executableSuffix);
        gametest::placeDouble("fake_game", game);
        gametest::writeScenario(
            game, "window=never\nhold_writer_lock=" + cmos_.parent_path().string() + "\n");
        platform::StartedChild holder = gametest::startFake(game, root_.path() / "holder.log");
        EXPECT_TRUE(holder.started());
        EXPECT_TRUE(gametest::waitForRecord(game.parent_path() / "fake-game-record.txt"));
        EXPECT_TRUE(std::filesystem::exists(profileFile(writerLockFileName)));
        return holder;
    }

    testsupport::TempFolder root_{"qx2-adjustments"};
    TrustedProgram program_{operatorProgram(1)};
    std::filesystem::path roms_;
    std::filesystem::path cmos_;
    Backend backend_{StartupContext{root_.path()}};
};

TEST_F(Qx2Adjustments, LoadTheBankAndTheLabelsOfItsOwnPresetTable) {
    ASSERT_TRUE(backend_.loadAdjustments(true));
    EXPECT_TRUE(backend_.adjustmentsAvailable());
    EXPECT_EQ((GameAdjustments{2, 4, false, false}), backend_.loadedAdjustments());
    EXPECT_EQ(L"P4 COIN / 71 / 72", backend_.coinageLabel(backend_.loadedAdjustments()));
    EXPECT_EQ(L"P58 COIN / 935 / 936", backend_.coinageLabel({2, 58, false, false}));
}

TEST_F(Qx2Adjustments, TheEvenLaneIsUj12) {
    writeLanes(lane(program_.image(), 1), lane(program_.image(), 0));
    EXPECT_FALSE(backend_.loadAdjustments(true));
    EXPECT_EQ(L"Game adjustments unavailable: check the profile's CMOS and ROM files.",
              backend_.statusText());
}

TEST_F(Qx2Adjustments, ASaveTakesTheWriterLockAndLetsItGo) {
    ASSERT_TRUE(backend_.loadAdjustments(true));
    const Config config = BackendProbe::config(backend_);
    ASSERT_TRUE(backend_.saveAll(config, {5, 4, false, false}))
        << platform::utf8FromWide(backend_.statusText());
    EXPECT_EQ(L"Preferences and adjustments saved for this game.", backend_.statusText());
    EXPECT_EQ(5u, readCmosParameter(cmos(), difficultyParameter));
    EXPECT_FALSE(std::filesystem::exists(profileFile(writerLockFileName)));
    EXPECT_FALSE(std::filesystem::exists(profileFile(sessionLockFileName)));
}

TEST_F(Qx2Adjustments, AnotherWritersLockRefusesTheSaveAndIsLeftAlone) {
    ASSERT_TRUE(backend_.loadAdjustments(true));
    const std::string before = cmos();
    const platform::StartedChild holder = startLockHolder();
    const auto held = platform::fileIdentity(profileFile(writerLockFileName));
    ASSERT_TRUE(held.has_value());

    EXPECT_FALSE(backend_.saveAll(BackendProbe::config(backend_), {5, 4, false, false}));
    EXPECT_EQ(L"Could not save; check access and whether the profile changed, then reopen the "
              L"adjustments.",
              backend_.statusText());
    EXPECT_FALSE(backend_.resetRanking());
    EXPECT_EQ(before, cmos());
    EXPECT_EQ(platform::fileIdentity(profileFile(writerLockFileName)), held);
    testsupport::killProcess(holder.processId);
    EXPECT_TRUE(testsupport::waitUntilProcessEnded(holder.processId));
}

// A holder killed in the middle of its edit: its lock ends with it, so neither SAVE nor the
// ranking reset is refused afterwards.
TEST_F(Qx2Adjustments, ALockWhoseHolderWasKilledRefusesNothing) {
    ASSERT_TRUE(backend_.loadAdjustments(true));
    const platform::StartedChild holder = startLockHolder();
    testsupport::killProcess(holder.processId);
    ASSERT_TRUE(testsupport::waitUntilProcessEnded(holder.processId));

    EXPECT_TRUE(backend_.resetRanking()) << platform::utf8FromWide(backend_.statusText());
    EXPECT_TRUE(backend_.saveAll(BackendProbe::config(backend_), {5, 4, false, false}))
        << platform::utf8FromWide(backend_.statusText());
    EXPECT_EQ(5u, readCmosParameter(cmos(), difficultyParameter));
    EXPECT_FALSE(std::filesystem::exists(profileFile(writerLockFileName)));
}

} // namespace
} // namespace qxlauncher
