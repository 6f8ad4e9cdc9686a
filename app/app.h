#pragma once
// The launcher application object of the window and the capture modes. It owns the backend, the
// renderer and the menu music, and holds every piece of UI state: navigation, the Settings
// editing copies, controller state, the status line shown, the build receipts and the games'
// "ready to play" flags. Pages draw from this state (app/pages), input acts on it (app/input);
// the main loop (app/loop) ticks it and draws its frames.
#include "app/hit_region.h"
#include "app/input/controller_slots.h"
#include "app/input/pad_navigation.h"
#include "app/loop/backend_tick.h"
#include "app/loop/music_volume.h"
#include "app/navigation.h"
#include "app/pages/page_control.h"
#include "app/pages/settings_controls.h"
#include "app/ui/palette.h"
#include "app/ui/renderer_canvas.h"
#include "app/ui/widgets.h"
#include "backend/backend.h"
#include "backend/cmos/adjustments.h"
#include "backend/game_table.h"
#include "backend/preferences/config.h"
#include "backend/preferences/launcher_files.h"
#include "backend/setup/build_receipts.h"
#include "backend/setup/setup_pipeline.h"
#include "backend/startup_context.h"
#include "platform/controllers.h"
#include "platform/desktop.h"
#include "platform/window.h"
#include "presentation/hid_input.h"
#include "presentation/menu_music.h"
#include "presentation/renderer.h"

#include <array>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumenark {

using GameFlags = std::array<bool, qxlauncher::gameCount>;

// What the App runs on. The system's by default; tests give clocks they step, a recording
// desktop, pads of their own and a poll task of their own.
struct AppServices {
    std::function<std::uint64_t()> tickMilliseconds; // GetTickCount64
    std::function<std::uint64_t()> monotonic100ns;
    std::function<void(std::uint32_t)> sleepMilliseconds;
    std::shared_ptr<platform::Desktop> desktop;
    std::function<std::unique_ptr<platform::Controllers>()> loadControllers;
    // The HID pads' states (HidInput::snapshot of the process-wide reader).
    std::function<std::vector<HidPadState>()> hidSnapshot;
    // The background poll's task, run on a thread of its own.
    std::function<GameFlags(const qxlauncher::StartupContext&)> pollGames;
    // What the menu music is made with once the window shows.
    MenuMusicServices music = systemMenuMusicServices();
};

AppServices systemAppServices();

// The background poll's task: a backend of its own asks, for each game, whether the installed
// package is available and intact.
GameFlags pollGameAvailability(const qxlauncher::StartupContext& context);

// The design height of every frame (the width without a renderer: defaultDesignWidth).
inline constexpr float designHeight = 1024.0f;
inline constexpr std::uint64_t clickDuckMilliseconds = 320;
inline constexpr std::uint32_t gameCloseRetryMilliseconds = 100;

// What the main loop does on a turn after the music got its volume.
struct LoopTurn {
    bool fading = false; // the music still fades out
    bool drawFrame = false;
};

class App final : public platform::WindowEvents, private TickHost {
public:
    App(const qxlauncher::StartupContext& context, AppServices services);
    App(const App&) = delete;
    App& operator=(const App&) = delete;
    // Tears down as shutdown does; an error is swallowed here (it may run while another error
    // unwinds), so the owner calls shutdown first on the normal path.
    ~App();

    // The teardown in its order; errors reach the caller. Later calls do nothing.
    void shutdown();

    // Wiring by the entry point: the window once created, the renderer it draws with (owned), the
    // menu music once the window shows ("menu-music unavailable: " and silence on any error).
    void attachWindow(platform::LauncherWindow* window) { window_ = window; }
    void attachRenderer(std::unique_ptr<Renderer> renderer) {
        renderer_ = std::move(renderer);
        canvas_.attach(renderer_.get());
    }
    void startMenuMusic();

    // Lifecycle, selection and Settings.
    void refreshBuilds() override;
    void openSettings();
    void selectGame(int game);
    bool hasRemastered() const;

