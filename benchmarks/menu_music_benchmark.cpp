// The menu music's costs: decoding a 60-second stereo 48 kHz file whole, and one player tick.
#include "presentation/menu_music.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

void putLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// A 16-bit stereo sine WAV, written once per run.
std::filesystem::path sineFile(std::uint32_t seconds) {
    const std::uint32_t rate = 48000;
    const std::uint32_t frames = seconds * rate;
    const auto path = std::filesystem::temp_directory_path() /
                      ("menu_music_benchmark_" + std::to_string(seconds) + "s.wav");
    std::string bytes = "RIFF";
    putLittleEndian(bytes, 36 + frames * 4, 4);
    bytes += "WAVEfmt ";
    putLittleEndian(bytes, 16, 4);
    putLittleEndian(bytes, 1, 2);
    putLittleEndian(bytes, 2, 2);
    putLittleEndian(bytes, rate, 4);
    putLittleEndian(bytes, rate * 4, 4);
    putLittleEndian(bytes, 4, 2);
    putLittleEndian(bytes, 16, 2);
    bytes += "data";
    putLittleEndian(bytes, frames * 4, 4);
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        const auto value =
            static_cast<std::int16_t>(12000.0 * std::sin(frame * 2.0 * 3.14159265 * 440.0 / rate));
        putLittleEndian(bytes, static_cast<std::uint16_t>(value), 2);
        putLittleEndian(bytes, static_cast<std::uint16_t>(value), 2);
    }
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

void BM_DecodeSixtySecondStereo48k(benchmark::State& state) {
    const auto path = sineFile(60);
    std::vector<std::int16_t> samples;
    for (auto _ : state) {
        lumenark::decodeAudioFile(path, samples);
        benchmark::DoNotOptimize(samples.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(samples.size() * 2));
    std::filesystem::remove(path);
}
BENCHMARK(BM_DecodeSixtySecondStereo48k)->Unit(benchmark::kMillisecond);

void BM_LoopCrossfadeSixtySeconds(benchmark::State& state) {
    std::vector<std::int16_t> samples(60 * 48000 * 2, 1000);
    for (auto _ : state) {
        benchmark::DoNotOptimize(lumenark::applyLoopCrossfade(samples, 2, 48000));
    }
}
BENCHMARK(BM_LoopCrossfadeSixtySeconds)->Unit(benchmark::kMillisecond);

// One tick while the music plays and the volume changes each turn (the duck recovering), on the
// system's output (SDL2's dummy driver where no sound device exists).
void BM_Tick(benchmark::State& state) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    const auto path = sineFile(2);
    std::uint64_t now = 1000;
    lumenark::MenuMusicServices services = lumenark::systemMenuMusicServices();
    services.clockMilliseconds = [&now] { return now; };
    lumenark::MenuMusic music(path, services);
    music.tick(100);
    for (auto _ : state) {
        ++now;
        if (now % 1000 == 0) {
            music.setDuckUntil(now + 320);
        }
        benchmark::DoNotOptimize(music.tick(100));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_Tick);

} // namespace
