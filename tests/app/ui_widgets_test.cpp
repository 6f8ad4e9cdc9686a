// The widget kit call by call on a recording canvas without a renderer: button states and their
// regions, folder fields, requirement rows, the title bar and header at both design widths, the
// paragraph section and the action row. Then the App's widgets through its renderer, read back
// from the recording device.
#include "app/ui/brand.h"
#include "app/ui/icons.h"
#include "app/ui/palette.h"
#include "app/ui/widgets.h"
#include "tests/app/app_fixture.h"
#include "tests/app/frame_calls.h"
#include "tests/app/recording_canvas.h"

#include <gtest/gtest.h>

namespace {

using apptest::colorIs;
using apptest::DrawCall;
using apptest::DrawCalls;
using apptest::DrawKind;
using apptest::RecordingCanvas;
using apptest::sameColor;
using apptest::sameRect;
using lumenark::ColorF;
using lumenark::ControlStates;
using lumenark::HitRegion;
using lumenark::RectF;
using lumenark::UiPalette;
using lumenark::WidgetContext;

constexpr float widestDesign = 1820.4445f;

DrawCall line(float x0, float y0, float x1, float y1, float width, ColorF color) {
    DrawCall call;
    call.kind = DrawKind::line;
    call.points = {x0, y0, x1, y1, 0, 0};
    call.width = width;
    call.color = color;
    return call;
}

bool hasCall(const DrawCalls& calls, const DrawCall& wanted) {
    return std::any_of(calls.begin(), calls.end(),
                       [&](const DrawCall& call) { return apptest::sameCall(call, wanted); });
}

// --- Buttons ---

struct ButtonCase {
    const char* name;
    bool enabled;
    bool primary;
    ControlStates states; // of control 7
    ColorF face;
    ColorF border;
    float borderWidth;
    ColorF label;
};

constexpr ColorF disabledFace{0.05f, 0.05f, 0.055f, 1};
constexpr ColorF pressedFace{0.42f, 0.04f, 0.04f, 1};
constexpr ColorF hoveredPlain{0.16f, 0.07f, 0.08f, 1};
constexpr ColorF hoveredPrimary{0.78f, 0.09f, 0.09f, 1};
constexpr ColorF idlePlain{0.085f, 0.082f, 0.092f, 1};
constexpr ColorF idlePrimary{0.62f, 0.05f, 0.06f, 1};

class ButtonState : public testing::TestWithParam<ButtonCase> {};

TEST_P(ButtonState, DrawsFaceBorderAndLabelAndRecordsItsRegion) {
    const ButtonCase& c = GetParam();
    RecordingCanvas canvas;
    std::vector<HitRegion> hits{{3, 0, 0, 1, 1, true}};
    WidgetContext context{canvas, hits, c.states};
    lumenark::drawButton(context, 7, {100, 200, 150, 40}, L"Build", c.enabled, c.primary, 16);

    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[1].id, 7);
    EXPECT_TRUE(
        sameRect({hits[1].x, hits[1].y, hits[1].width, hits[1].height}, {100, 200, 150, 40}));
    EXPECT_EQ(hits[1].enabled, c.enabled);

    ASSERT_EQ(canvas.calls.size(), 3u);
    const DrawCall& face = canvas.calls[0];
    EXPECT_EQ(face.kind, DrawKind::roundedRect);
    EXPECT_TRUE(sameRect(face.rect, {100, 200, 150, 40}));
    EXPECT_EQ(face.radius, 7);
    EXPECT_EQ(face.border, 0);
    EXPECT_TRUE(colorIs(face.color, c.face));
    const DrawCall& border = canvas.calls[1];
    EXPECT_EQ(border.kind, DrawKind::roundedRect);
    EXPECT_EQ(border.radius, 7);
    EXPECT_FLOAT_EQ(border.border, c.borderWidth);
    EXPECT_TRUE(colorIs(border.color, c.border));
    const DrawCall& label = canvas.calls[2];
    EXPECT_EQ(label.text, L"Build");
    // "Build" at 16 with tracking 0.4 is 5 x 8.4 = 42 wide, centred; the line is 1.15 x 16 high.
    EXPECT_FLOAT_EQ(label.rect.x, 154);
    EXPECT_FLOAT_EQ(label.rect.y, 210.8f);
    EXPECT_EQ(label.size, 16);
    EXPECT_FLOAT_EQ(label.tracking, 0.4f);
    EXPECT_TRUE(colorIs(label.color, c.label));
}

