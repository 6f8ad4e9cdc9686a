#pragma once
// The one way in for tests to the App's private state. Each operation stages one state that the
// input and the dispatcher would otherwise leave (a tab, an edit, a pending confirmation, a
// capture, the pointer, a controller, a status sentence) or reaches an editing copy. The product
// defines no probe.
#include "app/app.h"

#include <memory>
#include <string>
#include <utility>

namespace lumenark {

class AppProbe {
public:
    // The tab as a tab change leaves it, the focus at its position in the tab's list.
    static void stageSettingsTab(App& app, SettingsTab tab) {
        app.settingsTab_ = tab;
        app.placeFocus(app.focusPosition_);
    }
    static void stageDisplayHdrShown(App& app, bool shown) { app.displayControlsShown_ = shown; }
    static void stageEditedRemastered(App& app, bool remastered) {
        app.editedRemastered_ = remastered;
    }
    static void stageRankingResetPending(App& app, bool pending) {
        app.rankingResetPending_ = pending;
    }
    static void stageCapture(App& app, int id) { app.captureId_ = id; }

    // How many receipts the tick's scans have read and parsed, for all three games.
    static std::uint64_t receiptReads(const App& app) {
        std::uint64_t reads = 0;
        for (const auto& cache : app.receiptCaches_) {
            reads += cache.reads();
        }
        return reads;
    }

    static qxlauncher::Config& editConfig(App& app) { return app.editConfig_; }
    static qxlauncher::GameAdjustments& editAdjustments(App& app) { return app.editAdjustments_; }
    static qxlauncher::LauncherPreferences& editedPreferences(App& app) { return app.edited_; }
    static qxlauncher::ControlBindings& editBindings(App& app) { return app.editBindings_; }

    // The mouse as the input handling leaves it: the cursor in design units and the hovered and
    // pressed controls.
    static void stageCursor(App& app, float x, float y) {
        app.cursorX_ = x;
        app.cursorY_ = y;
    }
    static void stagePressed(App& app, int id) { app.pressedControl_ = id; }
    static void stageFocusPosition(App& app, int position) { app.moveFocus(position); }
    static void stageHovered(App& app, int id) { app.hoveredControl_ = id; }

    static void stageControllerConnected(App& app, int slot, bool connected) {
        app.controllerSlots_.connected.at(static_cast<std::size_t>(slot)) = connected;
    }
    // A slot's state as the last poll left it.
    static void stageControllerState(App& app, int slot, const platform::ControllerState& state) {
        app.controllerSlots_.states.at(static_cast<std::size_t>(slot)) = state;
    }
    // The binding capture: the control being captured (-1 none) and the buttons held at its
    // start.
    static int captureId(const App& app) { return app.captureId_; }
    static qxlauncher::PadButtons captureBaseline(const App& app) { return app.captureBaseline_; }
    static bool rankingResetPending(const App& app) { return app.rankingResetPending_; }
    static bool displayHdrShown(const App& app) { return app.displayControlsShown_; }
    // The menu music as the normal start leaves it, on a player of the test's own.
    static void stageMusic(App& app, std::unique_ptr<MenuMusic> music) {
        app.music_ = std::move(music);
    }
    static void stageStatus(App& app, std::wstring sentence) {
        app.statusShown_ = std::move(sentence);
    }
};

} // namespace lumenark
