#pragma once
// The Overview page: how far one game's setup has come (the six-step strip), the state of each
// game (three cards), and what the collection needs and produces (requirements, output, receipt,
// launcher modes, custom audio and tests). It draws from a view of the App's state and changes
// nothing; its folder fields and Build buttons are page controls that the frame draws on the
// cards (overviewCardRect).
#include "app/ui/canvas.h"
#include "app/ui/palette.h"
#include "backend/game_table.h"
#include "backend/setup/setup_pipeline.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace lumenark {

inline constexpr std::array<std::wstring_view, 6> setupStepLabels{
    L"Select ROM Folder", L"Verify Files", L"Generate C++",
    L"Validate Digests",  L"Compile Game", L"Ready"};
inline constexpr int readyStep = 5;

// What the page reads of one game.
struct OverviewGame {
    const qxlauncher::SetupJob& job;
    const qxlauncher::LatestBuild& build;
    bool ready = false; // the background poll's verdict
    const std::vector<std::wstring>& digestLabels;
};

struct OverviewView {
    std::array<OverviewGame, qxlauncher::gameCount> games;
    const qxlauncher::ToolProbe& tools;
    int stepsShownGame = 0;
};

// The strip's game: the first whose setup runs, else the steps-shown game.
int stripGame(const OverviewView& view);

// The strip's current step (0 to 5) for a game. A running verification is no step of its own:
// it shows where the game stood before.
int currentStep(const OverviewGame& game);

// The card's state word, "Supported" to "Ready", as the Build page words it; a failure outranks
// a build found.
std::wstring gameStateWord(const OverviewGame& game);

// A tool's requirement row: its badge and second line (empty for none).
struct RequirementLine {
    RequirementKind kind = RequirementKind::neutral;
    std::wstring secondLine;
};

RequirementLine compilerRequirement(const qxlauncher::ToolProbe& tools);
RequirementLine pythonRequirement(const qxlauncher::ToolProbe& tools);

// The page, top to bottom: strip, games heading, the three cards, the requirements panel and
// the two bottom panels.
void drawOverview(Canvas& canvas, const OverviewView& view);

void drawStepStrip(Canvas& canvas, const OverviewView& view);
void drawGamesHeading(Canvas& canvas, const OverviewView& view);
void drawGameCard(Canvas& canvas, const OverviewView& view, int game);
void drawRequirementsPanel(Canvas& canvas, const qxlauncher::ToolProbe& tools);
void drawModesAndAudioPanels(Canvas& canvas);

// A panel or card: the `panel` fill with a `border` outline 1.2 wide.
void drawPanelBox(Canvas& canvas, RectF rect, float radius);

} // namespace lumenark
