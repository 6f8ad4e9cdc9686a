// The chrome of a frame: the sidebar and its states, the status panel, the page controls by
// style, the focus, the help lines, the legal footer and the closing overlay.
#include "app/control_ids.h"
#include "app/pages/page_layout.h"
#include "app/ui/palette.h"
#include "tests/app/app_probe.h"
#include "tests/app/frame_calls.h"
#include "tests/app/page_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <ostream>
#include <vector>

namespace {

using apptest::DrawCall;
using apptest::DrawCalls;
using apptest::DrawKind;
using apptest::PageScene;
using apptest::PageState;
using apptest::regionOf;
using lumenark::ColorF;
using lumenark::NavSection;
using lumenark::RectF;
using lumenark::UiPalette;

constexpr ColorF activeEntryFill{0.22f, 0.03f, 0.04f, 1};
constexpr ColorF focusedPlainFace{0.16f, 0.07f, 0.08f, 1};

// The rounded rectangles drawn over exactly this rectangle.
DrawCalls roundedAt(const DrawCalls& calls, RectF rect) {
    DrawCalls found;
    for (const DrawCall& call : calls) {
        if (call.kind == DrawKind::roundedRect && apptest::sameRect(call.rect, rect)) {
            found.push_back(call);
        }
    }
    return found;
}

bool hasFill(const DrawCalls& calls, RectF rect, ColorF color) {
    for (const DrawCall& call : roundedAt(calls, rect)) {
        if (call.border == 0 && apptest::sameColor(call.color, color)) {
            return true;
        }
    }
    return false;
}

TEST(Sidebar, WhileAGameRunsTheSettingsEntryIsDimAndDisabled) {
    PageScene scene;
    lumenark::App& app = scene.start(PageState::gameRunning, NavSection::play);
    const DrawCalls calls = scene.frame();
    const auto settings = apptest::findText(calls, L"Settings");
    ASSERT_TRUE(settings);
    EXPECT_TRUE(apptest::sameColor(settings->color, UiPalette::muted));
    EXPECT_FLOAT_EQ(settings->rect.x, 68);
    EXPECT_FLOAT_EQ(settings->rect.y, 142 + 58 * 4 + 14);
    EXPECT_FALSE(regionOf(app, lumenark::settingsNavigationId).enabled);
    for (const wchar_t* label : {L"Overview", L"ROM Setup", L"Build", L"Play", L"Legal"}) {
        const auto entry = apptest::findText(calls, label);
        ASSERT_TRUE(entry) << label;
        EXPECT_TRUE(apptest::sameColor(entry->color, UiPalette::text));
    }
    for (const int id : {40, 41, 42, 10, 43}) {
        EXPECT_TRUE(regionOf(app, id).enabled);
    }
}

struct ActiveCase {
    const char* name;
    NavSection section;
    bool settingsOpen;
    int activeEntry;
};

class SidebarActive : public testing::TestWithParam<ActiveCase> {};

TEST_P(SidebarActive, MarksTheSectionOrSettings) {
    PageScene scene;
    lumenark::App& app = scene.start(PageState::noGameBuilt, GetParam().section);
    app.prepareCapture(GetParam().settingsOpen, lumenark::SettingsTab::launcher,
                       GetParam().section);
    const DrawCalls calls = scene.frame();
    for (int entry = 0; entry < 6; ++entry) {
        const RectF rect{16, 142 + 58.0f * static_cast<float>(entry), 192, 48};
        EXPECT_EQ(hasFill(calls, rect, activeEntryFill), entry == GetParam().activeEntry) << entry;
    }
}

INSTANTIATE_TEST_SUITE_P(Sections, SidebarActive,
                         testing::Values(ActiveCase{"Overview", NavSection::overview, false, 0},
                                         ActiveCase{"Build", NavSection::build, false, 2},
                                         ActiveCase{"Play", NavSection::play, false, 3},
                                         ActiveCase{"Legal", NavSection::legal, false, 5},
                                         ActiveCase{"SettingsOverPlay", NavSection::play, true, 4},
                                         ActiveCase{"SettingsOverLegal", NavSection::legal, true,
                                                    4}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StatusPanel, AnEmptyStatusLineDrawsNoPanel) {
    PageScene scene;
    scene.start(PageState::noGameBuilt, NavSection::build);
    ASSERT_TRUE(scene.app().statusLine().empty());
    const DrawCalls calls = scene.frame();
    EXPECT_TRUE(roundedAt(calls, {226, 928, 1290, 32}).empty());
}

TEST(StatusPanel, AStatusLineIsCentredInAmberOverThePage) {
    apptest::AppFixture fixture;
    const auto app = fixture.makeApp();
    ASSERT_EQ(app->statusLine(), L"Default preferences loaded.");
    app->render(0.016, false);
    const DrawCalls calls = apptest::lastFrameCalls(*fixture.device, *app->renderer());
    const DrawCalls panel = roundedAt(calls, {226, 928, 1290, 32});
    ASSERT_EQ(panel.size(), 2u);
    EXPECT_TRUE(apptest::sameColor(panel[0].color, {0.05f, 0.045f, 0.05f, 0.97f}));
    EXPECT_TRUE(apptest::sameColor(panel[1].color, {0.45f, 0.3f, 0.1f, 1}));
    const auto text = apptest::findText(calls, L"Default preferences loaded.");
    ASSERT_TRUE(text);
    // 27 characters of 6.5 + 0.1 at size 13, centred on the panel.
    EXPECT_NEAR(text->rect.x, 226 + 645 - 27 * 6.6f / 2, 0.01);
    EXPECT_FLOAT_EQ(text->rect.y, 937);
    EXPECT_TRUE(apptest::sameColor(text->color, UiPalette::warning));
}

TEST(PageControls, BuildButtonsThatCanStartGetAPlayTriangle) {
    PageScene scene;
    scene.start(PageState::setupQueued, NavSection::build);
    const DrawCalls triangles = apptest::callsOf(scene.frame(), DrawKind::triangle);
    // Games 0 and 2 can be built; the second game waits in the queue.
    for (int game = 0; game < 3; ++game) {
        const float cy = 228.0f + 228.0f * static_cast<float>(game) + 18 + 20;
        const std::array<float, 6> expected{1340, cy - 6, 1350, cy, 1340, cy + 6};
        const bool drawn = std::any_of(triangles.begin(), triangles.end(), [&](const DrawCall& t) {
            return t.points == expected && apptest::sameColor(t.color, UiPalette::text);
        });
        EXPECT_EQ(drawn, game != 1) << game;
    }
}

TEST(PageControls, OpenLegalIsAPlainButtonOnlyUntilOwnershipIsConfirmed) {
    PageScene unconfirmed;
    unconfirmed.start(PageState::noGameBuilt, NavSection::romSetup);
    const DrawCalls calls = unconfirmed.frame();
    const auto open = apptest::findText(calls, L"Open Legal");
    ASSERT_TRUE(open);
    EXPECT_NEAR(open->size, 14, 0.01); // 36 high
    // The first of the focus list, with the face of a plain button.
    EXPECT_EQ(unconfirmed.app().focusedControl(), lumenark::legalNavigationId);
    EXPECT_TRUE(hasFill(calls, {1346, 238, 150, 36}, focusedPlainFace));
    EXPECT_TRUE(regionOf(unconfirmed.app(), lumenark::legalNavigationId).enabled);

    PageScene confirmed;
    confirmed.start(PageState::confirmedIdle, NavSection::romSetup);
    EXPECT_FALSE(apptest::findText(confirmed.frame(), L"Open Legal"));
}

TEST(PageControls, AnEmptyFolderFieldShowsThePlaceholder) {
    PageScene scene;
    scene.start(PageState::noGameBuilt, NavSection::overview);
    const DrawCalls calls = scene.frame();
    std::size_t placeholders = 0;
    for (const DrawCall& call : calls) {
        if (call.kind == DrawKind::text && call.text == L"Choose folder...") {
            ++placeholders;
            EXPECT_TRUE(apptest::sameColor(call.color, UiPalette::muted));
            EXPECT_NEAR(call.size, 13, 0.01); // 28 high
        }
    }
    EXPECT_EQ(placeholders, 3u);
}

struct CheckboxCase {
    const char* name;
    PageState state;
    bool checked;
};

class OwnershipCheckbox : public testing::TestWithParam<CheckboxCase> {};

TEST_P(OwnershipCheckbox, ShowsTheConfirmation) {
    PageScene scene;
    scene.start(GetParam().state, NavSection::legal);
    const DrawCalls calls = scene.frame();
    const RectF box{256, 790, 1230, 44};
    ASSERT_FALSE(roundedAt(calls, box).empty());
    EXPECT_TRUE(hasFill(calls, box,
                        GetParam().checked ? ColorF{0.16f, 0.03f, 0.04f, 1} : UiPalette::inset));
    const DrawCalls lines = apptest::callsOf(calls, DrawKind::line);
    const bool checkMark = std::any_of(lines.begin(), lines.end(), [](const DrawCall& line) {
        return std::fabs(line.points[0] - 275) < 0.01f && std::fabs(line.points[1] - 812) < 0.01f &&
               std::fabs(line.width - 2.5f) < 0.01f;
    });
    EXPECT_EQ(checkMark, GetParam().checked);
    const auto label = apptest::findTextStartingWith(calls, L"I own the original board");
    ASSERT_TRUE(label);
    EXPECT_FLOAT_EQ(label->rect.x, 306);
    EXPECT_FLOAT_EQ(label->rect.y, 803);
    EXPECT_EQ(
        apptest::findText(calls, L"Verify and Build stay disabled until you confirm:").has_value(),
        !GetParam().checked);
}

INSTANTIATE_TEST_SUITE_P(States, OwnershipCheckbox,
                         testing::Values(CheckboxCase{"NotConfirmed", PageState::noGameBuilt,
                                                      false},
                                         CheckboxCase{"Confirmed", PageState::confirmedIdle, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Focus, TheFocusedControlOfTheListGetsTheRing) {
    PageScene scene;
    lumenark::App& app = scene.start(PageState::confirmedIdle, NavSection::build);
    const DrawCalls calls = scene.frame();
    EXPECT_EQ(app.focusOrder().front(), lumenark::checkRequirementsControlId);
    EXPECT_EQ(app.focusedControl(), lumenark::checkRequirementsControlId);
    const DrawCalls ring = roundedAt(calls, {1106, 140, 220, 40});
    ASSERT_EQ(ring.size(), 2u);
    EXPECT_TRUE(apptest::sameColor(ring[1].color, UiPalette::hot));
    EXPECT_FLOAT_EQ(ring[1].border, 2.2f);
}

// The rows of the ROM Setup page are focus stops that draw nothing of their own: the focus ring
// shows on the focused one alone.
class RomRowFocus : public testing::TestWithParam<int> {};

TEST_P(RomRowFocus, TheFocusedRowGetsTheRing) {
    PageScene scene;
    lumenark::App& app = scene.start(PageState::confirmedIdle, NavSection::romSetup);
    const std::vector<int> order = app.focusOrder();
    const auto stop = std::find(order.begin(), order.end(), lumenark::gameRowControlId(GetParam()));
    ASSERT_NE(stop, order.end());
    lumenark::AppProbe::stageFocusPosition(app, static_cast<int>(stop - order.begin()));
    const DrawCalls calls = scene.frame();
    EXPECT_EQ(app.focusedControl(), lumenark::gameRowControlId(GetParam()));
    for (int game = 0; game < 3; ++game) {
        const RectF row{226, lumenark::romSetupRowTop(game), 300, 84};
        const DrawCalls drawn = roundedAt(calls, row);
        if (game != GetParam()) {
            EXPECT_TRUE(drawn.empty()) << game;
            continue;
        }
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_TRUE(apptest::sameColor(drawn[0].color, UiPalette::hot));
        EXPECT_FLOAT_EQ(drawn[0].border, 2);
        EXPECT_FLOAT_EQ(drawn[0].radius, 10);
    }
}

INSTANTIATE_TEST_SUITE_P(Games, RomRowFocus, testing::Values(0, 1, 2),
                         [](const auto& info) { return "Game" + std::to_string(info.param); });

struct FocusCase {
    const char* name;
    PageState state;
    NavSection section;
    std::vector<int> order;
};

class FocusOrder : public testing::TestWithParam<FocusCase> {};

TEST_P(FocusOrder, TakesTheEnabledControlsInListOrder) {
    PageScene scene;
    scene.start(GetParam().state, GetParam().section);
    EXPECT_EQ(scene.app().focusOrder(), GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(
    Sections, FocusOrder,
    testing::Values(
        FocusCase{
            "PlayWithAGameLoaded", PageState::gameRunning, NavSection::play, {1, 2, 3, 20, 11}},
        FocusCase{"PlayWithoutAGameLoadedHasNoPlay",
                  PageState::setupDone,
                  NavSection::play,
                  {1, 2, 3, 11}},
        FocusCase{"OverviewIdle",
                  PageState::confirmedIdle,
                  NavSection::overview,
                  {50, 70, 51, 71, 52, 72}},
        FocusCase{"OverviewWhileAGameRunsHasItsEntryAlone",
                  PageState::gameRunning,
                  NavSection::overview,
                  {40}},
        FocusCase{"RomSetupUnconfirmed",
                  PageState::noGameBuilt,
                  NavSection::romSetup,
                  {43, 30, 130, 50, 131, 51, 132, 52}},
        FocusCase{
            "BuildWhileSettingUp", PageState::setupRunning, NavSection::build, {73, 80, 81, 72}},
        FocusCase{"Legal", PageState::noGameBuilt, NavSection::legal, {120, 121, 122, 123}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The chrome's looks by hover and focus ---

constexpr ColorF softIcon{0.8f, 0.8f, 0.84f, 1};
constexpr ColorF hoveredEntryFill{0.09f, 0.085f, 0.095f, 1};

RectF sidebarEntry(int entry) {
    return {16, 142 + 58.0f * static_cast<float>(entry), 192, 48};
}

bool hasFocusRing(const DrawCalls& calls, RectF rect) {
    const DrawCalls drawn = roundedAt(calls, rect);
    return std::any_of(drawn.begin(), drawn.end(), [](const DrawCall& call) {
        return call.border == 2 && call.radius == 8 &&
               apptest::sameColor(call.color, UiPalette::hot);
    });
}

// The colours of the lines and knobs of the sliders icon of the Settings entry (at 30, y + 12).
std::vector<ColorF> settingsIconColours(const DrawCalls& calls) {
    const float top = sidebarEntry(4).y + 12;
    const auto inIcon = [&](float x, float y) {
        return x >= 30 && x <= 54 && y >= top && y <= top + 24;
    };
    std::vector<ColorF> colours;
    for (const DrawCall& call : calls) {
        if ((call.kind == DrawKind::line && inIcon(call.points[0], call.points[1])) ||
            (call.kind == DrawKind::roundedRect && inIcon(call.rect.x, call.rect.y))) {
            colours.push_back(call.color);
        }
    }
    return colours;
}

void expectSettingsIcon(const DrawCalls& calls, ColorF colour) {
    const std::vector<ColorF> colours = settingsIconColours(calls);
    ASSERT_EQ(colours.size(), 6u); // three lines, three knobs
    for (const ColorF& c : colours) {
        EXPECT_TRUE(apptest::colorIs(c, colour));
    }
}

// The colour of the line with these ends, if one was drawn.
std::optional<ColorF> lineColour(const DrawCalls& calls, std::array<float, 4> ends) {
    for (const DrawCall& call : apptest::callsOf(calls, DrawKind::line)) {
        if (std::fabs(call.points[0] - ends[0]) < 0.01f &&
            std::fabs(call.points[1] - ends[1]) < 0.01f &&
            std::fabs(call.points[2] - ends[2]) < 0.01f &&
            std::fabs(call.points[3] - ends[3]) < 0.01f) {
            return call.color;
        }
    }
    return std::nullopt;
}

// The title bar's minimise line and the two lines of the close cross, at W = 1536.
void expectTitleBar(const DrawCalls& calls, ColorF minimise, ColorF close) {
    const auto dash = lineColour(calls, {1459, 17, 1473, 17});
    ASSERT_TRUE(dash);
    EXPECT_TRUE(apptest::colorIs(*dash, minimise));
    for (const std::array<float, 4> ends :
         {std::array<float, 4>{1505, 10, 1519, 24}, std::array<float, 4>{1519, 10, 1505, 24}}) {
        const auto cross = lineColour(calls, ends);
        ASSERT_TRUE(cross);
        EXPECT_TRUE(apptest::colorIs(*cross, close));
    }
}

constexpr RectF ownershipBox{256, 790, 1230, 44};

struct LookCase {
    const char* name;
    PageState state;
    NavSection section;
    bool settingsOpen;
    int hovered; // -1: none
    int focused; // the control the focus is staged on, -1: the first of the list
    void (*expect)(const DrawCalls&);
};

const LookCase lookCases[] = {
    {"FocusedSidebarEntryGetsTheRing", PageState::gameLoaded, NavSection::play, false, -1,
     lumenark::settingsNavigationId,
     [](const DrawCalls& calls) {
         for (int entry = 0; entry < 6; ++entry) {
             EXPECT_EQ(hasFocusRing(calls, sidebarEntry(entry)), entry == 4) << entry;
         }
     }},
    {"FocusedActiveEntryGetsTheRingOverItsFill", PageState::gameRunning, NavSection::overview,
     false, -1, lumenark::overviewNavigationId,
     [](const DrawCalls& calls) {
         EXPECT_TRUE(hasFill(calls, sidebarEntry(0), activeEntryFill));
         EXPECT_TRUE(hasFocusRing(calls, sidebarEntry(0)));
     }},
    {"HoveredEntryGetsTheHoverFillAndASoftIcon", PageState::noGameBuilt, NavSection::overview,
     false, lumenark::settingsNavigationId, -1,
     [](const DrawCalls& calls) {
         EXPECT_TRUE(hasFill(calls, sidebarEntry(4), hoveredEntryFill));
         EXPECT_FALSE(hasFocusRing(calls, sidebarEntry(4)));
         expectSettingsIcon(calls, softIcon);
     }},
    {"DisabledSettingsEntryGetsNoHoverFillAndADimIcon", PageState::gameRunning, NavSection::play,
     false, lumenark::settingsNavigationId, -1,
     [](const DrawCalls& calls) {
         EXPECT_TRUE(roundedAt(calls, sidebarEntry(4)).empty());
         expectSettingsIcon(calls, UiPalette::muted);
     }},
    {"ActiveSettingsEntryHasATextColouredIcon", PageState::noGameBuilt, NavSection::overview, true,
     -1, -1, [](const DrawCalls& calls) { expectSettingsIcon(calls, UiPalette::text); }},
    {"TitleBarIdle", PageState::noGameBuilt, NavSection::overview, false, -1, -1,
     [](const DrawCalls& calls) { expectTitleBar(calls, UiPalette::muted, UiPalette::muted); }},
    {"HoveredMinimiseIsText", PageState::noGameBuilt, NavSection::overview, false,
     lumenark::minimiseControlId, -1,
     [](const DrawCalls& calls) { expectTitleBar(calls, UiPalette::text, UiPalette::muted); }},
    {"HoveredCloseIsHot", PageState::noGameBuilt, NavSection::build, false,
     lumenark::closeControlId, -1,
     [](const DrawCalls& calls) { expectTitleBar(calls, UiPalette::muted, UiPalette::hot); }},
    {"CheckboxWithoutHoverOrFocusHasItsEdge", PageState::noGameBuilt, NavSection::legal, false, -1,
     lumenark::documentControlId(0),
     [](const DrawCalls& calls) {
         EXPECT_FALSE(hasFocusRing(calls, ownershipBox));
         const DrawCalls drawn = roundedAt(calls, ownershipBox);
         ASSERT_EQ(drawn.size(), 2u);
         EXPECT_TRUE(apptest::colorIs(drawn[1].color, UiPalette::border));
         EXPECT_FLOAT_EQ(drawn[1].border, 1.2f);
     }},
    {"HoveredCheckboxGetsTheRing", PageState::noGameBuilt, NavSection::legal, false,
     lumenark::ownershipControlId, lumenark::documentControlId(0),
     [](const DrawCalls& calls) { EXPECT_TRUE(hasFocusRing(calls, ownershipBox)); }},
};

void PrintTo(const LookCase& c, std::ostream* out) {
    *out << c.name;
}

class ChromeLooks : public testing::TestWithParam<LookCase> {};

TEST_P(ChromeLooks, FollowHoverAndFocus) {
    const LookCase& c = GetParam();
    PageScene scene;
    lumenark::App& app = scene.start(c.state, c.section);
    app.prepareCapture(c.settingsOpen, lumenark::SettingsTab::launcher, c.section);
    if (c.focused >= 0) {
        const std::vector<int> order = app.focusOrder();
        const auto stop = std::find(order.begin(), order.end(), c.focused);
        ASSERT_NE(stop, order.end());
        lumenark::AppProbe::stageFocusPosition(app, static_cast<int>(stop - order.begin()));
    }
    lumenark::AppProbe::stageHovered(app, c.hovered);
    const DrawCalls calls = scene.frame();
    if (c.focused >= 0) {
        ASSERT_EQ(app.focusedControl(), c.focused);
    }
    c.expect(calls);
}

INSTANTIATE_TEST_SUITE_P(States, ChromeLooks, testing::ValuesIn(lookCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Chrome, HelpLinesAndTheLegalFooterOnEveryPage) {
    for (const NavSection section : {NavSection::overview, NavSection::play, NavSection::legal}) {
        PageScene scene(apptest::widestClientWidth);
        scene.start(PageState::noGameBuilt, section);
        const DrawCalls calls = scene.frame();
        const auto help = apptest::findText(calls, L"PgUp PgDn / LB RB: pages");
        ASSERT_TRUE(help);
        EXPECT_FLOAT_EQ(help->rect.x, 22);
        EXPECT_FLOAT_EQ(help->rect.y, 854 + 44);
        const float f = apptest::widestDesignWidth - 32;
        EXPECT_FALSE(roundedAt(calls, {16, 972, f, 44}).empty());
        const auto footer = [&](float y) {
            for (const DrawCall& call : calls) {
                if (call.kind == DrawKind::text && std::fabs(call.rect.x - 138) < 0.01f &&
                    std::fabs(call.rect.y - y) < 0.01f) {
                    return call.text;
                }
            }
            return std::wstring();
        };
        const std::wstring first = footer(979);
        EXPECT_TRUE(first.starts_with(L"Lumenark Recomp is an independent"))
            << static_cast<int>(section);
        // The two notices fit the footer at size 12: 6.1 a character.
        EXPECT_LE(static_cast<float>(first.size()) * 6.1f, f - 140 + 0.01f);
        EXPECT_TRUE(footer(996).starts_with(L"Game names are used only"))
            << static_cast<int>(section);
    }
}

TEST(Chrome, ClosingShadesThePageAndSaysWhy) {
    PageScene scene;
    scene.start(PageState::closing, NavSection::play);
    const DrawCalls calls = scene.frame();
    const auto text = apptest::findText(calls, L"CLOSING THE GAME AND SAVING THE PROFILE...");
    ASSERT_TRUE(text);
    EXPECT_FLOAT_EQ(text->rect.y, 480);
    EXPECT_NEAR(text->rect.x, 768 - 42 * 12.0f / 2, 0.01);
    const bool shade = std::any_of(calls.begin(), calls.end(), [](const DrawCall& call) {
        return call.kind == DrawKind::fill && apptest::sameRect(call.rect, {0, 124, 1536, 848}) &&
               apptest::sameColor(call.color, {0, 0, 0, 0.65f});
    });
    EXPECT_TRUE(shade);
}

} // namespace
