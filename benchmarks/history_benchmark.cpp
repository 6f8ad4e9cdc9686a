// What grows with the player's history, all on the UI thread: the 200-ms tick's scan of the
// build receipts and a Play frame with 1, 100 and 1,000 build folders per game, and a folder
// path of 100, 1,000 and 16,000 characters fitted into its field (alone, and three of them on
// the ROM Setup page's frame). The App draws through a renderer over a device that keeps
// nothing, so the figures are the launcher's own work, not the CPU rasteriser's. Aim: the tick
// and a Play frame cost the same at 1,000 folders per game as at one when nothing changed, and
// none of these frames takes 5 ms.
#include "app/app.h"
#include "app/ui/renderer_canvas.h"
#include "app/ui/text_layout.h"
#include "backend/game_table.h"
#include "platform/text.h"
#include "tests/support/backend_probe.h"
#include "tests/support/recording_device.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_digest.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

// Draws nothing and keeps nothing, so a frame costs only what the App and the renderer do.
class NullDevice final : public platform::RenderDevice {
public:
    platform::ClientSize clientSize() override { return {1536, 1024}; }
    void resizeBuffers(int, int) override {}
    void waitForGpu() override {}
    int createTexture(std::uint32_t, std::uint32_t, const std::vector<std::uint32_t>&) override {
        return 0;
    }
    void executeFrame(const platform::FrameRecording&, std::uint8_t) override {}
    std::vector<std::uint32_t> readBack(std::uint32_t& width, std::uint32_t& height) override {
        width = 0;
        height = 0;
        return {};
    }
};

std::unique_ptr<lumenark::Renderer> nullRenderer() {
    return std::make_unique<lumenark::Renderer>(std::make_unique<NullDevice>(),
                                                testsupport::fixedAdvanceAtlas(23.0f));
}

// `folders` valid builds of every game, each with its executable and receipt.
void writeBuildHistory(const std::filesystem::path& root, int folders) {
    for (const qxlauncher::GameInfo& game : qxlauncher::gameTable) {
        const std::string id = platform::utf8FromWide(game.id);
        for (int i = 0; i < folders; ++i) {
            const std::string name = testsupport::sha256Hex(id + std::to_string(i));
            const std::string executable = "generated/" + id + "/" + name + "/game.exe";
            testsupport::writeFile(root / executable, "exe");
            testsupport::writeFile(root / "generated" / id / name / "setup.json",
                                   "{\"setup_version\": \"14\", \"compile\": {\"executable\": \"" +
                                       executable + "\", \"sha256\": \"" +
                                       testsupport::sha256Hex("exe") +
                                       "\", \"seconds\": 12.5}, \"generate_seconds\": 3}\n");
        }
    }
}

lumenark::AppServices benchmarkServices() {
    lumenark::AppServices services = lumenark::systemAppServices();
    services.loadControllers = [] { return std::unique_ptr<platform::Controllers>(); };
    services.sleepMilliseconds = [](std::uint32_t) {};
    services.pollGames = [](const qxlauncher::StartupContext&) { return lumenark::GameFlags{}; };
    return services;
}

// An App over a root with this many build folders per game; it opens on the Play page.
struct HistoryApp {
    explicit HistoryApp(int folders) {
        writeBuildHistory(root.path(), folders);
        app = std::make_unique<lumenark::App>(qxlauncher::StartupContext{root.path()},
                                              benchmarkServices());
        app->attachRenderer(nullRenderer());
    }

    testsupport::TempFolder root{"bench-history"};
    std::unique_ptr<lumenark::App> app;
};

// The tick's scan of the three games' receipts, nothing changed since the last one.
void BM_TickReceiptScan(benchmark::State& state) {
    HistoryApp history(static_cast<int>(state.range(0)));
    history.app->refreshBuilds();
    for (auto _ : state) {
        history.app->refreshBuilds();
        benchmark::DoNotOptimize(history.app->builds());
    }
}
BENCHMARK(BM_TickReceiptScan)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_PlayFrame(benchmark::State& state) {
    HistoryApp history(static_cast<int>(state.range(0)));
    if (history.app->section() != lumenark::NavSection::play) {
        state.SkipWithError("the App did not open on the Play page");
        return;
    }
    for (auto _ : state) {
        history.app->render(0.016, false);
    }
}
BENCHMARK(BM_PlayFrame)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// A folder path of this many characters ("C:/roms/qx1/..." repeated).
std::wstring longPath(std::size_t characters) {
    std::wstring path = L"C:/";
    while (path.size() < characters) {
        path += L"roms/qx1/";
    }
    path.resize(characters);
    return path;
}

// One folder field: a path keeps its end, in a field narrower than any of these paths.
void BM_FitText(benchmark::State& state) {
    const auto renderer = nullRenderer();
    lumenark::RendererCanvas canvas;
    canvas.attach(renderer.get());
    const std::wstring path = longPath(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(lumenark::fitText(canvas, path, 14, 500, true));
    }
}
BENCHMARK(BM_FitText)->Arg(100)->Arg(1000)->Arg(16000)->Unit(benchmark::kMicrosecond);

// A ROM Setup frame whose three folder fields each hold a path of this many characters.
void BM_RomSetupFrameWithLongFolders(benchmark::State& state) {
    HistoryApp history(1);
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        qxlauncher::BackendProbe::setupJob(history.app->backend(), game).romFolder =
            platform::pathFromWide(longPath(static_cast<std::size_t>(state.range(0))));
    }
    history.app->prepareCapture(false, lumenark::SettingsTab::video,
                                lumenark::NavSection::romSetup);
    // A capture's frame, so the first frame of the page starts no requirements check.
    for (auto _ : state) {
        history.app->render(0.016, true);
    }
}
BENCHMARK(BM_RomSetupFrameWithLongFolders)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(16000)
    ->Unit(benchmark::kMicrosecond);

} // namespace
