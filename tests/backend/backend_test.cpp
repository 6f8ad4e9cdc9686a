#include "backend/backend.h"
#include "tests/support/backend_probe.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace qxlauncher {

namespace {

TEST(Backend, AFreshBackendIsIdle) {
    testsupport::TempFolder root;
    Backend backend(StartupContext{root.path()});
    EXPECT_EQ(backend.statusText(), L"Choose the folder with your ROM files to prepare the games.");
    EXPECT_FALSE(backend.isGameRunningHandle());
    EXPECT_EQ(backend.lastExitCode(), 0u);
    EXPECT_TRUE(backend.setupQueueEmpty());
    EXPECT_EQ(backend.selectedGameKind(), 0);
    EXPECT_EQ(backend.qx3EditionSelected(), 1);
}

TEST(Backend, TheRootIsMadeAbsoluteAndNormal) {
    testsupport::TempFolder root;
    std::filesystem::create_directories(root / "a/b");
    Backend dotted(StartupContext{root / "a/b/../."});
    EXPECT_EQ((dotted.root() / "logs").lexically_normal(), (root / "a/logs").lexically_normal());
    EXPECT_EQ(dotted.root().string().find(".."), std::string::npos);
    Backend relative(StartupContext{"sub/.."});
    EXPECT_TRUE(relative.root().is_absolute());
    EXPECT_EQ((relative.root() / "x").lexically_normal(),
              (std::filesystem::current_path() / "x").lexically_normal());
}

TEST(Backend, EditionChoiceKeepsToOneAndTwo) {
    testsupport::TempFolder root;
    Backend backend(StartupContext{root.path()});
    EXPECT_FALSE(backend.selectQx3Edition(3));
    EXPECT_FALSE(backend.selectQx3Edition(0));
    EXPECT_EQ(backend.qx3EditionSelected(), 1);
    EXPECT_TRUE(backend.selectQx3Edition(2));
    EXPECT_EQ(backend.qx3EditionSelected(), 2);
    const std::wstring status = backend.statusText();
    EXPECT_TRUE(backend.selectQx3Edition(1));
    EXPECT_EQ(backend.statusText(), status);
}

TEST(Backend, NoEditionChangeWhileAGameRuns) {
    testsupport::TempFolder root;
    Backend backend(StartupContext{root.path()});
    BackendProbe::stageRunningGame(backend);
    EXPECT_FALSE(backend.selectQx3Edition(2));
    EXPECT_EQ(backend.qx3EditionSelected(), 1);
    BackendProbe::clearRunningGame(backend);
}

TEST(GameTable, NamesTheThreeGames) {
    EXPECT_EQ(gameTable[0].id, L"qx1");
    EXPECT_EQ(gameTable[1].marqueeTitle, L"QUARRIX II");
    EXPECT_EQ(gameTable[2].romManifest, L"tools/qx3/roms-21.json");
    EXPECT_EQ(gameTable[2].boardCaption, L"R-UNIT  /  REV 2.1");
    EXPECT_EQ(gameTable[0].board, L"Q-Unit (ADPCM sound)");
}

} // namespace
} // namespace qxlauncher
