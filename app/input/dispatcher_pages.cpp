// The dispatcher's actions on the sections: navigation, the window's buttons, PLAY, ROM folders,
// setups, the Build page's logs, folders and reports, the Legal page's confirmation and
// documents; and the two ways to the desktop, the folder picker and opening a path.
#include "app/app.h"

#include "app/control_ids.h"
#include "app/setup_rules.h"
#include "app/ui_event_log.h"
#include "platform/text.h"

#include <array>
#include <string>
#include <system_error>

namespace lumenark {
namespace {

// Each game's log folder under the root, where its launches write.
constexpr std::array<const char*, qxlauncher::gameCount> gameLogFolders{
    "logs/temporaria-8", "logs/qx2-v1", "logs/qx3-native"};

NavSection sectionOfNavigationId(int id) {
    switch (id) {
    case romSetupNavigationId:
        return NavSection::romSetup;
    case buildNavigationId:
        return NavSection::build;
    case legalNavigationId:
        return NavSection::legal;
    default:
        return NavSection::overview;
    }
}

// The Play page's focus position of the loaded game's cabinet; the first without one.
int loadedCabinetFocus(int loadedGame) {
    return qxlauncher::isGameKind(loadedGame) ? loadedGame : 0;
}

// PLAY's position, after the three cabinets; it is a focus stop only while a cabinet is loaded.
constexpr int playButtonFocus = 3;

} // namespace

void App::activatePageControl(int id) {
    switch (id) {
    case playNavigationId:
        showPlaySection();
        break;
    case settingsNavigationId:
        openSettings();
        break;
    case minimiseControlId:
        if (window_ != nullptr) {
            window_->show(platform::ShowCommand::minimize);
        }
        break;
    case closeControlId:
        requestClose();
        break;
    case playControlId:
        startSelectedGame();
        break;
    case gameLogFolderControlId:
        openLogFolder(backend_.root() / gameLogFolders.at(static_cast<std::size_t>(selectedGame_)));
        break;
    case oneFolderControlId:
        pickRomFolder(-1);
        break;
    case overviewNavigationId:
    case romSetupNavigationId:
    case buildNavigationId:
    case legalNavigationId:
        showSection(sectionOfNavigationId(id));
        break;
    case buildAllControlId:
        buildAll();
        break;
    case ownershipControlId:
        switchOwnership();
        break;
    case checkRequirementsControlId:
        recheckRequirements();
        break;
    default:
        break;
    }
}

// --- Sections -------------------------------------------------------------------------------

void App::leaveSettingsForSection() {
    if (settingsOpen_) {
        settingsOpen_ = false;
        captureId_ = -1;
    }
    editConfig_ = backend_.currentConfig();
    statusShown_.clear();
}

void App::showSection(NavSection section) {
    leaveSettingsForSection();
    section_ = section;
    placeFocus(0);
}

void App::showPlaySection() {
    leaveSettingsForSection();
    section_ = NavSection::play;
    placeFocus(loadedCabinetFocus(loadedGame_));
}

void App::closeSettings() {
    captureId_ = -1;
    settingsOpen_ = false;
    editConfig_ = backend_.currentConfig();
    placeFocus(section_ == NavSection::play ? loadedCabinetFocus(loadedGame_) : 0);
    statusShown_.clear();
}

// A game's Play button on the Build page: its cabinet, and the focus on PLAY (on the first
// cabinet when no game could be loaded, since PLAY is then not drawn).
void App::playBuiltGame(int game) {
    if (game != loadedGame_) {
        selectGame(game);
    }
    section_ = NavSection::play;
    placeFocus(loadedGame_ >= 0 ? playButtonFocus : 0);
}

void App::showGameReport(int game) {
    romReportGame_ = game;
    overviewStepsGame_ = game;
}

// --- PLAY -----------------------------------------------------------------------------------

void App::startSelectedGame() {
    if (settingsOpen_ || closing_ || backend_.isGameRunning()) {
        return;
    }
    const int game = selectedGame_;
    if (game != loadedGame_ || !ready_.at(static_cast<std::size_t>(game))) {
        return;
    }
    if (music_ != nullptr) {
        music_->silence();
    }
    services_.desktop->stopSound();
    const bool started = backend_.launchSelectedGame();
    statusShown_ = backend_.statusText();
    if (started) {
        logUiEvent(backend_.root(), "game-start " + std::to_string(game));
        return;
    }
    // The third game's package failed its checks; the next poll marks it again if intact.
    if (game == 2) {
        ready_[2] = false;
    }
    logUiEvent(backend_.root(), "game-start-error");
}

// --- Folders, logs and documents ------------------------------------------------------------

void App::openLogFolder(const std::filesystem::path& folder) {
    requireNoLinkInPath(folder);
    std::filesystem::create_directories(folder);
    if (services_.desktop->openPath(ownerWindow(), folder) != platform::OpenResult::opened) {
        statusShown_ = L"Could not open the logs folder.";
    }
}

void App::openPath(const std::filesystem::path& path) {
    requireNoLinkInPath(path);
    const std::wstring name = platform::wideFromPath(path.filename());
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        statusShown_ = L"Not found: " + name;
        return;
    }
    const platform::OpenResult result = services_.desktop->openPath(ownerWindow(), path);
    if (result == platform::OpenResult::opened) {
        return;
    }
    // A document of a kind no program claims ("LICENSE", ".md" on a stock Windows) is plain text.
    if (result == platform::OpenResult::noAssociation &&
        !std::filesystem::is_directory(path, error) &&
        services_.desktop->openAsText(ownerWindow(), path)) {
        return;
    }
    statusShown_ = L"Could not open " + name + L".";
}

