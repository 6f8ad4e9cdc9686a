// A document opened as plain text on Windows: the system folder's Notepad starts with it. Notepad
// needs a display to stay up, so this runs on a virtual one.
#include "platform/desktop.h"
#include "platform/process.h"
#include "platform/process_snapshot.h"
#include "platform/system_folder.h"
#include "platform/text.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cwctype>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::wstring lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

// Every process this one started, ended when the test ends.
class ChildrenEnded {
public:
    ChildrenEnded() = default;
    ChildrenEnded(const ChildrenEnded&) = delete;
    ChildrenEnded& operator=(const ChildrenEnded&) = delete;
    ~ChildrenEnded() {
        const std::vector<platform::ProcessEntry> processes =
            platform::takeProcessSnapshot().value_or(std::vector<platform::ProcessEntry>{});
        for (const platform::ProcessEntry& entry : processes) {
            if (entry.parentId != platform::currentProcessId()) {
                continue;
            }
            if (HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, entry.processId)) {
                ::TerminateProcess(process, 0);
                ::CloseHandle(process);
            }
        }
    }
};

struct StartedWindow {
    std::wstring image;
    std::wstring title;
};

// The first top-level window with a title of a process this one started.
std::optional<StartedWindow> childWindow() {
    const auto processes = platform::takeProcessSnapshot();
    if (!processes) {
        return std::nullopt;
    }
    for (const platform::TopLevelWindow& window : platform::listTopLevelWindows()) {
        for (const platform::ProcessEntry& entry : *processes) {
            if (entry.processId != window.processId ||
                entry.parentId != platform::currentProcessId()) {
                continue;
            }
            wchar_t title[256] = {};
            ::GetWindowTextW(static_cast<HWND>(window.window), title, 256);
            if (title[0] != L'\0') {
                return StartedWindow{platform::processImagePath(entry.processId).value_or(L""),
                                     title};
            }
        }
    }
    return std::nullopt;
}

TEST(OpenAsText, StartsTheSystemFoldersNotepadWithTheDocument) {
    const testsupport::TempFolder documents("open as text");
    testsupport::writeFile(documents / "LICENSE", "text");
    const ChildrenEnded ending;
    const auto desktop = platform::createDesktop();
    ASSERT_TRUE(desktop->openAsText(nullptr, documents / "LICENSE"));
    // Notepad names the document in its title once it has read it.
    const auto namesTheDocument = [](const std::optional<StartedWindow>& window) {
        return window && window->title.find(L"LICENSE") != std::wstring::npos;
    };
    std::optional<StartedWindow> window;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!namesTheDocument(window = childWindow()) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(window) << "no window of a started program within 30 s";
    // Notepad read the document from the folder with a space in its name.
    EXPECT_TRUE(namesTheDocument(window)) << platform::utf8FromWide(window->title);
    const auto system = platform::systemFolder();
    ASSERT_TRUE(system);
    EXPECT_EQ(lower(window->image), lower((*system / L"notepad.exe").wstring()));
}

} // namespace
