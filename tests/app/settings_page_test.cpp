// What the Settings page shows: each row's title, value and description by the edited state,
// the header's second line, the notes of ADJUSTMENTS and UTILITIES, the CONTROLS grid with key
// names from the desktop and the captured cell, and how a frame draws each kind of control.
#include "app/control_ids.h"
#include "app/ui/palette.h"
#include "tests/app/page_drawing_checks.h"
#include "tests/app/settings_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace lumenark {
namespace {

using apptest::DrawCall;
using apptest::DrawCalls;
using apptest::findText;
using apptest::SettingsFixture;
using apptest::SettingsSetup;

const SettingsSetup firstGame{0, true, false, 1536.0f};
const SettingsSetup secondGame{1, false, false, 1536.0f};
const SettingsSetup thirdGame{2, false, false, 1536.0f};

std::optional<SettingsControl> controlOf(const App& app, int id) {
    for (const SettingsControl& control : app.settingsControlList()) {
        if (control.id == id) {
            return control;
        }
    }
    return std::nullopt;
}

qxlauncher::VideoSettings& original(App& app) {
    return AppProbe::editConfig(app).original;
}

qxlauncher::VideoSettings& remastered(App& app) {
    AppProbe::stageEditedRemastered(app, true);
    return AppProbe::editConfig(app).remastered;
}

// --- Rows ---

struct RowCase {
    const char* name;
    SettingsSetup setup;
    SettingsTab tab;
    std::function<void(App&)> stage;
    int id;
    const wchar_t* title;
    const wchar_t* value;
    const wchar_t* description; // null: not checked
};

void none(App&) {}

void effects(App& app) {
    AppProbe::editConfig(app).VideoEffects = true;
}

void hdrPage(App& app) {
    AppProbe::stageDisplayHdrShown(app, true);
}

const std::vector<RowCase> rowCases{
    {"ProfileOriginal", firstGame, SettingsTab::video, none, 274, L"VIDEO PROFILE",
     L"ORIGINAL ARCADE",
     L"Choose which profile to edit. The game version is set on the Audio tab."},
    {"ProfileThirdGame", thirdGame, SettingsTab::video,
     [](App& app) { AppProbe::stageEditedRemastered(app, true); }, 274, L"VIDEO PROFILE",
     L"REMASTERED", L"Choose which profile to edit. The edition is chosen on the cabinet."},
    {"ControlsScaling", firstGame, SettingsTab::video, none, 275, L"VIDEO CONTROLS",
     L"SCALING AND CRT", L"Switch between scaling and additional filters."},
    {"ControlsEffects", firstGame, SettingsTab::video, effects, 275, L"VIDEO CONTROLS", L"EFFECTS",
     nullptr},
    {"ImageScale", firstGame, SettingsTab::video, [](App& app) { original(app).scalemode = 5; },
     276, L"IMAGE SCALE", L"INTEGER LINES 4:3",
     L"Integer scaling uses the largest factor that fits when the choice does not."},
    {"Filter", firstGame, SettingsTab::video, [](App& app) { original(app).filter = 2; }, 201,
     L"UPSCALING FILTER", L"SHARP BILINEAR", L"How the image is sampled to the output resolution."},
    {"ScanlinesLast", firstGame, SettingsTab::video, [](App& app) { original(app).scanlines = 9; },
     200, L"CRT AND SCANLINES", L"CRT / PHOSPHOR",
     L"Choose the beam, mask and lines of the arcade monitor."},
    {"ScanlinesRemastered", firstGame, SettingsTab::video,
     [](App& app) { remastered(app).scanlines = 4; }, 200, L"CRT AND SCANLINES", L"BVM / 1080p",
     nullptr},
    {"Colors", firstGame, SettingsTab::video, [](App& app) { original(app).color = 2; }, 207,
     L"COLORS", L"WARM", L"Optional output adjustment."},
    {"Brightness", firstGame, SettingsTab::video, [](App& app) { original(app).brightness = 110; },
     208, L"BRIGHTNESS", L"110%", L"100% uses the original output gain."},
    {"ScaleFx", firstGame, SettingsTab::video,
     [](App& app) {
         effects(app);
         original(app).scalefx = true;
     },
     255, L"SCALEFX", L"ON", L"Edge reconstruction at 3x."},
    {"ScaleFxStrength", firstGame, SettingsTab::video,
     [](App& app) {
         effects(app);
         original(app).scalefxamount = 35;
     },
     256, L"SCALEFX STRENGTH", L"35%", L""},
    {"CasOff", firstGame, SettingsTab::video, effects, 277, L"CAS ADAPTIVE SHARPENING", L"OFF",
     L"Brings out detail in the game image."},
    {"Cas", firstGame, SettingsTab::video,
     [](App& app) {
         effects(app);
         original(app).cas = 75;
     },
     277, L"CAS ADAPTIVE SHARPENING", L"75%", nullptr},
    {"Smaa", firstGame, SettingsTab::video, effects, 278, L"SMAA 1X", L"OFF",
     L"Smooths diagonals and high-contrast edges."},
    {"Bilateral", firstGame, SettingsTab::video,
     [](App& app) {
         effects(app);
         original(app).bilateral = 25;
     },
     279, L"BILATERAL FILTER", L"25%", L"Smooths nearby colors in the frame, sprites included."},
    {"DefaultVersion", firstGame, SettingsTab::audio,
     [](App& app) { AppProbe::editConfig(app).Remastered = true; }, 245, L"DEFAULT GAME VERSION",
     L"REMASTERED", L"Choose and SAVE to always start in this version."},
    {"AudioOfTheThirdGame", thirdGame, SettingsTab::audio, none, 245, L"AUDIO OF THIS GAME",
     L"ORIGINAL ARCADE", L"Remastered: the arcade's own sound, mastered in stereo."},
    {"AudioQueueLow", firstGame, SettingsTab::audio,
     [](App& app) { AppProbe::editConfig(app).AudioLatency = 0; }, 205, L"AUDIO QUEUE",
     L"LOW / 40 ms", L"Balanced: 60 ms, longer after an audio dropout. Safe: 140 ms."},
    {"AudioQueueBalanced", firstGame, SettingsTab::audio, none, 205, L"AUDIO QUEUE", L"BALANCED",
     nullptr},
    {"Voices", firstGame, SettingsTab::audio, none, 243, L"ARCADE VOICES AND EFFECTS", L"ORIGINAL",
     L"Voices, hits and effects preserved in both versions."},
    {"ReserveBalanced", firstGame, SettingsTab::audio, none, 244, L"AUDIO RESERVE", L"60 ms",
     L"Margin against system delays; no sample is dropped."},
    {"ReserveSafe", firstGame, SettingsTab::audio,
     [](App& app) { AppProbe::editConfig(app).AudioLatency = 2; }, 244, L"AUDIO RESERVE", L"140 ms",
     nullptr},
    {"DisplayProfile", firstGame, SettingsTab::display, none, 274, L"VIDEO PROFILE",
     L"ORIGINAL ARCADE", L"Choose which display profile to edit."},
    {"DisplayControlsSync", firstGame, SettingsTab::display, none, 290, L"DISPLAY CONTROLS",
     L"SYNC AND WINDOW", L"Switch between sync and window options and the HDR brightness."},
    {"DisplayControlsHdr", firstGame, SettingsTab::display, hdrPage, 290, L"DISPLAY CONTROLS",
     L"HDR", nullptr},
    {"Sync", firstGame, SettingsTab::display, [](App& app) { original(app).sync = 1; }, 250,
     L"GAME SYNC", L"VRR / ADAPTIVE",
     L"VRR needs G-Sync / FreeSync on in the monitor and the driver."},
    {"HighRefresh", firstGame, SettingsTab::display,
     [](App& app) { original(app).highrefresh = true; }, 251, L"HIGH REFRESH", L"ON",
     L"Shows the original frames again at the desktop refresh rate."},
    {"HighRefreshUnavailable", secondGame, SettingsTab::display, none, 251, L"HIGH REFRESH",
     L"UNAVAILABLE", nullptr},
    {"TvFrameOriginal", firstGame, SettingsTab::display, none, 209, L"TV FRAME", L"ON",
     L"CRT television around the game. Your own: custom_bezel/<game>/bezel.png."},
    {"ScreenWidescreen", firstGame, SettingsTab::display,
     [](App& app) { remastered(app).widescreen = true; }, 209, L"SCREEN", L"WIDESCREEN",
     L"Widescreen shows the arena beyond the arcade's 4:3, without the TV frame."},
    {"ScreenTvFrame", firstGame, SettingsTab::display,
     [](App& app) { remastered(app).bezel = true; }, 209, L"SCREEN", L"TV FRAME", nullptr},
    {"ScreenFourThree", firstGame, SettingsTab::display,
     [](App& app) { remastered(app).bezel = false; }, 209, L"SCREEN", L"4:3", nullptr},
    {"GameWindow", firstGame, SettingsTab::display,
     [](App& app) { original(app).fullscreen = false; }, 280, L"GAME FULLSCREEN", L"WINDOW",
     L"Window mode when this version starts."},
    {"HdrOnSyncPage", firstGame, SettingsTab::display, none, 291, L"HDR", L"AUTO",
     L"HDR10 when Windows HDR is on; brightness on DISPLAY CONTROLS > HDR."},
    {"HdrOnHdrPage", firstGame, SettingsTab::display,
     [](App& app) {
         hdrPage(app);
         original(app).hdr = 0;
     },
     291, L"HDR", L"OFF", L"HDR10 when Windows HDR is on for this monitor; SDR otherwise."},
    {"PaperWhiteAuto", firstGame, SettingsTab::display, hdrPage, 292, L"PAPER WHITE", L"AUTO",
     L"Brightness of the game's white. Auto follows Windows SDR content brightness."},
    {"PaperWhite", firstGame, SettingsTab::display,
     [](App& app) {
         hdrPage(app);
         original(app).hdrpaperwhite = 240;
     },
     292, L"PAPER WHITE", L"240 NITS", nullptr},
    {"Peak", firstGame, SettingsTab::display,
     [](App& app) {
         hdrPage(app);
         original(app).hdrpeak = 1500;
     },
     293, L"PEAK BRIGHTNESS", L"1500 NITS",
     L"Brightest level of the highlights. Auto reads the monitor."},
    {"HighlightsOriginal", firstGame, SettingsTab::display, hdrPage, 294, L"HDR HIGHLIGHTS", L"OFF",
     L"Remastered profile only. The Original keeps the SDR image."},
    {"HighlightsRemastered", firstGame, SettingsTab::display,
     [](App& app) {
         hdrPage(app);
         remastered(app).hdrhighlights = 50;
     },
     294, L"HDR HIGHLIGHTS", L"50%",
     L"Expands bright colors toward the peak; dark and mid tones stay."},
    {"Fps", firstGame, SettingsTab::launcher,
     [](App& app) { AppProbe::editedPreferences(app).FPS = 240; }, 202, L"LAUNCHER FPS LIMIT",
     L"240 FPS", L"Unfocused: 2 FPS (10 while building). Minimized: paused."},
    {"LauncherVSync", firstGame, SettingsTab::launcher, none, 203, L"LAUNCHER V-SYNC", L"ON",
     L"Syncs the launcher with the monitor."},
    {"ReduceMotion", firstGame, SettingsTab::launcher, none, 204, L"REDUCE MOTION", L"OFF",
     L"Turns off fire, fog, particles and the opening fade."},
    {"LauncherWindow", firstGame, SettingsTab::launcher,
     [](App& app) { AppProbe::editedPreferences(app).Fullscreen = false; }, 206,
     L"LAUNCHER FULLSCREEN", L"WINDOW",
     L"Starts fullscreen. Esc returns to a window; F11 toggles."},
    {"OpenLogs", firstGame, SettingsTab::launcher, none, 230, L"OPEN LOGS", L"TEST LOGS",
     L"Opens the collection's logs folder."},
    {"MenuVolume", firstGame, SettingsTab::launcher,
     [](App& app) { AppProbe::editedPreferences(app).Volume = 45; }, 281, L"MENU MUSIC VOLUME",
     L"45%", L"Adjusts only the launcher track (custom_audio/launcher/menu.wav). SAVE to keep it."},
    {"Mute", firstGame, SettingsTab::launcher, none, 282, L"", L"MUTE", nullptr},
    {"Unmute", firstGame, SettingsTab::launcher,
     [](App& app) { AppProbe::editedPreferences(app).Muted = true; }, 282, L"", L"UNMUTE", nullptr},
    {"Difficulty", firstGame, SettingsTab::adjustments, none, 260, L"COMPUTER DIFFICULTY", L"HARD",
     L"The arcade's native AI level."},
    {"Coinage", firstGame, SettingsTab::adjustments, none, 261, L"COINAGE", L"P2 COIN / 39 / 40",
     L"Preset / credits to start / continue. Original bonuses and minimums."},
    {"CoinageWithFreePlay", firstGame, SettingsTab::adjustments,
     [](App& app) { AppProbe::editAdjustments(app).freePlay = true; }, 261, L"COINAGE",
     L"P2 COIN / 39 / 40", nullptr},
    {"CoinageCustom", firstGame, SettingsTab::adjustments,
     [](App& app) { AppProbe::editAdjustments(app).customCoinage = true; }, 261, L"COINAGE",
     L"CUSTOM / CMOS", nullptr},
    {"FreePlay", firstGame, SettingsTab::adjustments, none, 262, L"FREE PLAY", L"OFF",
     L"Start without coins through the game's own setting."},
    {"Blood", firstGame, SettingsTab::adjustments, none, 263, L"BLOOD", L"ON",
     L"The cabinet's original blood DIP switch."},
    {"Violence", firstGame, SettingsTab::adjustments,
     [](App& app) { AppProbe::editConfig(app).Violence = false; }, 264, L"VIOLENCE", L"OFF",
     L"The cabinet's original violence DIP switch."},
    {"GameVolume", firstGame, SettingsTab::utilities,
     [](App& app) { AppProbe::editConfig(app).GameVolume = 80; }, 270, L"VOLUME ADJUST", L"80%",
     L"Software volume of this game's music, voices and effects."},
    {"GameVolumeWithoutRemastered", secondGame, SettingsTab::utilities, none, 270, L"VOLUME ADJUST",
     L"100%", L"Per-game control available on the native engine."},
    {"ResetRanking", firstGame, SettingsTab::utilities, none, 271, L"RESET RANKING",
     L"RESET HIGH SCORES",
     L"Resets the records through the original routine; keeps the adjustments."},
    {"Confirm", firstGame, SettingsTab::utilities,
     [](App& app) { AppProbe::stageRankingResetPending(app, true); }, 272, L"", L"CONFIRM",
     nullptr},
    {"Cancel", firstGame, SettingsTab::utilities,
     [](App& app) { AppProbe::stageRankingResetPending(app, true); }, 273, L"", L"CANCEL", nullptr},
    {"Socd", firstGame, SettingsTab::controls, none, 390, L"OPPOSITE DIRECTIONS (SOCD)", L"NEUTRAL",
     L"An arcade lever cannot hold both: neutral is the original."},
    {"SocdLastInput", firstGame, SettingsTab::controls,
     [](App& app) { AppProbe::editBindings(app).socd = 1; }, 390, L"OPPOSITE DIRECTIONS (SOCD)",
     L"LAST INPUT WINS", nullptr},
    {"RunAhead", firstGame, SettingsTab::controls,
     [](App& app) { AppProbe::editBindings(app).runAhead = 1; }, 391, L"RUN-AHEAD", L"1 FRAME",
     L"Shows the next frame: one frame less input lag. Off is the arcade."},
    {"Training", firstGame, SettingsTab::controls, none, 392, L"TRAINING MODE", L"OFF",
     L"Shows each player's inputs and the game's hit boxes over the image."},
    {"TabLabel", firstGame, SettingsTab::controls, none, 224, L"", L"ADJUSTMENTS", nullptr},
    {"Back", firstGame, SettingsTab::video, none, 212, L"", L"BACK", nullptr},
    {"Restore", firstGame, SettingsTab::video, none, 211, L"", L"RESTORE DEFAULTS", nullptr},
    {"Save", firstGame, SettingsTab::video, none, 210, L"", L"SAVE", nullptr},
};

class SettingsRows : public testing::TestWithParam<RowCase> {};

TEST_P(SettingsRows, ShowTheirTitleValueAndDescription) {
    const RowCase& c = GetParam();
    SettingsFixture settings;
    App& app = settings.open(c.setup, c.tab, c.stage);
    const std::optional<SettingsControl> control = controlOf(app, c.id);
    ASSERT_TRUE(control.has_value());
    EXPECT_EQ(control->title, c.title);
    EXPECT_EQ(control->label, c.value);
    if (c.description != nullptr) {
        EXPECT_EQ(control->description, c.description);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryRow, SettingsRows, testing::ValuesIn(rowCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- How a frame draws the list ---

const DrawCall* findCall(const DrawCalls& calls, const std::function<bool(const DrawCall&)>& is) {
    const auto found = std::find_if(calls.begin(), calls.end(), is);
    return found == calls.end() ? nullptr : &*found;
}

testing::AssertionResult textAt(const DrawCalls& calls, const std::wstring& text, float x, float y,
                                float size, const ColorF& color) {
    const auto found = findText(calls, text);
    if (!found) {
        return testing::AssertionFailure() << "no text \"" << testing::PrintToString(text) << "\"";
    }
    // Glyphs read back from the device sit within a fraction of a unit of their text's origin.
    const auto near = [](float a, float b) { return std::abs(a - b) <= 0.002f * std::abs(b); };
    if (!near(found->rect.x, x) || !near(found->rect.y, y) ||
        std::abs(found->size - size) > 0.02f || !apptest::sameColor(found->color, color)) {
        return testing::AssertionFailure()
               << testing::PrintToString(text) << " at (" << found->rect.x << ", " << found->rect.y
               << ") size " << found->size;
    }
    return testing::AssertionSuccess();
}

class SettingsFrame : public testing::TestWithParam<float> {};

TEST_P(SettingsFrame, DrawsRowsSlidersAndButtonsWhereTheirRegionsAre) {
    const float width = GetParam();
    const float e = (width - 1536) / 2;
    SettingsFixture settings;
    App& app = settings.open({0, true, false, width});
    AppProbe::stageSettingsTab(app, SettingsTab::launcher);
    AppProbe::editedPreferences(app).Volume = 25;
    AppProbe::editedPreferences(app).Muted = true;
    const DrawCalls calls = settings.renderFrame();

    EXPECT_TRUE(textAt(calls, L"Settings", 306 + e, 194, 28, UiPalette::text));
    // A row: title and description at the left, the value centred on its button.
    EXPECT_TRUE(textAt(calls, L"LAUNCHER V-SYNC", 306 + e, 425, 18, UiPalette::text));
    EXPECT_TRUE(
        textAt(calls, L"Syncs the launcher with the monitor.", 306 + e, 452, 12, UiPalette::muted));
    // The slider row: the same title and description, its value on the slider, the level as a
    // bar a quarter long.
    EXPECT_TRUE(textAt(calls, L"MENU MUSIC VOLUME", 306 + e, 705, 18, UiPalette::text));
    const auto level = findText(calls, L"25%");
    ASSERT_TRUE(level.has_value());
    EXPECT_GT(level->rect.x, 969 + e);
    EXPECT_LT(level->rect.x, 969 + e + 166);
    const DrawCall* bar = findCall(calls, [&](const DrawCall& call) {
        return call.kind == apptest::DrawKind::fill && std::abs(call.rect.x - (981 + e)) < 0.02f &&
               apptest::sameColor(call.color, UiPalette::accent);
    });
    ASSERT_NE(bar, nullptr);
    EXPECT_NEAR(bar->rect.width, (166 - 24) * 0.25f, 0.02f);
    // UNMUTE is a primary button while muted; the current tab too.
    const ColorF primaryFace{0.62f, 0.05f, 0.06f, 1};
    for (const RectF& primary : {RectF{1145 + e, 700, 84, 54}, RectF{702 + e, 294, 134, 40}}) {
        const DrawCalls face = apptest::roundedAt(calls, primary);
        ASSERT_FALSE(face.empty());
        EXPECT_TRUE(apptest::colorIs(face.front().color, primaryFace));
    }
}

INSTANTIATE_TEST_SUITE_P(BothWidths, SettingsFrame, testing::Values(1536.0f, 1820.4445f),
                         [](const auto& info) {
                             return info.param == 1536.0f ? "Narrowest" : "Widest";
                         });

TEST(SettingsFrame, DrawsDisabledRowsMuted) {
    SettingsFixture settings;
    App& app = settings.open(secondGame);
    AppProbe::stageSettingsTab(app, SettingsTab::display);
    const DrawCalls calls = settings.renderFrame();
    EXPECT_TRUE(textAt(calls, L"HIGH REFRESH", 306, 535, 18, UiPalette::muted));
    EXPECT_TRUE(textAt(calls, L"GAME SYNC", 306, 475, 18, UiPalette::text));
    const auto unavailable = findText(calls, L"UNAVAILABLE");
    ASSERT_TRUE(unavailable.has_value());
    EXPECT_TRUE(apptest::colorIs(unavailable->color, UiPalette::muted));
}

// --- Header ---

struct HeaderCase {
    const char* name;
    SettingsSetup setup;
    SettingsTab tab;
    bool editedRemastered;
    const wchar_t* second;
};

const std::vector<HeaderCase> headerCases{
    {"LauncherWithAGame", firstGame, SettingsTab::launcher, false, L"COLLECTION PREFERENCES"},
    {"ControlsWithoutAGame",
     {-1, false, false, 1536.0f},
     SettingsTab::controls,
     false,
     L"COLLECTION PREFERENCES  /  SELECT A CABINET ON PLAY TO ADJUST A GAME"},
    {"FirstGameOriginal", firstGame, SettingsTab::video, false, L"QUARRIX  /  ORIGINAL ARCADE"},
    {"SecondGameRemastered", secondGame, SettingsTab::audio, true, L"QUARRIX II  /  REMASTERED"},
    {"ThirdGameOriginal", thirdGame, SettingsTab::adjustments, false,
     L"QUARRIX 3  /  NATIVE  /  ORIGINAL"},
    {"ThirdGameRemastered", thirdGame, SettingsTab::display, true,
     L"QUARRIX 3  /  NATIVE  /  REMASTERED"},
};

class SettingsHeader : public testing::TestWithParam<HeaderCase> {};

TEST_P(SettingsHeader, NamesTheCollectionOrTheGameAndItsEdition) {
    const HeaderCase& c = GetParam();
    SettingsFixture settings;
    App& app = settings.open(c.setup);
    AppProbe::stageSettingsTab(app, c.tab);
    AppProbe::stageEditedRemastered(app, c.editedRemastered);
    const DrawCalls calls = settings.renderFrame();
    EXPECT_TRUE(textAt(calls, c.second, 308, 238, 13, UiPalette::muted));
}

INSTANTIATE_TEST_SUITE_P(Tabs, SettingsHeader, testing::ValuesIn(headerCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Notes ---

TEST(SettingsNotes, AdjustmentsSayWhenTheyApplyOrWhatTheyNeed) {
    SettingsFixture available;
    AppProbe::stageSettingsTab(available.open(firstGame), SettingsTab::adjustments);
    EXPECT_TRUE(textAt(available.renderFrame(),
                       L"SAVE applies the adjustments the next time this game starts.", 306, 714,
                       13, UiPalette::muted));

    SettingsFixture missing;
    AppProbe::stageSettingsTab(missing.open({0, false, false, 1536.0f}), SettingsTab::adjustments);
    EXPECT_TRUE(textAt(missing.renderFrame(),
                       L"Start the game once to create its profile; CMOS and ROMs must be valid.",
                       306, 714, 13, UiPalette::warning));
}

TEST(SettingsNotes, TheRankingResetAsksOnlyWhilePending) {
    SettingsFixture settings;
    App& app = settings.open(firstGame);
    AppProbe::stageSettingsTab(app, SettingsTab::utilities);
    EXPECT_FALSE(findText(settings.renderFrame(), L"Erase this game's saved ranking?"));

    AppProbe::stageRankingResetPending(app, true);
    const DrawCalls calls = settings.renderFrame();
    EXPECT_TRUE(
        textAt(calls, L"Erase this game's saved ranking?", 306, 525, 18, UiPalette::warning));
    EXPECT_TRUE(
        findText(calls, L"Clearing the ranking is separate from SAVE and RESTORE DEFAULTS."));
}

// --- CONTROLS ---

std::optional<std::wstring> cellLabel(const App& app, int id) {
    const auto control = controlOf(app, id);
    return control ? std::optional<std::wstring>(control->label) : std::nullopt;
}

TEST(SettingsControlsTab, KeyCellsShowTheDesktopsNamesOfTheKeys) {
    SettingsFixture settings;
    App& app = settings.open(firstGame);
    AppProbe::stageSettingsTab(app, SettingsTab::controls);
    qxlauncher::ControlBindings& bindings = AppProbe::editBindings(app);
    bindings.keyCodes[1] = 0x7A;
    bindings.keyCodes[13] = 0x05; // a code without a key of its own
    EXPECT_EQ(cellLabel(app, bindingSlotId(0, 0, 0)), L"UP");
    EXPECT_EQ(cellLabel(app, bindingSlotId(0, 0, 1)), L"F11");
    EXPECT_EQ(cellLabel(app, bindingSlotId(0, 0, 4)), L"A");
    EXPECT_EQ(cellLabel(app, bindingSlotId(0, 0, 10)), L"5");
    EXPECT_EQ(cellLabel(app, bindingSlotId(1, 0, 0)), L"I");
    EXPECT_EQ(cellLabel(app, bindingSlotId(1, 0, 1)), L"KEY 05");
    EXPECT_EQ(cellLabel(app, bindingSlotId(1, 0, 3)), L"L");
}

TEST(SettingsControlsTab, ControllerCellsNameTheirButtons) {
    SettingsFixture settings;
    App& app = settings.open(firstGame);
    AppProbe::stageSettingsTab(app, SettingsTab::controls);
    AppProbe::editBindings(app).padMasks[12 + 7] = 0x1000 | 0x10000;
    EXPECT_EQ(cellLabel(app, bindingSlotId(0, 1, 5)), L"RB / RT");
    EXPECT_EQ(cellLabel(app, bindingSlotId(0, 1, 11)), L"START");
    EXPECT_EQ(cellLabel(app, bindingSlotId(1, 1, 7)), L"A / LT");
    EXPECT_EQ(cellLabel(app, bindingSlotId(1, 1, 9)), L"LB / LT");
}

TEST(SettingsControlsTab, TheCapturedCellAsksForTheInputAsAPrimaryButton) {
    SettingsFixture settings;
    App& app = settings.open(firstGame);
    AppProbe::stageSettingsTab(app, SettingsTab::controls);
    AppProbe::stageCapture(app, bindingSlotId(1, 1, 6));
    const auto captured = controlOf(app, bindingSlotId(1, 1, 6));
    ASSERT_TRUE(captured.has_value());
    EXPECT_EQ(captured->label, L"PRESS...");
    EXPECT_TRUE(captured->primary);
    const auto other = controlOf(app, bindingSlotId(1, 0, 6));
    EXPECT_EQ(other->label, L"H");
    EXPECT_FALSE(other->primary);
}

TEST(SettingsControlsTab, DrawsTheGridHeadingsDirectionsAndFacts) {
    SettingsFixture settings;
    App& app = settings.open(firstGame);
    AppProbe::stageSettingsTab(app, SettingsTab::controls);
    AppProbe::stageControllerConnected(app, 0, true);
    AppProbe::stageControllerConnected(app, 2, true);
    AppProbe::editBindings(app).padMasks[12 + 2] = 0x4;
    const DrawCalls calls = settings.renderFrame();

    for (const wchar_t* heading : {L"P1 CONTROLLER", L"P2 CONTROLLER", L"ACTION"}) {
        EXPECT_TRUE(findText(calls, heading)) << testing::PrintToString(std::wstring(heading));
    }
    for (const std::string_view name : qxlauncher::controlSlotNames) {
        EXPECT_TRUE(findText(calls, std::wstring(name.begin(), name.end())));
    }
    EXPECT_TRUE(textAt(calls, L"RUN (QX3)", 306, 368 + 27 * 9 + 6, 13, UiPalette::text));
    // The directions' controller cells: three of P1's and four of P2's read "D-PAD / STICK",
    // P2's LEFT names its mask; none is a control.
    std::size_t sticks = 0;
    for (const DrawCall& call : calls) {
        sticks += call.kind == apptest::DrawKind::text && call.text == L"D-PAD / STICK" ? 1 : 0;
    }
    EXPECT_EQ(sticks, 7u);
    EXPECT_TRUE(findText(calls, L"D-PAD"));
    for (const HitRegion& region : app.hitRegions()) {
        const bool directionCell = (region.x == 730 || region.x == 1070) && region.y < 476;
        EXPECT_FALSE(directionCell) << region.id;
    }
    EXPECT_TRUE(findText(calls, L"SAVE STATES  In the game: F5 saves, F7 loads. Every game and "
                                L"edition; one slot each, in saves."));
    EXPECT_TRUE(findText(calls, L"XInput: 2 connected. Arcade: 54.7069 frames per second."));
}

} // namespace
} // namespace lumenark
