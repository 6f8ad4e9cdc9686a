// The Linux stand-in of the desktop services. The click sound plays through an SDL2 audio device
// of its own, opened on the first click (SDL's "dummy" driver serves machines without sound).
// The folder picker is zenity's folder selection when zenity is on the search path, modal to the
// launcher window; documents and folders open through xdg-open, which also stands for Notepad;
// the clipboard and the cursors are SDL's; key names come from the table of an English keyboard.
#include "platform/desktop.h"

#include "platform/child_process.h"
#include "platform/posix/modal_input.h"
#include "platform/posix/sdl_video.h"
#include "platform/process.h"
#include "platform/text.h"

#include <SDL.h>

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform {
namespace {

// A program of the search path, or nothing when it is not there.
std::optional<std::string> findProgram(const wchar_t* name) {
    const auto path = environmentVariable(L"PATH");
    if (!path) {
        return std::nullopt;
    }
    const auto found = searchPathForFile(*path, name);
    if (!found || ::access(found->c_str(), X_OK) != 0) {
        return std::nullopt;
    }
    return found->string();
}

std::vector<char*> argumentVector(std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    return argv;
}

struct ProgramRun {
    int exitCode = -1; // -1: it could not run or did not exit normally
    std::string output;
};

// Runs a program to its end with its standard output captured.
ProgramRun runCapturingOutput(std::vector<std::string> arguments) {
    ProgramRun run;
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        return run;
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    std::vector<char*> argv = argumentVector(arguments);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    if (spawned != 0) {
        ::close(pipe[0]);
        return run;
    }
    std::array<char, 4096> buffer{};
    for (;;) {
        const ssize_t got = ::read(pipe[0], buffer.data(), buffer.size());
        if (got > 0) {
            run.output.append(buffer.data(), static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(pipe[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    }
    return run;
}

// Starts a program in the background and returns at once: a shell hands it over to init, so the
// launcher neither waits for it nor leaves a zombie.
bool startDetached(const std::string& program, const std::string& argument) {
    std::vector<std::string> arguments{
        "/bin/sh", "-c", "\"$0\" \"$1\" </dev/null >/dev/null 2>&1 &", program, argument};
    return runCapturingOutput(std::move(arguments)).exitCode == 0;
}

class SdlDesktop final : public Desktop {
public:
    SdlDesktop() = default;
    SdlDesktop(const SdlDesktop&) = delete;
    SdlDesktop& operator=(const SdlDesktop&) = delete;
    ~SdlDesktop() override {
        if (device_ != 0) {
            SDL_CloseAudioDevice(device_);
        }
        if (audioStarted_) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
        for (SDL_Cursor* cursor : cursors_) {
            if (cursor != nullptr) {
                SDL_FreeCursor(cursor);
            }
        }
    }

    void playSound(std::span<const std::uint8_t> waveImage) override {
        SDL_AudioSpec format{};
        Uint8* samples = nullptr;
        Uint32 length = 0;
        if (!startAudio() ||
            SDL_LoadWAV_RW(SDL_RWFromConstMem(waveImage.data(), static_cast<int>(waveImage.size())),
                           1, &format, &samples, &length) == nullptr) {
            return;
        }
        if (device_ == 0) {
            // SDL converts to what the device plays; the clicks all share one format.
            device_ = SDL_OpenAudioDevice(nullptr, 0, &format, nullptr, 0);
        }
        if (device_ != 0) {
            SDL_ClearQueuedAudio(device_);
            SDL_QueueAudio(device_, samples, length);
            SDL_PauseAudioDevice(device_, 0);
        }
        SDL_FreeWAV(samples);
    }

    void stopSound() override {
        if (device_ != 0) {
            SDL_ClearQueuedAudio(device_);
        }
    }

    FolderChoice pickFolder(WindowHandle owner, const std::wstring& title) override {
        const auto zenity = findProgram(L"zenity");
        if (!zenity) {
            return {FolderChoice::Result::unavailable, {}};
        }
        ProgramRun run;
        {
            const posix::ModalInput modal(owner);
            run = runCapturingOutput(
                {*zenity, "--file-selection", "--directory", "--title=" + utf8FromWide(title)});
        }
        while (!run.output.empty() && (run.output.back() == '\n' || run.output.back() == '\r')) {
            run.output.pop_back();
        }
        // zenity ends with 0 when a folder was chosen, 1 when the dialog was cancelled.
        if (run.exitCode != 0 || run.output.empty()) {
            return {FolderChoice::Result::cancelled, {}};
        }
        return {FolderChoice::Result::chosen, wideFromUtf8(run.output)};
    }

    // xdg-open chooses a program of its own for every file, so it never answers that none is
    // associated.
    OpenResult openPath(WindowHandle, const std::filesystem::path& path) override {
        return startOpener(path) ? OpenResult::opened : OpenResult::failed;
    }

    bool openAsText(WindowHandle, const std::filesystem::path& path) override {
        return startOpener(path);
    }

    bool copyText(WindowHandle, const std::wstring& text) override {
        return posix::startSdlVideo() && SDL_SetClipboardText(utf8FromWide(text).c_str()) == 0;
    }

    void setCursor(CursorShape shape) override {
        if (!posix::startSdlVideo()) {
            return;
        }
        const auto index = static_cast<std::size_t>(shape);
        if (cursors_[index] == nullptr) {
            cursors_[index] = SDL_CreateSystemCursor(
                shape == CursorShape::hand ? SDL_SYSTEM_CURSOR_HAND : SDL_SYSTEM_CURSOR_ARROW);
        }
        // A video driver without cursors has none to set.
        if (cursors_[index] != nullptr) {
            SDL_SetCursor(cursors_[index]);
        }
    }

    std::wstring keyName(std::uint8_t virtualKey) override { return tableKeyName(virtualKey); }

private:
    static bool startOpener(const std::filesystem::path& path) {
        // As the shell, which finds nothing to open for a missing path.
        std::error_code error;
        if (!std::filesystem::exists(path, error)) {
            return false;
        }
        const auto opener = findProgram(L"xdg-open");
        return opener && startDetached(*opener, path.string());
    }

    bool startAudio() {
        if (!audioStarted_) {
            audioStarted_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        }
        return audioStarted_;
    }

    bool audioStarted_ = false;
    SDL_AudioDeviceID device_ = 0;
    std::array<SDL_Cursor*, 2> cursors_{};
};

} // namespace

std::unique_ptr<Desktop> createDesktop() {
    return std::make_unique<SdlDesktop>();
}

} // namespace platform
