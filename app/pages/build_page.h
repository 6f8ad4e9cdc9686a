#pragma once
// The Build page: what it shows of each game's setup, worked out from the App's state, and how it
// lays that out. The page controls (Build, Cancel, Open log, ...) are the frame's.
#include "app/ui/canvas.h"
#include "backend/game_table.h"
#include "backend/setup/setup_pipeline.h"

#include <array>
#include <string>
#include <string_view>

namespace lumenark {

class App;

// The labels of the step chain, lit from the left.
inline constexpr std::array<std::wstring_view, 5> buildChainLabels{
    L"Verify Files", L"Generate C++", L"Validate Digests", L"Compile Game", L"Ready"};

// The word of a game's state pill, as the Overview's cards word it too: "Verifying", "Building",
// "Queued", "Failed", "Ready", "Built", "Update", "Verified" or "Supported".
std::wstring setupStateWord(const qxlauncher::SetupJob& job, const qxlauncher::LatestBuild& build,
                            bool ready);

// One game's row, in texts, colours and amounts.
struct BuildRow {
    std::wstring title;
    std::wstring stateWord;
    std::wstring detail;
    ColorF detailColour;
    // The bar's fill, 0 to 1 (drawn when above 0); a running verification has a moving block.
    float progress = 0;
    bool indeterminate = false;
    bool failed = false;  // state "failed": the bar in the warning colour
    bool running = false; // the row's accent border
    int litSteps = 0;     // chain labels lit from the left, 0 to 5
    // The second line of a failure that has ended; empty otherwise.
    std::wstring failureText;
};

// The line under the header on what the requirements check found.
struct ToolLine {
    std::wstring text;
    bool warning = false; // Python or g++ not found
};

struct BuildPage {
    ToolLine tools;
    std::array<BuildRow, qxlauncher::gameCount> rows;
    // Seconds since the App started, 0 with reduced motion on: where the moving block stands.
    double animationSeconds = 0;
};

// "Checking Python and the compiler..." until the requirements were checked, then the Python
// and the g++ that the check found.
ToolLine toolLine(const qxlauncher::ToolProbe& tools);

BuildRow buildRow(const App& app, int game);
BuildPage buildPage(const App& app);

// The page on a canvas of any design width.
void drawBuildPage(Canvas& canvas, const BuildPage& page);

} // namespace lumenark