    // Window and main loop.
    void setFullscreen(bool on);
    // The 200-ms backend tick when it is due; an error of the background poll comes out here.
    void tick();
    // The controllers: navigation with the first pad, the capture of a controller button for a
    // binding (XInput and HID pads). Called on every loop turn; an error of an action it
    // triggers is reported like one of a window message and goes no further.
    void pollControllers();
    // Gives the music its volume for this turn and says whether a frame is drawn.
    LoopTurn musicTurn();
    // One whole frame: ground, page, chrome (the pages fill in the last two).
    void render(double seconds, bool capture);
    // The capture frame's state: reduced motion on, the Settings page and tab, the section.
    void prepareCapture(bool settingsOpen, SettingsTab tab, std::optional<NavSection> section);
    // The close action of the title bar's close control (also WM_CLOSE): while a game runs the
    // launcher asks it to close and waits in the closing state, else the window is destroyed.
    void requestClose();

    // --- Widgets (app/ui): they draw on the canvas, which without a renderer draws nothing and
    // is 1536 wide. Buttons record their regions in the hit list as they are drawn. ---
    Canvas& canvas() { return canvas_; }
    const Canvas& canvas() const { return canvas_; }
    // The hovered, pressed and focused control ids.
    ControlStates controlStates() const;
    void drawTitleBar();
    void drawBrandHeader();
    // The colour is not used; intensity scales the cabinet's red parts.
    void drawCabinet(RectF rect, ColorF colour, float intensity);
    void drawIcon(int glyph, float x, float y, ColorF colour);
    void drawRequirementRow(float x, float y, std::wstring_view title, RequirementKind kind,
                            std::wstring_view secondLine);
    void drawButton(int id, RectF rect, std::wstring_view label, bool enabled, bool primary,
                    float fontSize);
    void drawActionRow(int id, float y, std::wstring_view title, std::wstring_view subtitle,
                       std::wstring_view buttonLabel, bool enabled);
    std::wstring fitText(std::wstring_view text, float size, float maxWidth, bool keepEnd) const;
    // Draws at x, y and moves y past the section.
    void drawParagraphSection(std::wstring_view heading, std::wstring_view paragraph, float x,
                              float& y, float wrapWidth);

    // --- Pages (app/pages): each draws its section from the App's state and changes none; the
    // frame draws the section's page controls and the status panel after it. ---
    void drawOverviewPage();
    void drawRomSetupPage();
    void drawBuildPage();
    void drawLegalPage();
    // The Play page; a capture draws it still (time 0, no highlight).
    void drawPlayPage(bool capture);
    // The legal footer of every page.
    void drawLegalBlock();

    // --- The controls of a frame (app/pages/frame_controls.cpp): one list per part of the frame,
    // read both by the drawing, which registers each region as it draws the control, and by
    // layoutHitRegions, so the two cannot drift apart. ---
    // The current section's page controls: Overview, ROM Setup, Build and Legal; none for Play.
    PageControls pageControls() const;
    // The Play page's regions: the three cabinets and, with a game loaded, PLAY.
    PageControls playControls() const;
    // The sidebar's six entries in navigation order.
    PageControls sidebarControls() const;
    // Minimise and close, the frame's last regions.
    PageControls titleBarControls() const;
    // Rebuilds the hit list with the regions a frame of the current state registers.
    void layoutHitRegions();
    // The control ids that the keyboard and the controllers move between.
    std::vector<int> focusOrder() const;
    // The current eased highlight of a Play cabinet (0 to 1).
    float cabinetHighlight(int game) const {
        return cabinetHighlight_.at(static_cast<std::size_t>(game));
    }
    bool requirementsCheckStarted() const { return requirementsCheckStarted_; }

    // --- The Settings page (app/pages/settings*.cpp): an overlay over the section that edits
    // copies of the game's and the launcher's preferences. ---
    void drawSettings();
    // The enabled rule of a Settings control; ids the page does not restrict are enabled.
    bool isControlEnabled(int id) const;
    // Moves the pressed slider to the cursor (mouse press and every mouse move).
    void dragSlider();
    // Steps an operator adjustment (260 to 264) by +1 or -1.
    void stepAdjustment(int id, int delta);
    // The page's controls for the current state: what it draws and what the hit list holds.
    std::vector<SettingsControl> settingsControlList() const;
    // The page's regions in hit-list order, shifted to the centred page.
    void appendSettingsRegions(std::vector<HitRegion>& regions) const;
    // The focus list while Settings is open.
    std::vector<int> settingsFocusOrder() const;
    int connectedControllerCount() const;

    // platform::WindowEvents.
    void onCloseRequest() override { requestClose(); }
    void onActivateApp(bool active) override;
    void onKillFocus() override;
    void onMessageError(const char* text) noexcept override;