void App::pickRomFolder(int game) {
    if (backend_.isGameRunning()) {
        return;
    }
    const std::wstring title =
        game < 0 ? std::wstring(L"Folder with the ROM files of your own boards")
                 : L"ROM files of your own board: " +
                       std::wstring(qxlauncher::gameTable.at(static_cast<std::size_t>(game)).title);
    const platform::FolderChoice choice = services_.desktop->pickFolder(ownerWindow(), title);
    if (choice.result == platform::FolderChoice::Result::unavailable) {
        statusShown_ = platform::folderPickerUnavailableText;
        return;
    }
    if (choice.result != platform::FolderChoice::Result::chosen || choice.folder.empty()) {
        return;
    }
    const std::filesystem::path folder = platform::pathFromWide(choice.folder);
    bool allAccepted = true;
    for (int g = 0; g < qxlauncher::gameCount; ++g) {
        if (game < 0 || g == game) {
            // Every game is asked, also after a refusal.
            allAccepted = backend_.setRomFolder(g, folder) && allAccepted;
        }
    }
    statusShown_ =
        allAccepted ? L"ROM folder saved. Use Verify to check the files." : backend_.statusText();
    if (game >= 0) {
        showGameReport(game);
    }
}

// --- Setups ---------------------------------------------------------------------------------

void App::requestGameSetup(int game, bool verifyOnly) {
    if (verifyOnly) {
        romReportGame_ = game;
    }
    overviewStepsGame_ = game;
    backend_.requestSetup(static_cast<unsigned>(game), verifyOnly);
    statusShown_ = backend_.statusText();
    followSetupWork();
}

void App::buildAll() {
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        if (canRequestSetup(backend_, game, false)) {
            backend_.requestSetup(static_cast<unsigned>(game), false);
        }
    }
    statusShown_ = backend_.statusText();
    followSetupWork();
}

void App::cancelSetups() {
    backend_.cancelSetup();
    statusShown_ = backend_.statusText();
    followSetupWork();
}

void App::recheckRequirements() {
    backend_.recheckRequirements();
    statusShown_ = L"Checking Python and the compiler...";
    followSetupWork();
}

// The tick shows the backend's sentence when setup work it saw running has ended. Work that an
// action left running counts as seen, so that a job ending before the next tick still shows
// its outcome.
void App::followSetupWork() {
    if (backend_.setupProcessRunning() || !backend_.setupQueueEmpty()) {
        tick_.setupBusyAtLastTick = true;
    }
}

void App::copySetupReport(int game) {
    const std::wstring report = backend_.setupReport(game);
    statusShown_ = services_.desktop->copyText(ownerWindow(), report)
                       ? L"Report copied. Paste it in your message to the project."
                       : L"Could not copy the report.";
}

// --- The Legal page -------------------------------------------------------------------------

void App::switchOwnership() {
    const bool confirm = !backend_.ownershipConfirmed();
    if (!backend_.setAcknowledged(confirm)) {
        statusShown_ = backend_.statusText();
        return;
    }
    statusShown_ = confirm ? L"Confirmation saved. You can verify and build your games."
                           : L"Confirmation withdrawn.";
}

} // namespace lumenark
