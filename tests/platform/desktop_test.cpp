// The desktop services beside the window: key names, the clipboard, opening paths, the folder
// picker and the cursor. The Linux stand-ins run programs from the search path (zenity,
// xdg-open), which the tests replace with small scripts of their own.
#include "platform/desktop.h"

#include "platform/text.h"
#include "tests/support/case_names.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <SDL.h>
#include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;
using testsupport::ScopedEnvironment;
using testsupport::TempFolder;

struct KeyCase {
    std::uint8_t code;
    const wchar_t* name;
};

class TableKeyName : public testing::TestWithParam<KeyCase> {};

TEST_P(TableKeyName, NamesTheKeyOrItsCode) {
    EXPECT_EQ(platform::tableKeyName(GetParam().code), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TableKeyName,
    testing::Values(KeyCase{'A', L"A"}, KeyCase{'Z', L"Z"}, KeyCase{'0', L"0"}, KeyCase{'9', L"9"},
                    KeyCase{0x26, L"UP"}, KeyCase{0x25, L"LEFT"}, KeyCase{0x0D, L"ENTER"},
                    KeyCase{0x1B, L"ESC"}, KeyCase{0x20, L"SPACE"}, KeyCase{0x70, L"F1"},
                    KeyCase{0x7A, L"F11"}, KeyCase{0x87, L"F24"}, KeyCase{0x60, L"NUM 0"},
                    KeyCase{0x69, L"NUM 9"}, KeyCase{0x6B, L"NUM +"}, KeyCase{0xA1, L"RIGHT SHIFT"},
                    KeyCase{0xBA, L";"}, KeyCase{0xDE, L"'"},
                    // Codes without a key of their own.
                    KeyCase{0x00, L"KEY 00"}, KeyCase{0x07, L"KEY 07"}, KeyCase{0x88, L"KEY 88"},
                    KeyCase{0xFF, L"KEY FF"}),
    [](const auto& info) {
        // The code in hex, then the letters and digits of its name: "Code0D_ENTER", "CodeBA".
        const char* hex = "0123456789ABCDEF";
        const std::string word = testsupport::caseNameFrom(platform::utf8FromWide(info.param.name));
        return std::string("Code") + hex[info.param.code >> 4] + hex[info.param.code & 15] +
               (word.empty() ? "" : "_" + word);
    });

TEST(Desktop, KeyNamesAreCapitalsWithTheCodeAsLastResort) {
    const auto desktop = platform::createDesktop();
    EXPECT_EQ(desktop->keyName('A'), L"A");
    EXPECT_EQ(desktop->keyName('5'), L"5");
    EXPECT_EQ(desktop->keyName(0x74), L"F5");
    // The arrows are named as arrows, not as the number pad's keys of the same scan code.
    EXPECT_EQ(desktop->keyName(0x26), L"UP");
    EXPECT_EQ(desktop->keyName(0x07), L"KEY 07");
}

#ifdef _WIN32
std::wstring clipboardText() {
    std::wstring text;
    if (!::OpenClipboard(nullptr)) {
        return text;
    }
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
            text = chars;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}
#else
std::wstring clipboardText() {
    char* text = SDL_GetClipboardText();
    std::wstring wide;
    if (text != nullptr) {
        wide = platform::wideFromUtf8(text);
        SDL_free(text);
    }
    return wide;
}
#endif

class Clipboard : public testing::Test {
protected:
#ifndef _WIN32
    // Without a display SDL's dummy driver keeps the clipboard inside the process.
    std::optional<ScopedEnvironment> driver_ =
        std::getenv("SDL_VIDEODRIVER") == nullptr
            ? std::optional<ScopedEnvironment>(std::in_place, L"SDL_VIDEODRIVER", L"dummy")
            : std::nullopt;
#endif
};

TEST_F(Clipboard, HoldsTheCopiedTextWhole) {
    const auto desktop = platform::createDesktop();
    const std::wstring report =
        L"Lumenark Recomp setup report\nGame: Quarrix\nFolder: %USERPROFILE%\\r\u00f6ms\n";
    ASSERT_TRUE(desktop->copyText(nullptr, report));
    EXPECT_EQ(clipboardText(), report);
    ASSERT_TRUE(desktop->copyText(nullptr, L""));
    EXPECT_EQ(clipboardText(), L"");
}

TEST(Desktop, AMissingPathDoesNotOpen) {
    const TempFolder folder("open");
    const auto desktop = platform::createDesktop();
    EXPECT_EQ(desktop->openPath(nullptr, folder / "LICENSE"), platform::OpenResult::failed);
    EXPECT_FALSE(desktop->openAsText(nullptr, folder / "LICENSE"));
}

#ifdef _WIN32
// A file without an extension has no associated program on any stock Windows: the shell says so,
// and the launcher opens it as plain text instead.
TEST(Desktop, TheShellSaysWhenNoProgramIsAssociated) {
    const TempFolder folder("open");
    testsupport::writeFile(folder / "LICENSE", "text");
    const auto desktop = platform::createDesktop();
    EXPECT_EQ(desktop->openPath(nullptr, folder / "LICENSE"), platform::OpenResult::noAssociation);
}

TEST(Desktop, TheCursorIsTheSystemsArrowOrHand) {
    const auto desktop = platform::createDesktop();
    desktop->setCursor(platform::CursorShape::hand);
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
    desktop->setCursor(platform::CursorShape::arrow);
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));
}
#else
// A folder on the search path holding the test's own stand-ins of desktop programs.
class DesktopPrograms : public testing::Test {
protected:
    // A shell script that records its arguments, one a line, in `<name>.arguments`. It finds
    // the system's tools on a search path of its own: the test's holds only these programs.
    void writeProgram(const std::string& name, const std::string& body) {
        const fs::path path = programs_ / name;
        testsupport::writeFile(path, "#!/bin/sh\nPATH=/usr/bin:/bin\nprintf '%s\\n' \"$@\" > '" +
                                         (programs_ / (name + ".arguments")).string() + "'\n" +
                                         body);
        ::chmod(path.c_str(), 0755);
    }
    std::string argumentsOf(const std::string& name) const {
        return testsupport::readFileIfPresent(programs_ / (name + ".arguments"));
    }