    // platform::WindowEvents, input (app/input/app_input.cpp). The window hands over client
    // pixels and virtual-key codes; the members marked there as stubs are filled in by the input
    // handling.
    void onMouseMove(int x, int y) override;
    void onMouseDown(int x, int y) override;
    void onMouseUp(int x, int y) override;
    void onKeyDown(int virtualKey, bool repeat) override;
    void onCaptureLost() override;
    void onRawInput(platform::RawInputHandle input) override;
    void onInputDeviceRemoved(platform::RawDeviceHandle device) override;
    platform::WindowArea hitTest(int x, int y, int clientWidth, int clientHeight) override;
    platform::CursorShape cursorShape() const override { return cursor_; }
    // A key pressed (not a repeat), also the controllers' navigation keys: a virtual-key code.
    void onKeyDown(int virtualKey);
    // platform::WindowEvents, the window's rectangles (app/loop/window_placement.h's rules).
    platform::ScreenRect clientArea(const platform::ScreenRect& window,
                                    const platform::SizingFrame& frame) override;
    void onDisplayChanged(const std::optional<platform::ScreenRect>& suggested) override;
    // The hit-test query: a control's region (id 0 or more) lies under the design point.
    bool controlRegionAt(float designX, float designY) const;
    // The id of the region of the hit list under the design point (enabled or not), or -1.
    int controlIdAt(float designX, float designY) const;

    // The control dispatcher (app/input/dispatcher*.cpp): every control's action, by control id.
    // A region of the id that the current frame holds disabled swallows it.
    void activate(int id);
    // The folder picker for a game's ROM folder (-1: one folder for all three games); the chosen
    // folder goes to the backend.
    void pickRomFolder(int game);
    // Opens a file or folder as the desktop opens it; a link on the path throws.
    void openPath(const std::filesystem::path& path);

    // State for pages, input and tests.
    qxlauncher::Backend& backend() { return backend_; }
    const qxlauncher::Backend& backend() const { return backend_; }
    const std::filesystem::path& projectRoot() const { return backend_.root(); }
    Renderer* renderer() const { return renderer_.get(); }
    MenuMusic* music() const { return music_.get(); }
    platform::LauncherWindow* window() const { return window_; }
    float designWidth() const;
    const std::vector<HitRegion>& hitRegions() const { return hitRegions_; }
    int selectedGame() const { return selectedGame_; }
    int loadedGame() const { return loadedGame_; }
    NavSection section() const { return section_; }
    bool settingsOpen() const { return settingsOpen_; }
    SettingsTab settingsTab() const { return settingsTab_; }
    int focusPosition() const { return focusPosition_; }
    int focusedControl() const { return focusedControl_; }
    int hoveredControl() const { return hoveredControl_; }
    int pressedControl() const { return pressedControl_; }
    // Any input was seen (the opening fade ends).
    bool inputSeen() const { return inputSeen_; }
    const ControllerSlots& controllerSlots() const { return controllerSlots_; }
    const PadNavigation& padNavigation() const { return padNavigation_; }
    // The Overview's "steps shown for" game and the ROM Setup page's report game.
    int overviewGame() const { return overviewStepsGame_; }
    int romReportGame() const { return romReportGame_; }
    bool closing() const { return closing_; }
    bool active() const { return active_; }
    bool fullscreen() const { return fullscreen_; }
    bool gameSettingsLoaded() const { return gameSettingsLoaded_; }
    bool editedRemastered() const { return editedRemastered_; }
    const std::wstring& statusLine() const { return statusShown_; }
    const std::array<qxlauncher::LatestBuild, qxlauncher::gameCount>& builds() const {
        return builds_;
    }
    const std::vector<std::wstring>& digestKinds(int game) const {
        return digestKinds_.at(static_cast<std::size_t>(game));
    }
    const GameFlags& readyFlags() const { return ready_; }
    bool extendedVideo() const { return extendedVideo_; }
    bool remasteredChoice(int game) const {
        return remasteredChoice_.at(static_cast<std::size_t>(game));
    }
    bool pollPending() override { return pendingPoll_.valid(); }
    const TickState& tickState() const { return tick_; }
    const qxlauncher::Config& editConfig() const { return editConfig_; }
    const qxlauncher::GameAdjustments& editAdjustments() const { return editAdjustments_; }
    const qxlauncher::LauncherPreferences& appliedPreferences() const { return applied_; }
    const qxlauncher::LauncherPreferences& editedPreferences() const { return edited_; }
    const qxlauncher::ControlBindings& editBindings() const { return editBindings_; }
    std::uint64_t creationTime() const { return creationTime_; }
    std::uint64_t tickMilliseconds() const { return services_.tickMilliseconds(); }
    std::uint64_t monotonic100ns() const { return services_.monotonic100ns(); }
    platform::Desktop& desktop() const { return *services_.desktop; }

private:
    // TickHost: the tick's steps on the backend, this App and the window.
    bool isGameRunning() override { return backend_.isGameRunning(); }
    void pollRunningGame() override { backend_.pollRunningGame(); }
    bool isSetupBusy() override { return backend_.isSetupBusy(); }
    std::wstring backendStatus() override { return backend_.statusText(); }
    std::uint32_t lastExitCode() override { return backend_.lastExitCode(); }
    bool gameWindowKnown() override { return backend_.gameWindow() != nullptr; }
    void requestGameClose() override { backend_.requestGameClose(); }
    void showStatus(const std::wstring& text) override { statusShown_ = text; }
    bool collectPoll() override;
    void startPoll() override;
    void restoreLauncher() override;
    void stepAsideForGame() override;
    void destroyWindow() override;
    void logEvent(const std::string& event) override;

