// One frame of the launcher window: the ground, the page with its controls, then the chrome
// over it. The frame, not the pages, changes state: the cabinets' highlights ease here and the
// first interactive frame of a page other than Play starts the requirements check.
#include "app/app.h"

#include "app/control_ids.h"

#include <algorithm>

namespace lumenark {
namespace {

constexpr ColorF groundColor{0.028f, 0.027f, 0.032f, 1.0f};
constexpr ColorF pageGlow{0.6f, 0.04f, 0.05f, 0.06f};

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
    settleFocus();
    hitRegions_.clear();
    if (renderer_ == nullptr) {
        return;
    }
    const float width = designWidth();
    renderer_->setDecoration(decorationWanted());
    renderer_->beginFrame();
    canvas_.fillRect({0, 0, width, designHeight}, groundColor);
    if (!settingsOpen_ && section_ == NavSection::play) {
        easeCabinetHighlights(seconds);
    }
    drawPage(capture);
    drawChrome();
    renderer_->endFrame(applied_.VSync ? 1 : 0);
}

void App::easeCabinetHighlights(double seconds) {
    const float k = std::clamp(7.0f * static_cast<float>(seconds), 0.0f, 1.0f);
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        const bool lit =
            !settingsOpen_ && (game == loadedGame_ || hoveredControl_ == cabinetControlId(game) ||
                               focusPosition_ == game);
        float& highlight = cabinetHighlight_[static_cast<std::size_t>(game)];
        highlight += ((lit ? 1.0f : 0.0f) - highlight) * k;
    }
}

void App::drawPage(bool capture) {
    if (!settingsOpen_ && section_ == NavSection::play) {
        drawPlayPage(capture);
        return;
    }
    const float width = designWidth();
    canvas_.drawEffect({0.2f * width, 124, width, 900}, pageGlow, ShaderMode::Glow, 0.0f);
    if (settingsOpen_) {
        drawSettings();
        drawStatusPanel();
        return;
    }
    if (!capture && !requirementsCheckStarted_) {
        requirementsCheckStarted_ = true;
        backend_.recheckRequirements();
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
    case NavSection::legal:
        drawLegalPage();
        break;
    case NavSection::play:
        break;
    }
    drawPageControls();
    drawStatusPanel();
}

void App::drawChrome() {
    drawTitleBar();
    drawBrandHeader();
    drawSidebar();
    drawHelpLines();
    drawLegalBlock();
    registerTitleBarRegions();
    drawClosingOverlay();
}

} // namespace lumenark
