// The CPU device on a page-sized frame: 2,000 glyph quads and 200 rectangles at 1536 x 1024,
// and one PNG capture of it. Target: a whole page capture in under 150 ms.
#include "presentation/renderer.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

using lumenark::ColorF;
using lumenark::Renderer;

Renderer& pageRenderer() {
    static Renderer renderer(platform::RenderSurface{nullptr, 1536, 1024},
                             lumenark::RendererOptions{true});
    return renderer;
}

// 200 panels of 140 x 60 and 2,000 characters in 40 lines of 50, at the pages' text size.
void drawPage(Renderer& r) {
    r.beginFrame();
    for (int i = 0; i < 200; ++i) {
        const float x = 226.0f + static_cast<float>(i % 10) * 128.0f;
        const float y = 124.0f + static_cast<float>(i / 10) * 44.0f;
        r.fillRect({x, y, 120, 40}, ColorF{0.08f, 0.09f, 0.11f, 0.9f});
    }
    const std::wstring line = L"Quarrix II revision L3.1: ROM files verified 0123";
    for (int row = 0; row < 40; ++row) {
        r.drawText(line, 240.0f, 130.0f + static_cast<float>(row) * 22.0f, 18.0f,
                   ColorF{0.9f, 0.9f, 0.92f, 1}, 0.5f);
    }
    r.endFrame(0);
}

void BM_PageFrame(benchmark::State& state) {
    Renderer& r = pageRenderer();
    for (auto _ : state) {
        drawPage(r);
    }
}
BENCHMARK(BM_PageFrame)->Unit(benchmark::kMillisecond);

// The launcher window's frame today: the ground over the whole design space.
void BM_GroundFrame(benchmark::State& state) {
    Renderer& r = pageRenderer();
    for (auto _ : state) {
        r.beginFrame();
        r.fillRect({0, 0, 1536, 1024}, ColorF{0.028f, 0.027f, 0.032f, 1});
        r.endFrame(0);
    }
}
BENCHMARK(BM_GroundFrame)->Unit(benchmark::kMillisecond);

void BM_CapturePng(benchmark::State& state) {
    Renderer& r = pageRenderer();
    drawPage(r);
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "renderer-benchmark.png";
    for (auto _ : state) {
        r.capturePng(path);
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_CapturePng)->Unit(benchmark::kMillisecond);

void BM_PageCapture(benchmark::State& state) {
    Renderer& r = pageRenderer();
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "renderer-benchmark.png";
    for (auto _ : state) {
        drawPage(r);
        r.capturePng(path);
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_PageCapture)->Unit(benchmark::kMillisecond);

} // namespace