INSTANTIATE_TEST_SUITE_P(
    States, ButtonState,
    testing::Values(
        ButtonCase{"DisabledFocused",
                   false,
                   false,
                   {-1, -1, 7},
                   disabledFace,
                   UiPalette::border,
                   2.2f,
                   UiPalette::muted},
        ButtonCase{"DisabledHoveredAndPressed",
                   false,
                   true,
                   {7, 7, -1},
                   disabledFace,
                   UiPalette::border,
                   1,
                   UiPalette::muted},
        ButtonCase{"PressedAndHovered",
                   true,
                   false,
                   {7, 7, -1},
                   pressedFace,
                   UiPalette::hot,
                   1,
                   UiPalette::text},
        ButtonCase{"PressedPrimaryAway",
                   true,
                   true,
                   {-1, 7, -1},
                   pressedFace,
                   UiPalette::accent,
                   1,
                   UiPalette::text},
        ButtonCase{"HoveredPlain",
                   true,
                   false,
                   {7, -1, -1},
                   hoveredPlain,
                   UiPalette::hot,
                   1,
                   UiPalette::text},
        ButtonCase{"FocusedPrimary",
                   true,
                   true,
                   {-1, -1, 7},
                   hoveredPrimary,
                   UiPalette::hot,
                   2.2f,
                   UiPalette::text},
        ButtonCase{"HoveredAndFocused",
                   true,
                   false,
                   {7, -1, 7},
                   hoveredPlain,
                   UiPalette::hot,
                   2.2f,
                   UiPalette::text},
        ButtonCase{
            "IdlePlain", true, false, {8, 8, 8}, idlePlain, UiPalette::border, 1, UiPalette::text},
        ButtonCase{
            "IdlePrimary", true, true, {}, idlePrimary, UiPalette::accent, 1, UiPalette::text}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Folder fields ---

TEST(PathField, AnEmptyPathShowsThePlaceholderInMuted) {
    RecordingCanvas canvas;
    std::vector<HitRegion> hits;
    WidgetContext context{canvas, hits, {}};
    lumenark::drawPathField(context, 51, {546, 398, 780, 32}, L"", false);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].id, 51);
    EXPECT_FALSE(hits[0].enabled);
    const auto text = apptest::findText(canvas.calls, L"Choose folder...");
    ASSERT_TRUE(text);
    EXPECT_TRUE(colorIs(text->color, UiPalette::muted));
    EXPECT_EQ(text->size, 14);
    EXPECT_FLOAT_EQ(text->rect.x, 556);
    EXPECT_FLOAT_EQ(text->rect.y, 398 + (32 - 16.1f) / 2);
    EXPECT_TRUE(colorIs(canvas.calls[0].color, UiPalette::inset));
    EXPECT_TRUE(colorIs(canvas.calls[1].color, UiPalette::border));
}

TEST(PathField, ALongPathKeepsItsEndAtSize13InALowField) {
    RecordingCanvas canvas;
    std::vector<HitRegion> hits;
    WidgetContext context{canvas, hits, {}};
    // 120 wide: 100 for the text, 15 characters of 6.5 at size 13.
    lumenark::drawPathField(context, 50, {0, 0, 120, 28}, L"C:/Users/me/roms/quarrix", true);
    const DrawCalls texts = apptest::callsOf(canvas.calls, DrawKind::text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, L"...roms/quarrix");
    EXPECT_EQ(texts[0].size, 13);
    EXPECT_FLOAT_EQ(texts[0].rect.y, (28 - 14.95f) / 2);
    EXPECT_TRUE(colorIs(texts[0].color, UiPalette::text));
}

struct FieldRingCase {
    const char* name;
    bool enabled;
    ControlStates states;
    ColorF ring;
    float width;
};

class PathFieldRing : public testing::TestWithParam<FieldRingCase> {};

TEST_P(PathFieldRing, ShowsFocusAndHover) {
    const FieldRingCase& c = GetParam();
    RecordingCanvas canvas;
    std::vector<HitRegion> hits;
    WidgetContext context{canvas, hits, c.states};
    lumenark::drawPathField(context, 50, {0, 0, 300, 28}, L"C:/roms", c.enabled);
    const DrawCall& ring = canvas.calls.at(1);
    EXPECT_EQ(ring.radius, 6);
    EXPECT_TRUE(colorIs(ring.color, c.ring));
    EXPECT_FLOAT_EQ(ring.border, c.width);
}

