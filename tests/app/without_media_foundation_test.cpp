// The launcher where the system has no Media Foundation, as on the N editions of Windows without
// their media pack. CTest runs this program with Wine's Media Foundation libraries switched off:
// that it runs at all shows that it does not import them, and its menu music is what fails.
#include "platform/audio_decoder.h"
#include "tests/app/app_fixture.h"
#include "tests/support/sine_wav.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace lumenark {
namespace {

TEST(WithoutMediaFoundation, TheSystemHasNone) {
    for (const wchar_t* library : {L"mfplat.dll", L"mfreadwrite.dll"}) {
        HMODULE module = ::LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        EXPECT_EQ(module, nullptr) << "Media Foundation is on here: switch it off for this test";
        if (module != nullptr) {
            ::FreeLibrary(module);
        }
    }
}

TEST(WithoutMediaFoundation, TheDecoderCannotStart) {
    testsupport::TempFolder folder{"no_media_foundation"};
    testsupport::writeSineWav(folder.path() / "menu.wav", testsupport::SineWav{});
    std::string label = "(no error)";
    try {
        platform::openAudioFileDecoder(folder.path() / "menu.wav");
    } catch (const std::runtime_error& error) {
        label = error.what();
    }
    EXPECT_EQ(label, "Media Foundation");
}

TEST(WithoutMediaFoundation, TheLauncherRunsSilent) {
    apptest::AppFixture fixture;
    testsupport::writeSineWav(fixture.root() / "custom_audio/launcher/menu.wav",
                              testsupport::SineWav{});
    const auto app = fixture.makeApp();
    apptest::FakeWindow window;
    app->attachWindow(&window);
    app->startMenuMusic();
    EXPECT_EQ(app->music(), nullptr);
    EXPECT_EQ(fixture.uiEvents(),
              std::vector<std::string>{"menu-music unavailable: Media Foundation"});
    // It goes on drawing.
    app->render(0.016, false);
    EXPECT_EQ(fixture.device->frames.size(), 1u);
    app->attachWindow(nullptr);
}

} // namespace
} // namespace lumenark
