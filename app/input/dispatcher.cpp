// The control dispatcher: every click, Enter, hot key and pad button ends here, by control id.
// One switch over the id families; the handlers are in dispatcher_pages.cpp (the sections),
// dispatcher_settings.cpp (Settings' edits) and dispatcher_save.cpp (SAVE, RESTORE DEFAULTS,
// the binding capture and the ranking reset).
#include "app/app.h"

#include "app/control_ids.h"
#include "backend/setup/setup_runner.h"

#include <algorithm>
#include <array>

namespace lumenark {
namespace {

// The families of controls that take a game (or a document) from their id.
enum class Family {
    single, // a control of its own
    cabinet,
    folderField,
    verify,
    build,
    cancel,
    openLog,
    openFolder,
    copyReport,
    playGame,
    document,
    gameRow,
    settingsTab,
};

struct FamilyRange {
    int first;
    int count;
    Family family;
};

constexpr int perGame = qxlauncher::gameCount;
constexpr std::array<FamilyRange, 12> familyRanges{{
    {cabinetControlId(0), perGame, Family::cabinet},
    {folderFieldControlId(0), perGame, Family::folderField},
    {verifyControlId(0), perGame, Family::verify},
    {buildControlId(0), perGame, Family::build},
    {cancelControlId(0), perGame, Family::cancel},
    {openLogControlId(0), perGame, Family::openLog},
    {openFolderControlId(0), perGame, Family::openFolder},
    {copyReportControlId(0), perGame, Family::copyReport},
    {playGameControlId(0), perGame, Family::playGame},
    {documentControlId(0), 3, Family::document},
    {gameRowControlId(0), perGame, Family::gameRow},
    {firstTabControlId, settingsTabCount, Family::settingsTab},
}};

// Settings' controls from here on.
constexpr int firstSettingsControlId = 200;

struct DecodedControl {
    Family family = Family::single;
    int index = 0; // the game, the document or the tab
};

DecodedControl decodeControl(int id) {
    for (const FamilyRange& range : familyRanges) {
        if (id >= range.first && id < range.first + range.count) {
            return {range.family, id - range.first};
        }
    }
    return {};
}

// The documents at the root that the Legal page opens, by document index.
constexpr std::array<const char*, 3> documentNames{"DISCLAIMER.md", "THIRD_PARTY_NOTICES.md",
                                                   "LICENSE"};

bool regionDisabled(const std::vector<HitRegion>& regions, int id) {
    const auto found = std::find_if(regions.begin(), regions.end(),
                                    [id](const HitRegion& region) { return region.id == id; });
    return found != regions.end() && !found->enabled;
}

} // namespace

void App::activate(int id) {
    layoutHitRegions();
    // An id without a region (a hot key, a controller button) goes on.
    if (regionDisabled(hitRegions_, id)) {
        return;
    }
    inputSeen_ = true;
    const DecodedControl control = decodeControl(id);
    const int game = control.index;
    switch (control.family) {
    case Family::cabinet:
        selectGame(game);
        break;
    case Family::folderField:
        pickRomFolder(game);
        break;
    case Family::verify:
        requestGameSetup(game, true);
        break;
    case Family::build:
        requestGameSetup(game, false);
        break;
    case Family::cancel:
        cancelSetups();
        break;
    case Family::openLog:
        openPath(qxlauncher::setupLogPath(backend_.root(), game));
        break;
    case Family::openFolder:
        openPath(backend_.latestBuildDirectory(game));
        break;
    case Family::copyReport:
        copySetupReport(game);
        break;
    case Family::playGame:
        playBuiltGame(game);
        break;
    case Family::document:
        openPath(backend_.root() / documentNames.at(static_cast<std::size_t>(game)));
        break;
    case Family::gameRow:
        showGameReport(game);
        break;
    case Family::settingsTab:
        if (settingsOpen_) {
            chooseSettingsTab(control.index);
        }
        break;
    case Family::single:
        if (id < firstSettingsControlId) {
            activatePageControl(id);
        } else {
            activateSettingsControl(id);
        }
        break;
    }
}

} // namespace lumenark
