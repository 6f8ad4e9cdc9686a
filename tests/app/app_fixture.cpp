#include "tests/app/app_fixture.h"

#include "app/ui_event_log.h"
#include "platform/clock.h"

#include <fstream>
#include <sstream>

namespace apptest {

void FakeWindow::show(platform::ShowCommand command) {
    switch (command) {
    case platform::ShowCommand::show:
        record("show");
        break;
    case platform::ShowCommand::restore:
        record("restore");
        minimised = false;
        break;
    case platform::ShowCommand::minimize:
        record("minimize");
        minimised = true;
        break;
    }
}

void FakeWindow::enterFullscreen() {
    record("fullscreen");
    rect = monitor;
}

void FakeWindow::leaveFullscreen(const platform::ScreenRect& to) {
    record("windowed");
    rect = to;
}

void FakeWindow::place(const platform::ScreenRect& to) {
    record("place");
    rect = to;
}

void FakeWindow::captureMouse() {
    record("capture");
    captured = true;
}

void FakeWindow::releaseMouseCapture() {
    record("release");
    if (captured) {
        captured = false;
        if (events != nullptr) {
            events->onCaptureLost();
        }
    }
}

platform::FolderChoice RecordingDesktop::pickFolder(platform::WindowHandle owner,
                                                    const std::wstring& title) {
    owners.push_back(owner);
    pickerTitles.push_back(title);
    return folderChoice;
}

platform::OpenResult RecordingDesktop::openPath(platform::WindowHandle owner,
                                                const std::filesystem::path& path) {
    owners.push_back(owner);
    opened.push_back(path);
    return openAnswer;
}

bool RecordingDesktop::openAsText(platform::WindowHandle owner, const std::filesystem::path& path) {
    owners.push_back(owner);
    if (textOpenSucceeds) {
        openedAsText.push_back(path);
    }
    return textOpenSucceeds;
}

bool RecordingDesktop::copyText(platform::WindowHandle owner, const std::wstring& text) {
    owners.push_back(owner);
    if (copySucceeds) {
        clipboard.push_back(text);
    }
    return copySucceeds;
}

std::wstring RecordingDesktop::keyName(std::uint8_t virtualKey) {
    return platform::tableKeyName(virtualKey);
}

AppFixture::AppFixture() = default;

lumenark::AppServices AppFixture::services() {
    lumenark::AppServices services;
    if (systemClocks) {
        services.tickMilliseconds = platform::tickCountMilliseconds;
        services.monotonic100ns = platform::monotonic100ns;
    } else {
        services.tickMilliseconds = [clock = clock] { return clock->tickMilliseconds(); };
        services.monotonic100ns = [clock = clock] { return clock->now100ns; };
    }
    services.sleepMilliseconds = [this](std::uint32_t milliseconds) { sleep(milliseconds); };
    services.desktop =
        systemDesktop ? std::shared_ptr<platform::Desktop>(platform::createDesktop()) : desktop;
    services.loadControllers = [this]() -> std::unique_ptr<platform::Controllers> {
        if (xinputMissing) {
            return nullptr;
        }
        return std::make_unique<ScriptedControllers>(pads);
    };
    services.hidSnapshot = [pads = pads] { return pads->hid; };
    services.pollGames = [this](const qxlauncher::StartupContext& context) {
        return pollGames(context);
    };
    services.music = music;
    return services;
}

std::unique_ptr<lumenark::App> AppFixture::makeApp() {
    auto app = std::make_unique<lumenark::App>(qxlauncher::StartupContext{root()}, services());
    app->attachRenderer(
        std::make_unique<lumenark::Renderer>(std::make_unique<testsupport::RecordingDevice>(device),
                                             testsupport::fixedAdvanceAtlas(fixtureGlyphAdvance)));
    return app;
}

std::vector<std::string> AppFixture::uiEvents() const {
    std::vector<std::string> events;
    std::ifstream stream(root() / lumenark::uiEventLogPath, std::ios::binary);
    std::string line;
    while (std::getline(stream, line)) {
        const auto blank = line.find(' ');
        events.push_back(blank == std::string::npos ? line : line.substr(blank + 1));
    }
    return events;
}

} // namespace apptest
