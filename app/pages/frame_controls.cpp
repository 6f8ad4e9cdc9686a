// The controls of a frame by section and state: the page controls of the Overview, ROM Setup,
// Build and Legal sections, the Play page's regions, the sidebar and the title bar; the hit list
// and the focus list built from them.
#include "app/app.h"

#include "app/control_ids.h"
#include "app/pages/page_layout.h"
#include "app/setup_rules.h"
#include "backend/setup/setup_runner.h"
#include "platform/text.h"

#include <algorithm>
#include <system_error>

namespace lumenark {
namespace {

using qxlauncher::SetupJob;

constexpr std::wstring_view ownershipLabel =
    L"I own the original board / ROM files of the games I set up, and I obtained them legally.";
constexpr std::array<std::wstring_view, 3> documentLabels{L"DISCLAIMER.md",
                                                          L"THIRD_PARTY_NOTICES.md", L"LICENSE"};
constexpr std::array<std::wstring_view, 6> sidebarLabels{L"Overview", L"ROM Setup", L"Build",
                                                         L"Play",     L"Settings",  L"Legal"};

PageControl control(int id, RectF rect, std::wstring label, bool enabled, ControlStyle style) {
    return {id, rect.x, rect.y, rect.width, rect.height, std::move(label), enabled, style};
}

bool verifying(const SetupJob& job) {
    return job.running && job.mode == "verify";
}

// What the state of a collection's setup decides for its controls.
class SetupState {
public:
    explicit SetupState(const App& app) : app_(app), backend_(app.backend()) {}

