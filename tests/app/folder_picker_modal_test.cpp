// The Linux folder picker is modal to the launcher window, as the Windows one is: a zenity of the
// test's own holds until the test releases it, the mouse and key input that reaches the window
// meanwhile is dropped before the window hands it on, and input that came before the picker
// opened still acts.
#include "app/control_ids.h"
#include "platform/posix/sdl_window.h"
#include "platform/text.h"
#include "tests/app/system_window_fixture.h"
#include "tests/support/temp_folder.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace lumenark {
namespace {

namespace fs = std::filesystem;

class ModalFolderPicker : public apptest::SystemWindowTest {
protected:
    void SetUp() override {
        fixture_.systemDesktop = true;
        SystemWindowTest::SetUp();
        loop_ = platform::createMessageLoop(*window_);
        fs::create_directories(chosen_);
        // Says that it is open, holds until the test releases it (or 30 s passed), then answers
        // with the folder.
        const fs::path zenity = programs_ / "zenity";
        testsupport::writeFile(zenity, "#!/bin/sh\nPATH=/usr/bin:/bin\n: > '" + opened_.string() +
                                           "'\nn=0\nwhile [ ! -e '" + release_.string() +
                                           "' ] && [ $n -lt 1500 ]; do sleep 0.02; "
                                           "n=$((n+1)); done\nprintf '%s\\n' '" +
                                           chosen_.string() + "'\n");
        ::chmod(zenity.c_str(), 0755);
        app_->layoutHitRegions();
    }
    void TearDown() override {
        window_->destroy();
        loop_->dispatchPending();
        loop_.reset();
        SystemWindowTest::TearDown();
    }

    HitRegion regionOf(int id) const {
        for (const HitRegion& region : app_->hitRegions()) {
            if (region.id == id) {
                return region;
            }
        }
        ADD_FAILURE() << "no region " << id;
        return {};
    }
    // A click at the centre of the control: the client is the design space at scale 1.
    std::vector<SDL_Event> click(int id) const {
        const HitRegion region = regionOf(id);
        const int x = static_cast<int>(region.x + region.width / 2);
        const int y = static_cast<int>(region.y + region.height / 2);
        std::vector<SDL_Event> events(3);
        events[0].type = SDL_MOUSEMOTION;
        events[0].motion.windowID = windowId();
        events[0].motion.x = x;
        events[0].motion.y = y;
        for (std::size_t i = 1; i < 3; ++i) {
            events[i].type = i == 1 ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
            events[i].button.windowID = windowId();
            events[i].button.button = SDL_BUTTON_LEFT;
            events[i].button.x = x;
            events[i].button.y = y;
        }
        return events;
    }
    std::vector<SDL_Event> key(SDL_Keycode sym) const {
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.windowID = windowId();
        event.key.keysym.sym = sym;
        return {event};
    }
    Uint32 windowId() const { return platform::posix::launcherWindowSdlId(window_->handle()); }
    static void push(const std::vector<SDL_Event>& events) {
        for (SDL_Event event : events) {
            ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
        }
    }

    // Clicks the first game's folder field and dispatches; once the picker is open a thread of
    // its own queues the input for the window, then releases the picker.
    void chooseFolderWhileQueued(const std::vector<SDL_Event>& whileOpen) {
        push(click(folderFieldControlId(0)));
        std::thread person([&] {
            if (testsupport::waitForFile(opened_)) {
                for (SDL_Event event : whileOpen) {
                    SDL_PushEvent(&event);
                }
            }
            testsupport::writeFile(release_, "");
        });
        loop_->dispatchPending();
        person.join();
        // Whatever is still queued gets its turn.
        loop_->dispatchPending();
    }

    std::wstring romFolder(int game) const {
        return platform::wideFromPath(app_->backend().setupJob(game).romFolder);
    }

    std::unique_ptr<platform::MessageLoop> loop_;
    testsupport::TempFolder programs_{"picker-programs"};
    testsupport::ScopedEnvironment path_{L"PATH", programs_.path().wstring()};
    fs::path opened_ = programs_ / "opened";
    fs::path release_ = programs_ / "release";
    fs::path chosen_ = programs_ / "roms";
};

TEST_F(ModalFolderPicker, InputWhileItIsOpenIsDropped) {
    ASSERT_EQ(app_->section(), NavSection::overview);
    ASSERT_TRUE(regionOf(folderFieldControlId(0)).enabled);
    // The sidebar's Legal, the next section, Settings and the second game's folder.
    std::vector<SDL_Event> input = click(legalNavigationId);
    for (const auto& more : {key(SDLK_PAGEDOWN), key(SDLK_s), click(folderFieldControlId(1))}) {
        input.insert(input.end(), more.begin(), more.end());
    }
    chooseFolderWhileQueued(input);
    EXPECT_TRUE(fs::exists(opened_));
    EXPECT_EQ(romFolder(0), platform::wideFromPath(fs::absolute(chosen_).lexically_normal()));
    EXPECT_EQ(app_->statusLine(), L"ROM folder saved. Use Verify to check the files.");
    EXPECT_EQ(app_->section(), NavSection::overview);
    EXPECT_FALSE(app_->settingsOpen());
    EXPECT_EQ(romFolder(1), L"");
    // Not even the pointer moved: it is still over the folder field that was clicked.
    EXPECT_EQ(app_->hoveredControl(), folderFieldControlId(0));
    EXPECT_EQ(app_->pressedControl(), -1);
    EXPECT_EQ(count("settings-open"), 0u);
}

TEST_F(ModalFolderPicker, InputThatCameBeforeItOpenedStillActs) {
    // The key is queued behind the click that opens the picker.
    push(click(folderFieldControlId(0)));
    push(key(SDLK_PAGEDOWN));
    testsupport::writeFile(release_, "");
    loop_->dispatchPending();
    EXPECT_EQ(romFolder(0), platform::wideFromPath(fs::absolute(chosen_).lexically_normal()));
    EXPECT_EQ(app_->section(), NavSection::romSetup);
}

} // namespace
} // namespace lumenark
