// The setup pipeline's own costs: one findLatestBuild over 100 receipt folders (the UI runs it
// every 200 ms per game), and the launcher's overhead per prepared game beyond the time the
// fake setup script itself reports.
#include "backend/backend.h"
#include "backend/setup/setup_progress.h"
#include "platform/clock.h"
#include "tests/support/backend_probe.h"
#include "tests/support/fake_collection.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_digest.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

namespace qxlauncher {

namespace {

void BM_FindLatestBuildOver100Receipts(benchmark::State& state) {
    testsupport::TempFolder root("bench-receipts");
    for (int i = 0; i < 100; ++i) {
        const std::string name = testsupport::sha256Hex(std::to_string(i));
        const auto dir = root / "generated/qx1" / name;
        testsupport::writeFile(dir / "game.exe", "exe");
        testsupport::writeFile(dir / "setup.json",
                               "{\"setup_version\": \"14\", \"compile\": {\"executable\": "
                               "\"generated/qx1/" +
                                   name + "/game.exe\", \"sha256\": \"" +
                                   testsupport::sha256Hex("exe") + "\", \"seconds\": 1}}");
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(findLatestBuild(root.path(), L"qx1"));
    }
}
BENCHMARK(BM_FindLatestBuildOver100Receipts)->Unit(benchmark::kMillisecond);

void BM_PreparedGameOverhead(benchmark::State& state) {
    testsupport::TempFolder root("bench-setup");
    testsupport::TempFolder interpreters("bench-interpreters");
    testsupport::placeFakeInterpreter(interpreters.path(), {"python.exe"});
    testsupport::ScopedEnvironment path(L"PATH", interpreters.path().wstring());
    testsupport::writeFakeManifests(root.path());
    testsupport::writeFakeSetupScript(root.path(), "step_delay_ms=0\n");
    testsupport::writeFakeRoms(root / "roms", 0);
    Backend backend(StartupContext{root.path()});
    BackendProbe::acknowledged(backend) = true;
    BackendProbe::setupJob(backend, 0).romFolder = root / "roms";
    double overheadSeconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        backend.requestSetup(0, false);
        while (backend.isSetupBusy()) {
            platform::sleepMilliseconds(1);
        }
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        overheadSeconds += wall - backend.setupJob(0).elapsedSeconds;
    }
    state.counters["overhead_ms"] =
        benchmark::Counter(overheadSeconds * 1000.0 / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_PreparedGameOverhead)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
} // namespace qxlauncher
