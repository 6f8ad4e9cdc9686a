#pragma once
// The ROM Setup page: what it shows of each game's folder and verification, worked out from the
// App's state, and how it lays that out. The page controls (Open Legal, the folder fields,
// Verify, ...) are the frame's.
#include "app/ui/canvas.h"
#include "backend/game_table.h"
#include "backend/setup/setup_pipeline.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace lumenark {

class App;

// One game's row: title, caption and the summary under its folder field.
struct RomSetupRow {
    std::wstring title;
    std::wstring caption; // revision  /  board
    std::wstring summary;
    bool summaryWarning = false;
};

// One file of the report with its result as the page words it.
struct ReportLine {
    std::wstring name;
    std::wstring result;
    bool ok = false;
};

struct RomSetupPage {
    bool ownershipConfirmed = false;
    std::array<RomSetupRow, qxlauncher::gameCount> rows;
    int reportGame = 0;
    std::wstring reportTitle;
    std::wstring checks; // "Checks: " and the manifest's digest labels
    std::vector<ReportLine> files;
    // "Program image: " and the program result; shown only with report files.
    std::wstring programLine;
    bool programOk = false;
};

RomSetupRow romSetupRow(const App& app, int game);

// "OK" for "ok"; "MISSING", "LINK"; else the digest's label and " differs".
std::wstring reportResult(std::string_view status);

RomSetupPage romSetupPage(const App& app);

// The page on a canvas of any design width.
void drawRomSetupPage(Canvas& canvas, const RomSetupPage& page);

} // namespace lumenark
