// The Play page: a night arcade with three cabinets to choose from, and the info panel with the
// loaded game, its edition, the status and PLAY.
#include "app/app.h"

#include "app/control_ids.h"
#include "app/pages/page_layout.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace lumenark {
namespace {

constexpr ColorF dimColor{0.58f, 0.58f, 0.63f, 1.0f};
constexpr ColorF amberColor{1.0f, 0.7f, 0.28f, 1.0f};
constexpr ColorF captionColor{0.78f, 0.78f, 0.82f, 1.0f};
constexpr std::array<ColorF, 3> cabinetAccent{
    {{0.88f, 0.1f, 0.11f, 1.0f}, {0.88f, 0.1f, 0.11f, 1.0f}, {0.1f, 0.43f, 1.0f, 1.0f}}};
constexpr std::array<float, 2> torchX{642.0f, 1097.0f};
constexpr std::array<float, 2> torchGlowY{375.0f, 260.0f};
constexpr std::array<float, 2> torchFlameY{365.0f, 250.0f};
constexpr float fadeSeconds = 0.65f;
constexpr std::wstring_view playHint =
    L"Select a cabinet, then press PLAY. Enter / A on a selected "
    L"cabinet switches Original Arcade and Remastered.";

ColorF shade(float s) {
    return {s, 1.03f * s, 1.15f * s, 1.0f};
}

ColorF withAlpha(ColorF color, float alpha) {
    return {color.r, color.g, color.b, alpha};
}

ColorF scaled(ColorF color, float k) {
    return {color.r * k, color.g * k, color.b * k, 1.0f};
}

void drawCentred(Canvas& canvas, std::wstring_view text, float centreX, float y, float size,
                 ColorF color, float tracking) {
    canvas.drawText(text, centreX - canvas.measureText(text, size, tracking) / 2, y, size, color,
                    tracking);
}

// The third game's tag follows its edition held by the backend, whichever game is loaded.
std::wstring_view nativeEdition(bool remastered) {
    return remastered ? L"NATIVE  /  REMASTERED" : L"NATIVE  /  ORIGINAL";
}

} // namespace

float App::animationTime(bool capture) const {
    if (capture || applied_.ReducedMotion) {
        return 0.0f;
    }
    return static_cast<float>(static_cast<double>(services_.monotonic100ns() - creationTime_) /
                              1.0e7);
}

void App::drawPlayPage(bool capture) {
    const float t = animationTime(capture);
    drawPlayBackdrop(t);
    const PageControls controls = playControls();
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        drawPlayCabinet(game, controls[static_cast<std::size_t>(game)], capture, t);
    }
    const float f = 1.0f - t / fadeSeconds;
    if (!capture && !applied_.ReducedMotion && !inputSeen_ && f > 0) {
        canvas_.fillRect({0, 124, designWidth(), 848}, {0, 0, 0, f});
    }
    drawPlayInfoPanel(controls);
}