    void loadStartupState(const qxlauncher::StartupContext& context);
    void chooseStartSection();
    void selectOtherGame(int game);
    void switchEdition(int game);
    void resetInputHold();
    // The keyboard rules (app/input/keyboard.cpp).
    void captureKey(int virtualKey);
    void escapeKey();
    void settingsKey(int virtualKey);
    void playKey(int virtualKey);
    void sectionKey(int virtualKey);
    // The sidebar entry one step before (-1) or after (+1) the current one, passing over
    // SETTINGS while it is not available, activated.
    void cycleSection(int step);
    // The pad's rules (app/input/controllers.cpp).
    void readControllers();
    void captureButton();
    void padNavigate(std::uint32_t pressed);
    // The frame's decoration: the bezel switch of the edition on show.
    bool decorationWanted() const;
    // The focus list's entry at the focus position, or -1.
    int focusedControlAtPosition(const std::vector<int>& order) const;
    // The focus (app/input/focus.cpp). The launcher places it at the position it wants (never
    // on a "Cancel", by the rule of focus_follow.h); the player's movement keys move it exactly;
    // before a key or a frame uses it, it follows its control when the focus list changed.
    void placeFocus(int wanted);
    void moveFocus(int position);
    // The controls that undo the player's work, where the launcher never places the focus: the
    // three "Cancel"s, and the ownership checkbox while the confirmation is given.
    std::vector<int> undoingControls() const;
    void settleFocus();
    // The frame between the ground and the end: the section's page (or Settings) and the
    // chrome around it.
    void drawPage(bool capture);
    void drawChrome();
    void easeCabinetHighlights(double seconds);
    // The chrome (app/pages/chrome.cpp).
    void drawPageControls();
    void drawPageControl(const PageControl& control);
    void drawOwnershipCheckbox(const PageControl& control);
    void drawStatusPanel();
    void drawSidebar();
    void drawHelpLines();
    void registerTitleBarRegions();
    void drawClosingOverlay();
    // The Play page's parts (app/pages/play.cpp).
    float animationTime(bool capture) const;
    void drawPlayBackdrop(float time);
    void drawPlayCabinet(int game, const PageControl& region, bool capture, float time);
    void drawPlayInfoPanel(const PageControls& controls);
    SettingsState settingsState() const;
    qxlauncher::VideoSettings& editedProfile() {
        return editedRemastered_ ? editConfig_.remastered : editConfig_.original;
    }
    void drawSettingsHeader(float shift);
    void drawSettingsControl(const SettingsControl& control, float shift);
    void drawSettingsNotes(float shift);
    void drawControlsGrid(float shift);
    // The dispatcher's handlers (app/input/dispatcher*.cpp).
    platform::WindowHandle ownerWindow() const {
        return window_ != nullptr ? window_->handle() : nullptr;
    }
    void activatePageControl(int id);
    void showSection(NavSection section);
    void showPlaySection();
    void leaveSettingsForSection();
    // BACK: Settings closes without saving.
    void closeSettings();
    void startSelectedGame();
    void openLogFolder(const std::filesystem::path& folder);
    void requestGameSetup(int game, bool verifyOnly);
    void buildAll();
    void cancelSetups();
    void copySetupReport(int game);
    void playBuiltGame(int game);
    void showGameReport(int game);
    void switchOwnership();
    void recheckRequirements();
    void followSetupWork();
    void activateSettingsControl(int id);
    void chooseSettingsTab(int tab);
    void stepVideoProfile(int id);
    void stepLauncherPreference(int id);
    void switchDefaultVersion();
    void switchEditedEdition();
    void switchVideoControls();
    void endSliderDrag();
    void switchBindingOption(int id);
    void saveSettings();
    void restoreDefaults();
    void restoreGameDefaults();
    void restoreVideoProfile();
    void startBindingCapture(int id);
    // The buttons held now on every controller: the capture's baseline.
    qxlauncher::PadButtons heldControllerButtons() const;
    void askRankingReset();
    void confirmRankingReset();

