// The Overview page, drawn from the App's state.
#include "app/app.h"

#include "app/pages/overview_page.h"

namespace lumenark {

void drawPanelBox(Canvas& canvas, RectF rect, float radius) {
    canvas.drawRoundedRect(rect, radius, UiPalette::panel, 0.0f);
    canvas.drawRoundedRect(rect, radius, UiPalette::border, 1.2f);
}

void drawOverview(Canvas& canvas, const OverviewView& view) {
    drawStepStrip(canvas, view);
    drawGamesHeading(canvas, view);
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        drawGameCard(canvas, view, game);
    }
    drawRequirementsPanel(canvas, view.tools);
    drawModesAndAudioPanels(canvas);
}

void App::drawOverviewPage() {
    const auto game = [this](int g) {
        const auto index = static_cast<std::size_t>(g);
        return OverviewGame{backend_.setupJob(g), builds_[index], ready_[index],
                            digestKinds_[index]};
    };
    const OverviewView view{{game(0), game(1), game(2)}, backend_.toolProbe(), overviewStepsGame_};
    drawOverview(canvas_, view);
}

} // namespace lumenark
