// The App's construction over fixture roots, its background poll, its teardown, the click sound
// and the binding slots.
#include "app/app.h"

#include "app/click_sound.h"
#include "app/control_ids.h"
#include "app/rom_manifests.h"
#include "backend/packages/hashing.h"
#include "backend/preferences/collection_paths.h"
#include "tests/app/app_fixture.h"
#include "tests/app/app_probe.h"
#include "tests/support/error_text.h"
#include "tests/support/package_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <string_view>
#include <thread>

namespace lumenark {
namespace {

using apptest::AppFixture;

// Writes a build receipt of the game; an outdated one carries an older setup version.
void writeReceipt(const std::filesystem::path& root, const std::string& id, bool current) {
    const auto folder = testsupport::writeBuildReceipt(root, id, "executable of " + id);
    if (!current) {
        std::string receipt = testsupport::readFile(folder / "setup.json");
        receipt.replace(receipt.find("\"14\""), 4, "\"13\"");
        testsupport::writeFile(folder / "setup.json", receipt);
    }
}

// Steps the clock by a tick and ticks until the pending poll was collected.
void tickUntilPollCollected(App& app, apptest::FakeClock& clock) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (app.pollPending() && std::chrono::steady_clock::now() < deadline) {
        clock.advanceMilliseconds(200);
        app.tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

TEST(AppStart, AFirstStartHasTheDefaults) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    EXPECT_EQ(app->section(), NavSection::overview);
    EXPECT_EQ(app->readyFlags(), (GameFlags{false, false, false}));
    EXPECT_EQ(app->selectedGame(), 0);
    EXPECT_EQ(app->loadedGame(), -1);
    EXPECT_EQ(app->settingsTab(), SettingsTab::video);
    EXPECT_FALSE(app->settingsOpen());
    EXPECT_TRUE(app->active());
    // The backend's sentence after loading the first game's preferences.
    EXPECT_EQ(app->statusLine(), L"Default preferences loaded.");
    EXPECT_EQ(app->appliedPreferences(), qxlauncher::LauncherPreferences{});
    EXPECT_EQ(app->editedPreferences(), qxlauncher::LauncherPreferences{});
    EXPECT_EQ(app->editBindings(), qxlauncher::ControlBindings{});
    EXPECT_EQ(app->editAdjustments(), qxlauncher::GameAdjustments{});
    EXPECT_EQ(app->tickState().nextPoll, 0u);
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        EXPECT_FALSE(app->builds()[static_cast<std::size_t>(game)].found);
        EXPECT_TRUE(app->digestKinds(game).empty());
    }
}

TEST(AppStart, TheLauncherPreferencesAreApplied) {
    AppFixture fixture;
    testsupport::writeFile(fixture.root() / qxlauncher::launcherConfigPath,
                           "Volume=40\nMuted=1\nFPS=120\nVSync=0\nReducedMotion=1\nFullscreen=0\n");
    const auto app = fixture.makeApp();
    EXPECT_EQ(app->appliedPreferences().FPS, 120);
    EXPECT_EQ(app->appliedPreferences().Volume, 40);
    EXPECT_TRUE(app->appliedPreferences().Muted);
    EXPECT_FALSE(app->appliedPreferences().Fullscreen);
    EXPECT_EQ(app->editedPreferences(), app->appliedPreferences());
}

struct SectionCase {
    const char* name;
    std::vector<std::pair<std::string, bool>> receipts; // game id, current
    NavSection section;
};

class StartSection : public testing::TestWithParam<SectionCase> {};

TEST_P(StartSection, FollowsTheReceiptsFound) {
    AppFixture fixture;
    for (const auto& [id, current] : GetParam().receipts) {
        writeReceipt(fixture.root(), id, current);
    }
    const auto app = fixture.makeApp();
    EXPECT_EQ(app->section(), GetParam().section);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StartSection,
    testing::Values(
        SectionCase{"none", {}, NavSection::overview},
        SectionCase{"one_valid", {{"qx2", true}}, NavSection::play},
        SectionCase{"only_outdated", {{"qx1", false}}, NavSection::build},
        SectionCase{"valid_beside_outdated", {{"qx1", false}, {"qx3", true}}, NavSection::play}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AppStart, AValidBuildCountsAsReadyUntilTheFirstPoll) {
    AppFixture fixture;
    writeReceipt(fixture.root(), "qx3", true);
    const auto app = fixture.makeApp();
    EXPECT_EQ(app->readyFlags(), (GameFlags{false, false, true}));
    EXPECT_TRUE(app->builds()[2].found);
}

TEST(AppStart, TheOtherGamesEditionChoicesAreReadFromTheirPreferences) {
    AppFixture fixture;
    // The second game offers Remastered with its native package only.
    testsupport::writeQx2NativePackage(fixture.root());
    qxlauncher::Config second = qxlauncher::defaultConfig(0);
    second.Remastered = true;
    testsupport::writeFile(qxlauncher::preferencesFilePath(fixture.root(), 1, true),
                           qxlauncher::preferencesText(second, 1));
    qxlauncher::Config third = qxlauncher::defaultConfig(2);
    third.Engine = 2;
    testsupport::writeFile(qxlauncher::preferencesFilePath(fixture.root(), 2, false),
                           qxlauncher::preferencesText(third, 2));
    const auto app = fixture.makeApp();
    EXPECT_FALSE(app->remasteredChoice(0));
    EXPECT_TRUE(app->remasteredChoice(1));
    EXPECT_EQ(app->backend().qx3EditionSelected(), 2);
    EXPECT_EQ(app->backend().selectedGameKind(), 0);
}

struct ManifestCase {
    const char* name;
    std::string document;
    std::vector<std::wstring> kinds;
};

class ManifestKinds : public testing::TestWithParam<ManifestCase> {};

TEST_P(ManifestKinds, ListTheDigestsEveryFileHas) {
    AppFixture fixture;
    testsupport::writeFile(fixture.root() / "tools/qx2/roms-l31.json", GetParam().document);
    const auto app = fixture.makeApp();
    EXPECT_EQ(app->digestKinds(1), GetParam().kinds);
    EXPECT_TRUE(app->digestKinds(0).empty());
}

const std::string fullEntry =
    R"({"name": "a", "size": 1, "crc32": "x", "sha1": "y", "sha256": "z"})";

INSTANTIATE_TEST_SUITE_P(
    Table, ManifestKinds,
    testing::Values(
        ManifestCase{"all",
                     R"({"roms": [)" + fullEntry + "," + fullEntry + "]}",
                     {L"Size", L"CRC32", L"SHA-1", L"SHA-256"}},
        ManifestCase{"one_lacks_crc32",
                     R"({"roms": [)" + fullEntry + R"(, {"size": 2, "sha1": "y", "sha256": "z"}]})",
                     {L"Size", L"SHA-1", L"SHA-256"}},
        ManifestCase{"any_value_counts", R"({"roms": [{"sha256": null}]})", {L"SHA-256"}},
        ManifestCase{"empty_list", R"({"roms": []})", {}},
        ManifestCase{"not_a_list", R"({"roms": {"size": 1}})", {}},
        ManifestCase{"entry_not_an_object", R"({"roms": [)" + fullEntry + ", 5]}", {}},
        ManifestCase{"unparsable", R"({"roms": [)" + fullEntry, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ManifestKinds, AnOversizedManifestGivesNone) {
    AppFixture fixture;
    std::string document = R"({"roms": [)" + fullEntry + "]}";
    document.append(romManifestLimit + 1 - document.size(), ' ');
    testsupport::writeFile(fixture.root() / "tools/qx1/roms-l1.json", document);
    const auto app = fixture.makeApp();
    EXPECT_TRUE(app->digestKinds(0).empty());
    document.pop_back();
    testsupport::writeFile(fixture.root() / "tools/qx1/roms-l1.json", document);
    EXPECT_EQ(fixture.makeApp()->digestKinds(0).size(), 4u);
}

TEST(ManifestKinds, ALinkedManifestGivesNone) {
    AppFixture fixture;
    const testsupport::TempFolder elsewhere("manifest-target");
    testsupport::writeFile(elsewhere / "roms-l1.json", R"({"roms": [)" + fullEntry + "]}");
    std::filesystem::create_directories(fixture.root() / "tools");
    if (!testsupport::makeFolderLink(elsewhere.path(), fixture.root() / "tools/qx1")) {
        GTEST_SKIP() << "this system cannot create a folder link";
    }
    EXPECT_TRUE(fixture.makeApp()->digestKinds(0).empty());
}

// The tick's scan reads a receipt again only when its size or last write time changed, and the
// next tick sees every change.
TEST(BuildReceipts, TheTickSeesEveryChangeAndReadsNoUnchangedReceipt) {
    AppFixture fixture;
    const auto folder = testsupport::writeBuildReceipt(fixture.root(), "qx1", "executable of qx1");
    const auto app = fixture.makeApp();
    const auto tickReads = [&] {
        const std::uint64_t before = AppProbe::receiptReads(*app);
        fixture.clock->advanceMilliseconds(200);
        app->tick();
        return AppProbe::receiptReads(*app) - before;
    };
    for (int tick = 0; tick < 3; ++tick) {
        EXPECT_EQ(tickReads(), 0u) << tick;
    }
    EXPECT_TRUE(app->builds()[0].found);
    EXPECT_DOUBLE_EQ(app->builds()[0].totalSeconds, 15.5);

    // Rewritten to the same size: the last write time tells.
    std::string receipt = testsupport::readFile(folder / "setup.json");
    receipt.replace(receipt.find("12.5"), 4, "42.5");
    testsupport::writeFile(folder / "setup.json", receipt);
    std::filesystem::last_write_time(folder / "setup.json",
                                     std::filesystem::file_time_type::clock::now() -
                                         std::chrono::seconds(100));
    EXPECT_EQ(tickReads(), 1u);
    EXPECT_DOUBLE_EQ(app->builds()[0].totalSeconds, 45.5);
    EXPECT_EQ(tickReads(), 0u);

    std::filesystem::remove(folder / "setup.json");
    EXPECT_EQ(tickReads(), 0u);
    EXPECT_FALSE(app->builds()[0].found);

    const auto rebuilt = testsupport::writeBuildReceipt(fixture.root(), "qx1", "new executable");
    EXPECT_EQ(tickReads(), 1u);
    EXPECT_TRUE(app->builds()[0].found);
    EXPECT_EQ(app->builds()[0].buildDirectory, rebuilt);
    EXPECT_EQ(tickReads(), 0u);
}

TEST(BackgroundPoll, RunsOnAThreadOfItsOwnWithTheRootAndSetsTheReadyFlags) {
    AppFixture fixture;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> runs{0};
    std::thread::id pollThread;
    std::filesystem::path polledRoot;
    fixture.pollGames = [&](const qxlauncher::StartupContext& context) {
        ++runs;
        pollThread = std::this_thread::get_id();
        polledRoot = context.projectRoot;
        released.wait();
        return GameFlags{true, false, true};
    };
    const auto app = fixture.makeApp();
    app->tick();
    EXPECT_TRUE(app->pollPending());
    // Held: later ticks leave it pending and start no second one.
    for (int i = 0; i < 3; ++i) {
        fixture.clock->advanceMilliseconds(200);
        app->tick();
    }
    EXPECT_TRUE(app->pollPending());
    EXPECT_EQ(app->readyFlags(), (GameFlags{false, false, false}));
    release.set_value();
    tickUntilPollCollected(*app, *fixture.clock);
    EXPECT_EQ(app->readyFlags(), (GameFlags{true, false, true}));
    EXPECT_EQ(runs.load(), 1);
    EXPECT_NE(pollThread, std::this_thread::get_id());
    EXPECT_EQ(polledRoot, app->projectRoot());
}

TEST(BackgroundPoll, TheNextPollStartsTenSecondsAfterThePrevious) {
    AppFixture fixture;
    std::atomic<int> runs{0};
    fixture.pollGames = [&](const qxlauncher::StartupContext&) {
        ++runs;
        return GameFlags{};
    };
    const auto app = fixture.makeApp();
    const std::uint64_t start = fixture.clock->tickMilliseconds();
    app->tick();
    EXPECT_EQ(app->tickState().nextPoll, start + 10000);
    tickUntilPollCollected(*app, *fixture.clock);
    while (fixture.clock->tickMilliseconds() < start + 9800) {
        fixture.clock->advanceMilliseconds(200);
        app->tick();
    }
    EXPECT_EQ(runs.load(), 1);
    fixture.clock->advanceMilliseconds(200);
    app->tick();
    tickUntilPollCollected(*app, *fixture.clock);
    EXPECT_EQ(runs.load(), 2);
}

TEST(BackgroundPoll, AnErrorOfTheTaskComesOutOfTheTickThatCollectsIt) {
    AppFixture fixture;
    fixture.pollGames = [](const qxlauncher::StartupContext&) -> GameFlags {
        throw std::runtime_error("poll task failed");
    };
    const auto app = fixture.makeApp();
    app->tick();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string error = testsupport::noError;
    while (error == testsupport::noError && std::chrono::steady_clock::now() < deadline) {
        fixture.clock->advanceMilliseconds(200);
        error = testsupport::errorText([&] { app->tick(); });
    }
    EXPECT_EQ(error, "poll task failed");
}

TEST(BackgroundPoll, TheTaskAsksItsOwnBackendWhichGamesAreAvailable) {
    const testsupport::TempFolder root("poll");
    EXPECT_EQ(pollGameAvailability({root.path()}), (GameFlags{false, false, false}));
    testsupport::writeQx3Package(root.path());
    EXPECT_EQ(pollGameAvailability({root.path()}), (GameFlags{false, false, true}));
}

TEST(AppTeardown, StopsTheSoundAndJoinsAPendingPoll) {
    AppFixture fixture;
    std::promise<void> release;
    std::atomic<bool> finished{false};
    std::shared_future<void> released = release.get_future().share();
    fixture.pollGames = [&](const qxlauncher::StartupContext&) {
        released.wait();
        // Long enough to be seen unfinished by a teardown that did not wait.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        finished = true;
        return GameFlags{};
    };
    auto app = fixture.makeApp();
    app->tick();
    ASSERT_TRUE(app->pollPending());
    release.set_value();
    app->shutdown();
    EXPECT_TRUE(finished.load());
    EXPECT_EQ(fixture.desktop->stops, 1);
    EXPECT_EQ(app->renderer(), nullptr);
    app->shutdown();
    EXPECT_EQ(fixture.desktop->stops, 1);
}

TEST(ClickSound, IsAMonoWaveOf7056Samples) {
    const std::vector<std::uint8_t>& image = clickSoundImage();
    ASSERT_EQ(image.size(), 44u + 14112u);
    const auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(image[at] | image[at + 1] << 8 | image[at + 2] << 16 |
                                          image[at + 3] << 24);
    };
    const auto u16 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(image[at] | image[at + 1] << 8);
    };
    EXPECT_EQ(std::string(image.begin(), image.begin() + 4), "RIFF");
    EXPECT_EQ(u32(4), 14148u);
    EXPECT_EQ(std::string(image.begin() + 8, image.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(u32(16), 16u);
    EXPECT_EQ(u16(20), 1u);     // PCM
    EXPECT_EQ(u16(22), 1u);     // one channel
    EXPECT_EQ(u32(24), 22050u); // samples per second
    EXPECT_EQ(u32(28), 44100u); // bytes per second
    EXPECT_EQ(u16(32), 2u);     // block align
    EXPECT_EQ(u16(34), 16u);    // bits per sample
    EXPECT_EQ(std::string(image.begin() + 36, image.begin() + 40), "data");
    EXPECT_EQ(u32(40), 14112u);
}

TEST(ClickSound, SamplesFollowTheThreeOnsets) {
    const std::vector<std::uint8_t>& image = clickSoundImage();
    const auto sample = [&](std::size_t i) {
        return static_cast<std::int16_t>(image[44 + 2 * i] | image[45 + 2 * i] << 8);
    };
    // Values computed apart from the launcher; 1037 and 2845 are the first samples of the
    // second and third onsets.
    const std::vector<std::pair<std::size_t, std::int16_t>> expected{
        {0, -3710}, {1, 10734},   {2, 5844},    {1036, 597},  {1037, 5375}, {1038, 4406},
        {2844, 43}, {2845, 9570}, {2846, 7486}, {4000, 1276}, {7055, 2}};
    for (const auto& [index, value] : expected) {
        EXPECT_EQ(sample(index), value) << "sample " << index;
    }
}

// The SHA-256 of the whole image (header and samples), computed apart from the launcher from
// the click's formula: the noise generator, the three onsets and their tones.
constexpr std::string_view clickImageDigest =
    "681058cf43c2584414d4ce9a3375750d208c51aff52dcab1d25cab70b374ef1e";

std::string digestOf(const std::vector<std::uint8_t>& bytes) {
    return qxlauncher::sha256Hex(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

TEST(ClickSound, IsBuiltOnceAndPlayedFromTheSameImage) {
    const std::vector<std::uint8_t>& image = clickSoundImage();
    ASSERT_EQ(image.size(), 14156u);
    constexpr std::uint8_t header[44] = {'R',  'I',  'F', 'F', 0x44, 0x37, 0, 0, 'W', 'A', 'V', 'E',
                                         'f',  'm',  't', ' ', 16,   0,    0, 0, 1,   0,   1,   0,
                                         0x22, 0x56, 0,   0,   0x44, 0xAC, 0, 0, 2,   0,   16,  0,
                                         'd',  'a',  't', 'a', 0x20, 0x37, 0, 0};
    EXPECT_TRUE(std::equal(std::begin(header), std::end(header), image.begin()));
    EXPECT_EQ(digestOf(image), clickImageDigest);

    // Choosing two ready cabinets plays the one image each time, where it stays for the life of
    // the process (an asynchronous sound still plays from it).
    AppFixture fixture;
    testsupport::writeBuildReceipt(fixture.root(), "qx1", "executable of qx1");
    testsupport::writeBuildReceipt(fixture.root(), "qx3", "executable of qx3");
    const auto app = fixture.makeApp();
    app->selectGame(2);
    app->selectGame(0);
    ASSERT_EQ(fixture.desktop->played.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(fixture.desktop->played[i], image.data()) << i;
        EXPECT_EQ(digestOf(fixture.desktop->playedImages[i]), clickImageDigest) << i;
    }
    EXPECT_EQ(clickSoundImage().data(), image.data());
    EXPECT_EQ(digestOf(clickSoundImage()), clickImageDigest);
}

TEST(BindingSlots, FortyIdsInTheirOrder) {
    std::vector<int> expected;
    for (int base : {300, 350}) {
        for (int id = base; id < base + 12; ++id) {
            expected.push_back(id);
        }
        for (int id = base + 29; id < base + 37; ++id) {
            expected.push_back(id);
        }
    }
    const auto& ids = bindingSlotIds();
    EXPECT_EQ(std::vector<int>(ids.begin(), ids.end()), expected);
    EXPECT_EQ(ids.size(), 40u);
}

} // namespace
} // namespace lumenark