    AppServices services_;

    // The fields in their order; the grouping of the Part's list, with the tick's own fields in
    // `tick_`.
    platform::LauncherWindow* window_ = nullptr;
    qxlauncher::Backend backend_;
    std::unique_ptr<Renderer> renderer_;
    RendererCanvas canvas_;
    std::unique_ptr<MenuMusic> music_;
    std::vector<HitRegion> hitRegions_;
    int selectedGame_ = 0;
    int loadedGame_ = -1;
    int hoveredControl_ = -1;
    int pressedControl_ = -1;
    int focusPosition_ = 0;
    SettingsTab settingsTab_ = SettingsTab::video;
    NavSection section_ = NavSection::overview;
    int overviewStepsGame_ = 0;
    int romReportGame_ = 0;
    bool settingsOpen_ = false;
    bool closing_ = false;
    bool active_ = true;
    bool fullscreen_ = false;
    platform::ScreenRect rememberedWindow_;
    std::array<qxlauncher::LatestBuild, qxlauncher::gameCount> builds_{};
    // What the tick's scans learned of each game's receipts; only the UI thread scans with them.
    std::array<qxlauncher::ReceiptCache, qxlauncher::gameCount> receiptCaches_{};
    std::array<std::vector<std::wstring>, qxlauncher::gameCount> digestKinds_{};
    // Controllers: XInput (null without it), its slots, the menu navigation (arming, the last
    // buttons, the held directions and their repeat) and the throttle of the polls.
    std::unique_ptr<platform::Controllers> controllers_;
    ControllerSlots controllerSlots_;
    PadNavigation padNavigation_;
    std::uint64_t controllerPollDue_ = 0;
    qxlauncher::Config editConfig_;
    qxlauncher::GameAdjustments editAdjustments_;
    qxlauncher::LauncherPreferences applied_;
    qxlauncher::LauncherPreferences edited_;
    bool gameSettingsLoaded_ = false;
    bool rankingResetPending_ = false;
    bool editedRemastered_ = false;
    bool displayControlsShown_ = false;
    qxlauncher::ControlBindings editBindings_;
    int captureId_ = -1;
    qxlauncher::PadButtons captureBaseline_ = 0;
    std::wstring statusShown_;
    float cursorX_ = -1.0f;
    float cursorY_ = -1.0f;
    // The cursor the hover rule chose last; the window keeps it over the client area.
    platform::CursorShape cursor_ = platform::CursorShape::arrow;
    std::uint64_t creationTime_ = 0;
    bool inputSeen_ = false;
    TickState tick_;
    GameFlags ready_{};
    bool extendedVideo_ = false;
    std::array<bool, 2> remasteredChoice_{};
    std::future<GameFlags> pendingPoll_;
    int focusedControl_ = -1;
    // The focus list the focused control was last taken from.
    std::vector<int> focusList_;
    // The Play cabinets' highlights, eased frame by frame.
    std::array<float, qxlauncher::gameCount> cabinetHighlight_{};
    // The first interactive frame of a page other than Play started the requirements check.
    bool requirementsCheckStarted_ = false;
    bool shutDown_ = false;

    // Tests stage the App's private state through this one class (tests/app/app_probe.h); the
    // product defines none.
    friend class AppProbe;
};

} // namespace lumenark