    const SetupJob& job(int game) const { return backend_.setupJob(game); }
    bool gameRunning() const { return backend_.isGameRunning(); }
    bool anyJobBusy() const {
        for (int game = 0; game < qxlauncher::gameCount; ++game) {
            if (setupBusy(job(game))) {
                return true;
            }
        }
        return false;
    }
    // Neither queued nor running, and no game runs.
    bool idle(int game) const { return !setupBusy(job(game)) && !gameRunning(); }
    bool canSetUp(int game, bool verifyOnly) const {
        return canRequestSetup(backend_, game, verifyOnly);
    }
    std::wstring buildLabel(int game) const {
        const SetupJob& j = job(game);
        if (j.running) {
            return j.mode == "verify" ? L"Verifying" : L"Building";
        }
        if (j.queued) {
            return L"Queued";
        }
        if (buildFound(game)) {
            return L"Rebuild";
        }
        return app_.builds()[static_cast<std::size_t>(game)].outdated ? L"Update" : L"Build";
    }
    std::wstring folder(int game) const { return platform::wideFromPath(job(game).romFolder); }
    bool buildFound(int game) const { return app_.builds()[static_cast<std::size_t>(game)].found; }
    bool ready(int game) const { return app_.readyFlags()[static_cast<std::size_t>(game)]; }
    bool logExists(int game) const {
        std::error_code error;
        return std::filesystem::is_regular_file(qxlauncher::setupLogPath(backend_.root(), game),
                                                error);
    }

private:
    const App& app_;
    const qxlauncher::Backend& backend_;
};

PageControls overviewControls(const SetupState& setup, float width) {
    PageControls controls;
    for (int g = 0; g < qxlauncher::gameCount; ++g) {
        const RectF card = overviewCardRect(width, g);
        controls.push_back(control(folderFieldControlId(g),
                                   {card.x + 218, card.y + 98, card.width - 232, 28},
                                   setup.folder(g), setup.idle(g), ControlStyle::folderField));
        controls.push_back(
            control(buildControlId(g), {card.x + card.width - 118, card.y + 160, 104, 34},
                    setup.buildLabel(g), setup.canSetUp(g, false), ControlStyle::primaryButton));
    }
    return controls;
}

PageControls romSetupControls(const SetupState& setup, bool confirmed, float width) {
    const float right = width - 20;
    PageControls controls;
    if (!confirmed) {
        controls.push_back(control(legalNavigationId, {right - 170, 238, 150, 36}, L"Open Legal",
                                   true, ControlStyle::button));
    }
    controls.push_back(control(oneFolderControlId, {right - 320, 140, 300, 40},
                               L"Use one folder for all games",
                               !setup.anyJobBusy() && !setup.gameRunning(), ControlStyle::button));
    for (int g = 0; g < qxlauncher::gameCount; ++g) {
        const float y = romSetupRowTop(g);
        controls.push_back(
            control(gameRowControlId(g), {226, y, 300, 84}, L"", true, ControlStyle::gameRow));
        controls.push_back(control(folderFieldControlId(g), {546, y + 14, width - 756, 32},
                                   setup.folder(g), setup.idle(g), ControlStyle::folderField));
        controls.push_back(control(verifyControlId(g), {right - 170, y + 20, 150, 40},
                                   verifying(setup.job(g)) ? L"Verifying" : L"Verify",
                                   setup.canSetUp(g, true), ControlStyle::primaryButton));
    }
    return controls;
}

PageControls buildControls(const SetupState& setup, float width) {
    const float right = width - 20;
    bool anyCanBuild = false;
    for (int g = 0; g < qxlauncher::gameCount; ++g) {
        anyCanBuild = anyCanBuild || setup.canSetUp(g, false);
    }
    PageControls controls;
    controls.push_back(control(checkRequirementsControlId, {right - 410, 140, 220, 40},
                               L"Check requirements", !setup.anyJobBusy(), ControlStyle::button));
    controls.push_back(control(buildAllControlId, {right - 170, 140, 150, 40}, L"Build all",
                               anyCanBuild, ControlStyle::primaryButton));
    // The row's buttons at W - 210: their right edges meet the 150-wide buttons' at W - 40.
    const float buttonX = width - 210;
    for (int g = 0; g < qxlauncher::gameCount; ++g) {
        const float top = buildRowTop(g);
        const SetupJob& job = setup.job(g);
        controls.push_back(control(buildControlId(g), {buttonX, top + 18, 170, 40},
                                   setup.buildLabel(g), setup.canSetUp(g, false),
                                   ControlStyle::primaryButton));
        controls.push_back(control(cancelControlId(g), {buttonX, top + 66, 170, 36}, L"Cancel",
                                   setupBusy(job), ControlStyle::button));
        controls.push_back(control(openLogControlId(g), {246, top + 164, 130, 34}, L"Open log",
                                   setup.logExists(g), ControlStyle::button));
        controls.push_back(control(openFolderControlId(g), {386, top + 164, 150, 34},
                                   L"Open folder", setup.buildFound(g), ControlStyle::button));
        controls.push_back(control(copyReportControlId(g), {546, top + 164, 150, 34},
                                   L"Copy report", job.state == "failed" && !job.running,
                                   ControlStyle::button));
        controls.push_back(control(playGameControlId(g), {buttonX, top + 162, 170, 38}, L"Play",
                                   setup.ready(g) && !setupBusy(job), ControlStyle::primaryButton));
    }
    return controls;
}

PageControls legalControls(float width) {
    PageControls controls;
    controls.push_back(control(ownershipControlId, {256, 790, width - 306, 44},
                               std::wstring(ownershipLabel), true, ControlStyle::checkbox));
    for (int i = 0; i < 3; ++i) {
        controls.push_back(control(
            documentControlId(i), {256 + 260 * static_cast<float>(i), 856, 240, 40},
            std::wstring(documentLabels[static_cast<std::size_t>(i)]), true, ControlStyle::button));
    }
    return controls;
}

void appendRegions(std::vector<HitRegion>& regions, const PageControls& controls) {
    for (const PageControl& c : controls) {
        regions.push_back(c.region());
    }
}

} // namespace

PageControls App::pageControls() const {
    const SetupState setup(*this);
    const float width = designWidth();
    switch (section_) {
    case NavSection::overview:
        return overviewControls(setup, width);
    case NavSection::romSetup:
        return romSetupControls(setup, backend_.ownershipConfirmed(), width);
    case NavSection::build:
        return buildControls(setup, width);
    case NavSection::legal:
        return legalControls(width);
    case NavSection::play:
        break;
    }
    return {};
}

PageControls App::playControls() const {
    const float width = designWidth();
    const bool gameRunning = backend_.isGameRunning();
    PageControls controls;
    for (int g = 0; g < qxlauncher::gameCount; ++g) {
        controls.push_back(
            control(cabinetControlId(g),
                    {cabinetX(width, g), cabinetRegionTop, cabinetWidth, cabinetHeight}, L"",
                    !gameRunning, ControlStyle::gameRow));
    }
    if (loadedGame_ >= 0) {
        const bool playable =
            selectedGame_ == loadedGame_ && ready_.at(static_cast<std::size_t>(loadedGame_));
        const std::wstring label = gameRunning ? L"RUNNING"
                                   : closing_  ? L"UNAVAILABLE"
                                   : playable  ? L"PLAY"
                                               : L"UNAVAILABLE";
        controls.push_back(control(playControlId, {width - 280, 888, 244, 52}, label,
                                   !closing_ && !gameRunning && playable,
                                   ControlStyle::primaryButton));
    }
    return controls;
}

PageControls App::sidebarControls() const {
    const bool settingsAvailable = !closing_ && !backend_.isGameRunning();
    PageControls controls;
    for (std::size_t i = 0; i < navigationOrder.size(); ++i) {
        const int id = navigationOrder[i];
        controls.push_back(control(
            id, {16, 142 + 58 * static_cast<float>(i), 192, 48}, std::wstring(sidebarLabels[i]),
            id != settingsNavigationId || settingsAvailable, ControlStyle::button));
    }
    return controls;
}

PageControls App::titleBarControls() const {
    const float width = designWidth();
    return {control(minimiseControlId, {width - 92, 0, 44, 34}, L"", true, ControlStyle::button),
            control(closeControlId, {width - 46, 0, 44, 34}, L"", true, ControlStyle::button)};
}

void App::layoutHitRegions() {
    hitRegions_.clear();
    if (settingsOpen_) {
        appendSettingsRegions(hitRegions_);
    } else if (section_ == NavSection::play) {
        appendRegions(hitRegions_, playControls());
    } else {
        appendRegions(hitRegions_, pageControls());
    }
    appendRegions(hitRegions_, sidebarControls());
    appendRegions(hitRegions_, titleBarControls());
}

std::vector<int> App::focusOrder() const {
    if (settingsOpen_) {
        return settingsFocusOrder();
    }
    if (section_ == NavSection::play) {
        // The cabinets and PLAY as the page draws them (PLAY only once a cabinet is loaded),
        // then SETTINGS: a control that is not drawn is no focus stop.
        std::vector<int> order;
        for (const PageControl& c : playControls()) {
            order.push_back(c.id);
        }
        order.push_back(settingsNavigationId);
        return order;
    }
    std::vector<int> order;
    for (const PageControl& c : pageControls()) {
        if (c.enabled) {
            order.push_back(c.id);
        }
    }
    if (order.empty()) {
        order.push_back(sectionNavigationId(section_));
    }
    return order;
}

} // namespace lumenark
