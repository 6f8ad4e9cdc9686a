// Hashing a large package file through the digest cache, beside the system's own tools on the
// same file, and the cost of deciding availability for all three games.
#include "backend/backend.h"
#include "backend/packages/hashing.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/temp_folder.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr std::size_t largeFileSize = 64u << 20;

const std::filesystem::path& largeFile() {
    static testsupport::TempFolder folder("hash-benchmark");
    static const std::filesystem::path file = [] {
        const std::filesystem::path path = folder / "large.bin";
        testsupport::writeFile(path,
                               testsupport::fixtureBytes("large package file", largeFileSize));
        return path;
    }();
    return file;
}

const std::filesystem::path& completeRoot() {
    static testsupport::TempFolder folder("availability-benchmark");
    static const bool written = [] {
        testsupport::writeQx1Package(folder.path());
        testsupport::writeQx2NativePackage(folder.path());
        testsupport::writeQx3Package(folder.path());
        return true;
    }();
    (void)written;
    return folder.path();
}

void hashPackageFileCold(benchmark::State& state) {
    const std::filesystem::path& file = largeFile();
    for (auto _ : state) {
        qxlauncher::clearFileHashCache();
        benchmark::DoNotOptimize(qxlauncher::hashPackageFile(file, largeFileSize, 0));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * largeFileSize));
}
BENCHMARK(hashPackageFileCold)->Unit(benchmark::kMillisecond);

// The same file through an external tool, timed around the whole run of the tool.
void externalTool(benchmark::State& state, const char* command) {
    const std::string line = std::string(command) + " '" + largeFile().string() + "' >/dev/null";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(line.c_str()) != 0) {
            state.SkipWithError("tool failed");
            return;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * largeFileSize));
}
BENCHMARK_CAPTURE(externalTool, opensslDgst, "openssl dgst -sha256")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(externalTool, sha256sum, "sha256sum")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void availabilityColdCache(benchmark::State& state) {
    const qxlauncher::Backend backend(qxlauncher::StartupContext{completeRoot()});
    for (auto _ : state) {
        qxlauncher::clearFileHashCache();
        for (int game = 0; game < 3; ++game) {
            if (!backend.isGameAvailable(game)) {
                state.SkipWithError("fixture package not available");
                return;
            }
        }
    }
}
BENCHMARK(availabilityColdCache)->Unit(benchmark::kMillisecond);

void availabilityWarmCache(benchmark::State& state) {
    const qxlauncher::Backend backend(qxlauncher::StartupContext{completeRoot()});
    for (int game = 0; game < 3; ++game) {
        backend.isGameAvailable(game);
    }
    for (auto _ : state) {
        for (int game = 0; game < 3; ++game) {
            if (!backend.isGameAvailable(game)) {
                state.SkipWithError("fixture package not available");
                return;
            }
        }
    }
}
BENCHMARK(availabilityWarmCache)->Unit(benchmark::kMillisecond);

} // namespace
