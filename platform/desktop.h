#pragma once
// Desktop services the launcher window uses beside its own window: the click sound, the folder
// picker, opening a document or folder, the clipboard, the mouse cursor and the names of keys.
// Windows: PlaySoundW from memory, the shell's file-open dialog in folder mode through COM,
// ShellExecuteW with "open" and the system folder's Notepad, the clipboard as Unicode text, the
// system cursors and the system's key names. Linux: SDL2 audio, zenity, xdg-open, SDL's
// clipboard and cursors, and a table of key names.
#include "platform/handle.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

namespace platform {

// What the folder picker gave.
struct FolderChoice {
    enum class Result {
        chosen,      // `folder` holds the folder
        cancelled,   // the user cancelled, or a step of the dialog failed
        unavailable, // the system has no folder picker
    };
    Result result = Result::cancelled;
    std::wstring folder;
};

// What opening a file or folder gave.
enum class OpenResult {
    opened,
    noAssociation, // the system has no program for this kind of file
    failed,
};

// The launcher's sentence when the system has no folder picker.
inline constexpr const wchar_t* folderPickerUnavailableText = L"Folder picker unavailable.";

enum class CursorShape { arrow, hand };

class Desktop {
public:
    virtual ~Desktop() = default;

    // Plays a RIFF/WAVE image asynchronously, cutting off a sound still playing. The image must
    // stay alive while it plays; a sound that cannot play is silently dropped.
    virtual void playSound(std::span<const std::uint8_t> waveImage) = 0;
    // Stops a sound still playing.
    virtual void stopSound() = 0;

    // Shows the system's folder picker, modal to the window, with the title; returns when the
    // user has chosen or cancelled. Mouse and key input that reached the window while the picker
    // was open is dropped, so none of it acts once the picker returns.
    virtual FolderChoice pickFolder(WindowHandle owner, const std::wstring& title) = 0;
    // Opens a file or folder as the desktop opens it (the shell's "open" verb).
    virtual OpenResult openPath(WindowHandle owner, const std::filesystem::path& path) = 0;
    // Opens a file in the system's own plain-text editor (Windows: the system folder's Notepad,
    // never one of the search path); false when it could not be started.
    virtual bool openAsText(WindowHandle owner, const std::filesystem::path& path) = 0;
    // Replaces the clipboard's content with the text; false when any step failed, and then the
    // clipboard is left as it was as far as the system allows.
    virtual bool copyText(WindowHandle owner, const std::wstring& text) = 0;
    // The mouse cursor from now on.
    virtual void setCursor(CursorShape shape) = 0;
    // The name of the key of a virtual-key code in capitals, as the CONTROLS tab shows it;
    // "KEY " and the code in two upper-case hexadecimal digits when the system has no name.
    virtual std::wstring keyName(std::uint8_t virtualKey) = 0;
};

std::unique_ptr<Desktop> createDesktop();

// "KEY " and the code in two upper-case hexadecimal digits.
std::wstring keyCodeLabel(std::uint8_t virtualKey);

// The names of the keys of an English keyboard, as the Windows desktop spells them, in capitals;
// keyCodeLabel for a code without a key of its own. The Linux build names keys from it.
std::wstring tableKeyName(std::uint8_t virtualKey);

} // namespace platform
