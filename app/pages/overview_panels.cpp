// The Overview's panels: requirements, output and receipt on the right; launcher modes and
// custom audio with the test command at the bottom.
#include "app/pages/overview_page.h"

#include "app/pages/page_layout.h"
#include "app/ui/icons.h"
#include "app/ui/text_layout.h"
#include "app/ui/widgets.h"

#include <algorithm>
#include <string>

namespace lumenark {
namespace {

constexpr float rightPanelWidth = 340.0f;
constexpr float rightPanelInset = 360.0f; // from the design width
constexpr float bottomPanelsTop = 684.0f;
constexpr float bottomPanelHeight = 236.0f;

struct LauncherMode {
    std::wstring_view name;
    std::wstring_view description;
};

constexpr std::array<LauncherMode, 2> launcherModes{{
    {L"Arcade Original",
     L"The board's audio and image exactly as the arcade produces them. Video filters stay "
     L"optional."},
    {L"Remastered", L"Scaling, CRT presets, ScaleFX, CAS, SMAA, bilateral filter, a CRT TV frame "
                    L"drawn in code and your own music (Q-Unit games)."},
}};

constexpr std::array<std::wstring_view, 3> audioNotes{
    L"Your music: custom_audio/<game>/music-NN.wav", L"WAV PCM 16-bit, 48000 Hz, mono or stereo",
    L"Optional slots.json: cuts, loops and gain"};

constexpr std::wstring_view testCommand = L"python tools/quality/run.py fast";

void drawPanelHeading(Canvas& canvas, int glyph, float iconX, float iconY, std::wstring_view title,
                      float titleX, float titleY) {
    drawIcon(canvas, glyph, iconX, iconY, UiPalette::text);
    canvas.drawText(title, titleX, titleY, 22, UiPalette::text, 0.4f);
}

void drawMetRow(Canvas& canvas, float x, float y, std::wstring_view title) {
    drawRequirementRow(canvas, x, y, title, RequirementKind::met, {});
}

void drawLauncherMode(Canvas& canvas, const LauncherMode& mode, float x, float columnWidth) {
    canvas.fillRect({x, 752, 3, 30}, UiPalette::accent);
    canvas.drawText(mode.name, x + 16, 752, 20, UiPalette::text, 0.3f);
    const std::vector<std::wstring> lines =
        wrapText(canvas, mode.description, 14, columnWidth - 20);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        canvas.drawText(lines[i], x + 16, 786 + 21 * static_cast<float>(i), 14, UiPalette::muted,
                        0.1f);
    }
}

void drawBullet(Canvas& canvas, float x, float y) {
    canvas.drawRoundedRect({x + 26, y + 6, 8, 8}, 4.0f, UiPalette::accent, 0.0f);
}

} // namespace

void drawRequirementsPanel(Canvas& canvas, const qxlauncher::ToolProbe& tools) {
    const float left = canvas.designWidth() - rightPanelInset;
    const float x = left + 22;
    drawPanelBox(canvas, {left, 206, rightPanelWidth, 464}, 10.0f);

    drawPanelHeading(canvas, iconMonitor, x, 226, L"Requirements", x + 38, 224);
    drawMetRow(canvas, x, 268, L"Windows (10 or 11, 64-bit)");
    drawMetRow(canvas, x, 298, L"DirectX 12 GPU");
    const RequirementLine compiler = compilerRequirement(tools);
    drawRequirementRow(canvas, x, 328, L"MSYS2 MinGW-w64 g++ 16.1.0", compiler.kind,
                       compiler.secondLine);
    // The Python row moves down when the compiler row has a second line.
    const float python = compiler.secondLine.empty() ? 358.0f : 374.0f;
    const RequirementLine interpreter = pythonRequirement(tools);
    drawRequirementRow(canvas, x, python, L"Python 3.12 or later", interpreter.kind,
                       interpreter.secondLine);

    const float separatorEnd = left + 318;
    canvas.drawLine(x, python + 46, separatorEnd, python + 46, 1.0f, UiPalette::border);
    drawPanelHeading(canvas, iconFolder, x, python + 62, L"Output", x + 38, python + 60);
    drawMetRow(canvas, x, python + 100, L"generated/<game>/<sha256>/");
    drawMetRow(canvas, x, python + 128, L"roms/<game>/");

    canvas.drawLine(x, python + 164, separatorEnd, python + 164, 1.0f, UiPalette::border);
    drawPanelHeading(canvas, iconDocument, x, python + 180, L"Receipt", x + 38, python + 178);
    drawMetRow(canvas, x, python + 218, L"setup.json");
    drawMetRow(canvas, x, python + 246, L"logs/setup-<game>.log");
}

void drawModesAndAudioPanels(Canvas& canvas) {
    const float width = (canvas.designWidth() - 262) / 2;
    const float audioLeft = 242 + width;

    drawPanelBox(canvas, {contentLeft, bottomPanelsTop, width, bottomPanelHeight}, 10.0f);
    drawPanelHeading(canvas, iconGamePad, 246, 704, L"Launcher Modes", 284, 700);
    const float columnWidth = (width - 60) / 2;
    drawLauncherMode(canvas, launcherModes[0], 250, columnWidth);
    drawLauncherMode(canvas, launcherModes[1], 250 + columnWidth + 20, columnWidth);

    drawPanelBox(canvas, {audioLeft, bottomPanelsTop, width, bottomPanelHeight}, 10.0f);
    drawPanelHeading(canvas, iconMusicNote, audioLeft + 20, 702, L"Custom Audio & Tests",
                     audioLeft + 58, 700);
    float y = 746;
    for (const std::wstring_view note : audioNotes) {
        drawBullet(canvas, audioLeft, y);
        canvas.drawText(fitText(canvas, note, 15, width - 70, false), audioLeft + 46, y, 15,
                        UiPalette::text, 0.1f);
        y += 30;
    }
    drawBullet(canvas, audioLeft, 836);
    canvas.drawText(L"Run tests:", audioLeft + 46, 836, 15, UiPalette::text, 0.1f);
    const RectF codeBox{audioLeft + 136, 830, std::min(330.0f, width - 160), 30};
    canvas.drawRoundedRect(codeBox, 5.0f, UiPalette::inset, 0.0f);
    canvas.drawRoundedRect(codeBox, 5.0f, UiPalette::border, 1.0f);
    canvas.drawText(fitText(canvas, testCommand, 14, codeBox.width - 16, false), audioLeft + 146,
                    837, 14, UiPalette::text, 0.1f);
}

} // namespace lumenark