void App::drawPlayBackdrop(float t) {
    const float w = designWidth();
    for (int j = 0; j < 32; ++j) {
        const float f = static_cast<float>(j) / 31.0f;
        canvas_.fillRect({0, 32.0f * static_cast<float>(j), w, 33},
                         {0.01f + 0.02f * f, 0.013f + 0.002f * f, 0.03f - 0.008f * f, 1});
    }
    canvas_.fillRect({0, 700, w, 324}, {0.01f, 0.009f, 0.016f, 1});
    canvas_.drawLine(0, 700, w, 700, 1, {0.3f, 0.07f, 0.09f, 0.8f});
    for (int i = -6; i <= 18; ++i) {
        canvas_.drawLine(w / 2, 560, static_cast<float>(i) * w / 12, 1024, 1,
                         {0.12f, 0.16f, 0.3f, 0.25f});
    }
    for (int j = 0; j < 6; ++j) {
        const float y = 700.0f + 9.0f * static_cast<float>(j * j);
        canvas_.drawLine(0, y, w, y, 1, {0.1f, 0.13f, 0.24f, 0.22f});
    }
    if (applied_.ReducedMotion) {
        return;
    }
    for (std::size_t k = 0; k < torchX.size(); ++k) {
        const float x = w * torchX[k] / 1536.0f;
        canvas_.drawEffect({x - 35, torchGlowY[k], 150, 220},
                           {1, 0.24f, 0.02f, 0.12f + 0.025f * std::sin(2 * t + x)},
                           ShaderMode::Glow, t);
        canvas_.drawEffect({x, torchFlameY[k], 95, 140}, {1, 1, 1, 0.38f}, ShaderMode::Fire, x + t);
    }
    canvas_.drawEffect({0, 520, w, 280}, {0.17f, 0.18f, 0.45f, 0.18f}, ShaderMode::Fog, t);
    for (int j = 0; j < 22; ++j) {
        const auto fj = static_cast<float>(j);
        const float ex = std::fmod(static_cast<float>(j % 4 + 3) * t + 173 * fj, w);
        const float rise = std::fmod(static_cast<float>(j % 9 + 12) * t + 47 * fj, 550.0f);
        canvas_.fillRect({ex, 790 - rise, 1.5f, 1.5f},
                         {1, 0.35f, 0.09f, 0.12f + 0.13f * std::sin(fj + t)});
    }
}

void App::drawPlayCabinet(int game, const PageControl& region, bool capture, float t) {
    const auto g = static_cast<std::size_t>(game);
    const float h = capture ? 0.0f : cabinetHighlight_[g];
    const float lift = applied_.ReducedMotion ? 0.0f : 3.0f * h;
    const float p = cabinetWidth;
    const float x = cabinetX(designWidth(), game);
    const float y = cabinetTop - lift;
    const float b = (game == 0 ? 1.0f : 0.71f) + 0.17f * h;
    const ColorF a = cabinetAccent[g];
    const qxlauncher::GameInfo& info = qxlauncher::gameTable[g];

    canvas_.drawEffect({x - 55, 660, p + 110, 235}, withAlpha(a, 0.13f + 0.12f * h),
                       ShaderMode::Glow, t);
    canvas_.fillRect({x + 0.06f * p, y + 40, 0.88f * p, 598}, shade(0.06f * b));
    canvas_.fillRect({x + 0.02f * p, y + 40, 0.05f * p, 598}, shade(0.095f * b));
    canvas_.fillRect({x + 0.93f * p, y + 40, 0.05f * p, 598}, shade(0.095f * b));
    canvas_.fillRect({x + 0.08f * p, y + 52, 0.84f * p, 72}, scaled(a, 0.28f * b));
    canvas_.drawLine(x + 0.08f * p, y + 124, x + 0.92f * p, y + 124, 2, withAlpha(a, 0.85f));
    const float unitWidth = canvas_.measureText(info.boardCaption, 1, 0.6f);
    const float size = std::min(17.0f, 0.84f * p * 0.9f / std::max(1.0f, unitWidth));
    drawCentred(canvas_, info.boardCaption, x + 0.5f * p, y + 52 + (72 - 1.15f * size) / 2, size,
                UiPalette::text, 0.6f);
    canvas_.fillRect({x + 0.1f * p, y + 150, 0.8f * p, 188}, shade(0.022f * b));
    drawCentred(canvas_, L"COMPATIBLE WITH", x + 0.5f * p, y + 348, 9, dimColor, 1);
    const std::wstring title =
        std::wstring(info.title) + L" (rev. " + std::wstring(info.revision) + L")";
    drawCentred(canvas_, fitText(title, 11, 0.84f * p, false), x + 0.5f * p, y + 366, 11,
                captionColor, 0.2f);
    const float v = x + 0.03f * p;
    const float c = 0.94f * p;
    canvas_.fillTriangle(v + 0.08f * c, y + 398, v + 0.92f * c, y + 398, v + c, y + 464,
                         shade(0.11f * b));
    canvas_.fillTriangle(v + 0.08f * c, y + 398, v + c, y + 464, v, y + 464, shade(0.11f * b));
    for (int j = 0; j < 6; ++j) {
        canvas_.fillRect({v + (0.2f + 0.11f * static_cast<float>(j)) * c, y + 426, 10, 10},
                         withAlpha(a, 0.85f));
    }
    canvas_.fillRect({x + 0.08f * p, y + 464, 0.84f * p, 150}, shade(0.045f * b));
    canvas_.fillRect({x + 0.5f * p - 26, y + 512, 52, 34}, shade(0.018f * b));
    canvas_.fillRect({x + 0.5f * p - 4, y + 520, 8, 18}, scaled(a, 0.6f));
    canvas_.fillRect({x + 0.04f * p, y + 614, 0.92f * p, 18}, shade(0.03f * b));
    const RectF screen{x + 0.14f * p, y + 168, 0.72f * p, 152};
    canvas_.fillRect(screen, {0.012f, 0.018f, 0.03f, 1});
    canvas_.drawEffect(screen, {0.5f, 0.7f, 1, 1}, ShaderMode::Scanlines, t);

    const bool ready = ready_[g];
    // A frame reads no file: whether a build waits for its package is the tick's finding.
    std::wstring_view pending;
    if (!ready) {
        pending = builds_[g].found ? L"INSTALL PENDING" : L"SETUP PENDING";
    }
    drawCentred(canvas_, ready ? L"READY TO PLAY" : pending, x + 0.5f * p, y + 236, 9,
                ready ? amberColor : dimColor, 1.4f);
    if (h > 0.01f) {
        canvas_.drawLine(x + 20, 831 - lift, x + p - 15, 831 - lift, 2, withAlpha(a, 0.8f * h));
    }
    if (!settingsOpen_) {
        hitRegions_.push_back(region.region());
        if (game == loadedGame_) {
            canvas_.drawLine(x + 20, 831 - lift, x + p - 15, 831 - lift, 3, amberColor);
        }
    }
    canvas_.fillRect({x + 30, 848, p - 60, 28}, {0.006f, 0.009f, 0.022f, 0.85f});
    std::wstring_view tag = pending;
    if (ready) {
        tag = game == 2              ? nativeEdition(backend_.qx3EditionSelected() == 2)
              : remasteredChoice_[g] ? L"REMASTERED  /  AVAILABLE"
                                     : L"ORIGINAL ARCADE  /  AVAILABLE";
    }
    drawCentred(canvas_, tag, x + 0.5f * p, 854, 10, amberColor, 1.3f);
}

