#pragma once
// The running-game monitor: which top-level window belongs to the launched game, and the
// sentences of a game that runs or has ended. The choice of window is a function over one
// snapshot of the processes and windows and the lookups it is handed, so it is the same on every
// platform.
#include "platform/handle.h"
#include "platform/process_snapshot.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qxlauncher {

inline constexpr const wchar_t* nativeGameWindowClass = L"Qx5TemporalScanout";
// The exit code kept while a game runs.
inline constexpr std::uint32_t gameStillActiveExitCode = 259;

// What the window enumeration looks for.
struct GameWindowSearch {
    std::uint32_t processId = 0;
    platform::WindowHandle window = nullptr;
    bool classTest = false; // native games by their window class, script games by visibility
};

// Stores a passing window in the search and returns false to end the enumeration.
bool findGameWindowCallback(const platform::TopLevelWindow& window, GameWindowSearch& search);

struct FoundGameWindow {
    platform::WindowHandle window = nullptr;
    std::uint32_t processId = 0;
};

using ImagePathLookup = std::function<std::optional<std::wstring>(std::uint32_t)>;
using ImageMatch =
    std::function<bool(const std::wstring& processImage, const std::wstring& gameImage)>;

// Whether a process's image is the game's executable: the same file (volume serial number and
// file index) where both paths can be opened, else the same text without regard to case. The
// system names an image as it resolved it (the real drive of a substituted one, the network name
// of a mapped one, long names), which need not be the launcher's spelling of the same file.
bool isSameGameImage(const std::wstring& processImage, const std::wstring& gameImage);

// The game's window among the launched process (when native) and its descendants whose image
// is the game's, in ascending process id order.
std::optional<FoundGameWindow>
chooseGameWindow(const std::vector<platform::ProcessEntry>& processes,
                 const std::vector<platform::TopLevelWindow>& windows,
                 const ImagePathLookup& imagePathOf, const ImageMatch& isGameImage,
                 std::uint32_t gamePid, const std::wstring& gameImagePath, bool nativeRun);

// How a launch started the game; the monitor's window search and sentences follow it.
struct GameStartKind {
    bool nativeRun = false;         // a native executable, started directly
    bool nativeLiveTest = false;    // the second game's native live experiment
    bool qx2NativePlayable = false; // the second game's playable native package
    bool runningQx3Native = false;  // the third game's native executable
};

// How the running game was started, for its sentences.
struct RunningGameKind {
    bool runningQx3Native = false;
    bool qx2NativePlayable = false;
    bool nativeRun = false;
    bool nativeLiveTest = false;
    std::int32_t selectedGame = 0;
    std::int32_t qx3Edition = 1;
};

std::wstring runningGameSentence(const RunningGameKind& kind);
std::wstring closedGameSentence(const RunningGameKind& kind, std::uint32_t exitCode);

} // namespace qxlauncher