    TempFolder programs_{"desktop-programs"};
    ScopedEnvironment path_{L"PATH", programs_.path().wstring()};
};

TEST_F(DesktopPrograms, WithoutZenityTheFolderPickerIsUnavailable) {
    const ScopedEnvironment emptyPath(L"PATH", L"");
    const auto desktop = platform::createDesktop();
    const platform::FolderChoice choice =
        desktop->pickFolder(nullptr, L"Folder with the ROM files of your own boards");
    EXPECT_EQ(choice.result, platform::FolderChoice::Result::unavailable);
    EXPECT_EQ(choice.folder, L"");
    EXPECT_STREQ(platform::folderPickerUnavailableText, L"Folder picker unavailable.");
}

TEST_F(DesktopPrograms, ZenityChoosesAFolderInItsFolderMode) {
    writeProgram("zenity", "printf '%s\\n' '/media/r\xc3\xb6ms/boards'\n");
    const auto desktop = platform::createDesktop();
    const platform::FolderChoice choice =
        desktop->pickFolder(nullptr, L"ROM files of your own board: Quarrix II");
    EXPECT_EQ(choice.result, platform::FolderChoice::Result::chosen);
    EXPECT_EQ(choice.folder, L"/media/r\u00f6ms/boards");
    EXPECT_EQ(argumentsOf("zenity"), "--file-selection\n--directory\n"
                                     "--title=ROM files of your own board: Quarrix II\n");
}

TEST_F(DesktopPrograms, ACancelledZenityChoosesNothing) {
    writeProgram("zenity", "exit 1\n");
    const auto desktop = platform::createDesktop();
    const platform::FolderChoice choice = desktop->pickFolder(nullptr, L"Title");
    EXPECT_EQ(choice.result, platform::FolderChoice::Result::cancelled);
    EXPECT_EQ(choice.folder, L"");
}

TEST_F(DesktopPrograms, XdgOpenGetsThePathAndTheLauncherDoesNotWaitForIt) {
    // The opener holds until the test releases it (or gives up after 30 s), then says so.
    const fs::path release = programs_ / "release";
    const fs::path finished = programs_ / "finished";
    writeProgram("xdg-open", "n=0\nwhile [ ! -e '" + release.string() +
                                 "' ] && [ $n -lt 600 ]; do sleep 0.05; n=$((n+1)); done\n"
                                 ": > '" +
                                 finished.string() + "'\n");
    const TempFolder documents("documents");
    testsupport::writeFile(documents / "DISCLAIMER.md", "text");
    const auto desktop = platform::createDesktop();
    ASSERT_EQ(desktop->openPath(nullptr, documents / "DISCLAIMER.md"),
              platform::OpenResult::opened);
    EXPECT_FALSE(fs::exists(finished)) << "openPath waited for the opener";
    testsupport::writeFile(release, "");
    ASSERT_TRUE(testsupport::waitForFile(finished));
    EXPECT_EQ(argumentsOf("xdg-open"), (documents / "DISCLAIMER.md").string() + "\n");
}

TEST_F(DesktopPrograms, WithoutXdgOpenNothingOpens) {
    const TempFolder documents("documents");
    const auto desktop = platform::createDesktop();
    EXPECT_EQ(desktop->openPath(nullptr, documents.path()), platform::OpenResult::failed);
}

// xdg-open chooses a program for any file: the stand-in never answers that none is associated,
// and its plain-text editor is xdg-open too.
TEST_F(DesktopPrograms, XdgOpenStandsForThePlainTextEditor) {
    const fs::path finished = programs_ / "finished";
    writeProgram("xdg-open", ": > '" + finished.string() + "'\n");
    const TempFolder documents("documents");
    testsupport::writeFile(documents / "LICENSE", "text");
    const auto desktop = platform::createDesktop();
    ASSERT_TRUE(desktop->openAsText(nullptr, documents / "LICENSE"));
    ASSERT_TRUE(testsupport::waitForFile(finished));
    EXPECT_EQ(argumentsOf("xdg-open"), (documents / "LICENSE").string() + "\n");
}
#endif

} // namespace