void App::drawPlayInfoPanel(const PageControls& controls) {
    const float w = designWidth();
    canvas_.drawRoundedRect({226, 884, w - 246, 62}, 10, {0.03f, 0.03f, 0.04f, 0.92f}, 0);
    canvas_.drawRoundedRect({226, 884, w - 246, 62}, 10, UiPalette::border, 1);
    const std::wstring status =
        statusShown_.empty() ? std::wstring() : fitText(statusShown_, 13, w - 566, false);
    if (loadedGame_ < 0) {
        if (statusShown_.empty()) {
            canvas_.drawText(playHint, 246, 906, 15, dimColor, 0.1f);
        } else {
            canvas_.drawText(status, 246, 906, 13, amberColor, 0.1f);
        }
        return;
    }
    const qxlauncher::Config& config = backend_.currentConfig();
    const std::wstring heading =
        std::wstring(qxlauncher::gameTable[static_cast<std::size_t>(loadedGame_)].title) + L"  /  ";
    canvas_.drawText(heading, 246, 894, 18, UiPalette::text, 0.3f);
    const std::wstring_view edition = loadedGame_ == 2    ? nativeEdition(config.Engine == 2)
                                      : config.Remastered ? L"REMASTERED"
                                                          : L"ORIGINAL ARCADE";
    canvas_.drawText(edition, 254 + canvas_.measureText(heading, 18, 0.3f), 896, 15, amberColor,
                     0.55f);
    const PageControl& play = controls.back();
    drawButton(play.id, play.rect(), play.label, play.enabled, true, 20);
    if (!status.empty()) {
        canvas_.drawText(status, 246, 922, 13, amberColor, 0.1f);
    }
}

} // namespace lumenark