INSTANTIATE_TEST_SUITE_P(
    States, PathFieldRing,
    testing::Values(FieldRingCase{"Focused", true, {-1, -1, 50}, UiPalette::hot, 2},
                    FieldRingCase{"FocusedDisabled", false, {-1, -1, 50}, UiPalette::hot, 2},
                    FieldRingCase{"Hovered", true, {50, -1, -1}, UiPalette::hot, 1},
                    FieldRingCase{"HoveredDisabled", false, {50, -1, -1}, UiPalette::border, 1},
                    FieldRingCase{"Idle", true, {}, UiPalette::border, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Requirement rows ---

struct RequirementCase {
    const char* name;
    lumenark::RequirementKind kind;
    std::wstring second;
    ColorF badge;
    ColorF secondColor;
};

class RequirementRow : public testing::TestWithParam<RequirementCase> {};

TEST_P(RequirementRow, BadgeByKindAndTheSecondLineOnlyWhenGiven) {
    const RequirementCase& c = GetParam();
    RecordingCanvas canvas;
    lumenark::drawRequirementRow(canvas, 1198, 328, L"Python 3.12 or later", c.kind, c.second);
    ASSERT_GE(canvas.calls.size(), 2u);
    const DrawCall& badge = canvas.calls[0];
    EXPECT_TRUE(sameRect(badge.rect, {1198, 333, 9, 9}));
    EXPECT_FLOAT_EQ(badge.radius, 4.5f);
    EXPECT_TRUE(colorIs(badge.color, c.badge));
    const DrawCall& title = canvas.calls[1];
    EXPECT_EQ(title.text, L"Python 3.12 or later");
    EXPECT_FLOAT_EQ(title.rect.x, 1220);
    EXPECT_EQ(title.size, 16);
    EXPECT_TRUE(colorIs(title.color, UiPalette::text));
    if (c.second.empty()) {
        EXPECT_EQ(canvas.calls.size(), 2u);
        return;
    }
    ASSERT_EQ(canvas.calls.size(), 3u);
    EXPECT_EQ(canvas.calls[2].text, c.second);
    EXPECT_FLOAT_EQ(canvas.calls[2].rect.y, 348);
    EXPECT_EQ(canvas.calls[2].size, 12);
    EXPECT_TRUE(colorIs(canvas.calls[2].color, c.secondColor));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RequirementRow,
    testing::Values(RequirementCase{"Neutral", lumenark::RequirementKind::neutral, L"checking...",
                                    UiPalette::muted, UiPalette::muted},
                    RequirementCase{"Met", lumenark::RequirementKind::met, L"found C:/py.exe",
                                    UiPalette::accent, UiPalette::muted},
                    RequirementCase{"Warning", lumenark::RequirementKind::warning,
                                    L"not found on PATH", UiPalette::warning, UiPalette::warning},
                    RequirementCase{"MetWithoutSecondLine", lumenark::RequirementKind::met, L"",
                                    UiPalette::accent, UiPalette::muted},
                    RequirementCase{"UnknownKindIsMuted", static_cast<lumenark::RequirementKind>(7),
                                    L"", UiPalette::muted, UiPalette::muted}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The title bar and the brand header ---

struct WidthCase {
    const char* name;
    float width;
};

class TitleBar : public testing::TestWithParam<WidthCase> {};

TEST_P(TitleBar, LaysOutAcrossTheDesignWidth) {
    const float w = GetParam().width;
    RecordingCanvas canvas(w);
    lumenark::drawTitleBar(canvas, -1);
    ASSERT_FALSE(canvas.calls.empty());
    EXPECT_EQ(canvas.calls[0].kind, DrawKind::fill);
    EXPECT_TRUE(sameRect(canvas.calls[0].rect, {0, 0, w, 34}));
    EXPECT_TRUE(hasCall(canvas.calls, line(0, 34, w, 34, 1, {0.12f, 0.11f, 0.13f, 1})));
    EXPECT_TRUE(hasCall(canvas.calls, line(w - 77, 17, w - 63, 17, 1.5f, UiPalette::muted)));
    EXPECT_TRUE(hasCall(canvas.calls, line(w - 31, 10, w - 17, 24, 1.5f, UiPalette::muted)));
    EXPECT_TRUE(hasCall(canvas.calls, line(w - 17, 10, w - 31, 24, 1.5f, UiPalette::muted)));
    // The badge's letter is centred on x = 22: one character of 6.5 at size 13.
    const auto letter = apptest::findText(canvas.calls, L"L");
    ASSERT_TRUE(letter);
    EXPECT_FLOAT_EQ(letter->rect.x, 18.75f);
    EXPECT_FLOAT_EQ(letter->rect.y, 9);
    const auto title = apptest::findText(canvas.calls, L"Lumenark Recomp Setup");
    ASSERT_TRUE(title);
    EXPECT_FLOAT_EQ(title->rect.x, 42);
    EXPECT_EQ(title->size, 14);
}

TEST_P(TitleBar, HoveredWindowButtonsLightUp) {
    const float w = GetParam().width;
    RecordingCanvas minimise(w);
    lumenark::drawTitleBar(minimise, 12);
    EXPECT_TRUE(hasCall(minimise.calls, line(w - 77, 17, w - 63, 17, 1.5f, UiPalette::text)));
    EXPECT_TRUE(hasCall(minimise.calls, line(w - 31, 10, w - 17, 24, 1.5f, UiPalette::muted)));
    RecordingCanvas close(w);
    lumenark::drawTitleBar(close, 13);
    EXPECT_TRUE(hasCall(close.calls, line(w - 77, 17, w - 63, 17, 1.5f, UiPalette::muted)));
    EXPECT_TRUE(hasCall(close.calls, line(w - 31, 10, w - 17, 24, 1.5f, UiPalette::hot)));
    EXPECT_TRUE(hasCall(close.calls, line(w - 17, 10, w - 31, 24, 1.5f, UiPalette::hot)));
}

TEST_P(TitleBar, TheHeaderSpansTheWidthWithItsFiveCabinets) {
    const float w = GetParam().width;
    RecordingCanvas canvas(w);
    lumenark::drawBrandHeader(canvas);
    EXPECT_TRUE(sameRect(canvas.calls.at(0).rect, {0, 34, w, 90}));
    EXPECT_TRUE(sameRect(canvas.calls.at(1).rect, {0.45f * w, 20, 0.6f * w, 140}));
    EXPECT_EQ(canvas.calls.at(1).mode, lumenark::ShaderMode::Glow);
    EXPECT_TRUE(hasCall(canvas.calls, line(0, 124, w, 124, 1, {0.3f, 0.05f, 0.06f, 1})));
    // Each small cabinet's body lies in (0.55 W + 0.085 W i, 44, 38, 78).
    for (int i = 0; i < 5; ++i) {
        DrawCall body;
        body.kind = DrawKind::fill;
        body.rect = {0.55f * w + 0.085f * w * static_cast<float>(i) + 3.8f, 44 + 0.04f * 78,
                     0.8f * 38, 0.94f * 78};
        body.color = {0.03f, 0.026f, 0.03f, 1};
        EXPECT_TRUE(hasCall(canvas.calls, body)) << i;
    }
    EXPECT_TRUE(apptest::findText(canvas.calls, L"Lumenark Recomp Setup"));
    EXPECT_TRUE(apptest::findText(
        canvas.calls, L"Visual setup for local static recompilation from your own ROM files"));
}

INSTANTIATE_TEST_SUITE_P(Widths, TitleBar,
                         testing::Values(WidthCase{"Narrowest", 1536},
                                         WidthCase{"Widest", widestDesign}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Cabinet, IntensityScalesTheRedPartsOnly) {
    RecordingCanvas canvas;
    lumenark::drawCabinet(canvas, {100, 100, 70, 174}, 0.5f);
    // The left side panel is red times 0.42 at intensity 0.5; the body stays dark.
    DrawCall side;
    side.kind = DrawKind::fill;
    side.rect = {100 + 0.04f * 70, 100, 0.08f * 70, 174};
    side.color = {0.88f * 0.21f, 0.10f * 0.21f, 0.11f * 0.21f, 1};
    EXPECT_TRUE(hasCall(canvas.calls, side));
    EXPECT_TRUE(colorIs(canvas.calls.at(1).color, {0.03f, 0.026f, 0.03f, 1}));
    EXPECT_FLOAT_EQ(canvas.calls.at(0).color.a, 0.05f);
}

TEST(Icon, AnUnknownGlyphDrawsNothing) {
    RecordingCanvas canvas;
    lumenark::drawIcon(canvas, 11, 0, 0, UiPalette::text);
    lumenark::drawIcon(canvas, -1, 0, 0, UiPalette::text);
    EXPECT_TRUE(canvas.calls.empty());
    lumenark::drawIcon(canvas, lumenark::iconPlay, 30, 40, UiPalette::muted);
    ASSERT_EQ(canvas.calls.size(), 1u);
    EXPECT_EQ(canvas.calls[0].points, (std::array<float, 6>{36, 44, 50, 52, 36, 60}));
    EXPECT_TRUE(colorIs(canvas.calls[0].color, UiPalette::muted));
}

// --- The paragraph section and the action row ---

TEST(ParagraphSection, DrawsHeadingAndLinesAndMovesYPastThem) {
    RecordingCanvas canvas;
    float y = 314;
    // At size 15 a character is 7.5 wide: 100 holds 13 characters.
    lumenark::drawParagraphSection(canvas, L"Method", L"one two three four five", 256, y, 100);
    EXPECT_EQ(apptest::textsOf(canvas.calls),
              (std::vector<std::wstring>{L"Method", L"one two three", L"four five"}));
    EXPECT_EQ(canvas.calls[0].size, 19);
    EXPECT_FLOAT_EQ(canvas.calls[1].rect.y, 344);
    EXPECT_FLOAT_EQ(canvas.calls[2].rect.y, 366.5f);
    EXPECT_TRUE(colorIs(canvas.calls[2].color, UiPalette::body));
    EXPECT_FLOAT_EQ(y, 314 + 30 + 45 + 12);
}

TEST(ActionRow, CentresInTheWidestDesignAndRecordsItsButton) {
    RecordingCanvas canvas(widestDesign);
    std::vector<HitRegion> hits;
    WidgetContext context{canvas, hits, {}};
    lumenark::drawActionRow(context, 202, 350, L"LAUNCHER FPS LIMIT", L"Menus only", L"60", false);
    const float e = (widestDesign - 1536) / 2;
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_TRUE(
        sameRect({hits[0].x, hits[0].y, hits[0].width, hits[0].height}, {969 + e, 350, 260, 54}));
    EXPECT_FALSE(hits[0].enabled);
    EXPECT_TRUE(
        hasCall(canvas.calls, line(300 + e, 415, 1235 + e, 415, 1, {0.13f, 0.12f, 0.14f, 1})));
    const auto title = apptest::findText(canvas.calls, L"LAUNCHER FPS LIMIT");
    ASSERT_TRUE(title);
    EXPECT_FLOAT_EQ(title->rect.x, 306 + e);
    EXPECT_TRUE(colorIs(title->color, UiPalette::muted));
    EXPECT_EQ(apptest::findText(canvas.calls, L"60")->size, 15);
}

// --- The App's widgets ---

TEST(AppWidgets, WithoutARendererTheWidthIs1536AndNothingMeasures) {
    apptest::AppFixture fixture;
    lumenark::App app(qxlauncher::StartupContext{fixture.root()}, fixture.services());
    EXPECT_EQ(app.designWidth(), 1536);
    EXPECT_EQ(app.fitText(L"a text of some length", 13, 1, false), L"a text of some length");
    app.drawTitleBar();
    app.drawButton(20, {1256, 888, 244, 52}, L"PLAY", true, true, 20);
    ASSERT_EQ(app.hitRegions().size(), 1u);
    EXPECT_EQ(app.hitRegions()[0].id, 20);
}

TEST(AppWidgets, DrawThroughTheRendererAsOnACanvas) {
    apptest::AppFixture fixture;
    const auto app = fixture.makeApp();
    app->renderer()->beginFrame();
    app->drawTitleBar();
    app->drawBrandHeader();
    app->drawButton(73, {1346, 140, 150, 40}, L"Build all", false, true, 16);
    app->drawRequirementRow(1198, 328, L"MSYS2 MinGW-w64 g++ 16.1.0",
                            lumenark::RequirementKind::warning, L"not found at C:/msys64");
    app->renderer()->endFrame(1);
    const DrawCalls drawn = apptest::lastFrameCalls(*fixture.device, *app->renderer());

    RecordingCanvas expected;
    std::vector<HitRegion> hits;
    WidgetContext context{expected, hits, {}};
    lumenark::drawTitleBar(expected, -1);
    lumenark::drawBrandHeader(expected);
    lumenark::drawButton(context, 73, {1346, 140, 150, 40}, L"Build all", false, true, 16);
    lumenark::drawRequirementRow(expected, 1198, 328, L"MSYS2 MinGW-w64 g++ 16.1.0",
                                 lumenark::RequirementKind::warning, L"not found at C:/msys64");
    ASSERT_EQ(drawn.size(), expected.calls.size());
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        EXPECT_TRUE(apptest::sameCall(drawn[i], expected.calls[i]))
            << i << ": " << testing::PrintToString(drawn[i]) << " expected "
            << testing::PrintToString(expected.calls[i]);
    }
    ASSERT_EQ(app->hitRegions().size(), 1u);
    EXPECT_FALSE(app->hitRegions()[0].enabled);
}

} // namespace
