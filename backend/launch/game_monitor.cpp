#include "backend/launch/game_monitor.h"
#include "backend/game_table.h"
#include "backend/launch/game_environment.h"
#include "platform/files.h"
#include "platform/text.h"

#include <map>
#include <set>

namespace qxlauncher {

namespace {

// A descendant of the launched process: some ancestor is `gamePid`. Reused ids can form a
// cycle, which ends the walk.
bool descendsFrom(std::uint32_t id, std::uint32_t gamePid,
                  const std::map<std::uint32_t, std::uint32_t>& parents) {
    std::set<std::uint32_t> visited{id};
    std::uint32_t current = id;
    for (;;) {
        const auto parent = parents.find(current);
        if (parent == parents.end()) {
            return false;
        }
        if (parent->second == gamePid) {
            return true;
        }
        if (!visited.insert(parent->second).second) {
            return false;
        }
        current = parent->second;
    }
}

} // namespace

bool isSameGameImage(const std::wstring& processImage, const std::wstring& gameImage) {
    const auto running = platform::fileIdentity(platform::pathFromWide(processImage));
    const auto wanted = platform::fileIdentity(platform::pathFromWide(gameImage));
    if (running && wanted) {
        return *running == *wanted;
    }
    return compareIgnoringCase(processImage, gameImage) == 0;
}

bool findGameWindowCallback(const platform::TopLevelWindow& window, GameWindowSearch& search) {
    if (window.processId != search.processId || window.owned) {
        return true;
    }
    const bool passes =
        search.classTest ? window.windowClass == nativeGameWindowClass : window.visible;
    if (!passes) {
        return true;
    }
    search.window = window.window;
    return false;
}

std::optional<FoundGameWindow>
chooseGameWindow(const std::vector<platform::ProcessEntry>& processes,
                 const std::vector<platform::TopLevelWindow>& windows,
                 const ImagePathLookup& imagePathOf, const ImageMatch& isGameImage,
                 std::uint32_t gamePid, const std::wstring& gameImagePath, bool nativeRun) {
    std::map<std::uint32_t, std::uint32_t> parents;
    for (const platform::ProcessEntry& process : processes) {
        parents[process.processId] = process.parentId;
    }
    for (const auto& [id, parent] : parents) {
        // A native executable is the game itself; a session script's own process is not.
        const bool qualifies = (nativeRun && id == gamePid) || descendsFrom(id, gamePid, parents);
        if (!qualifies) {
            continue;
        }
        const std::optional<std::wstring> image = imagePathOf(id);
        if (!image || !isGameImage(*image, gameImagePath)) {
            continue;
        }
        GameWindowSearch search{id, nullptr, nativeRun};
        for (const platform::TopLevelWindow& window : windows) {
            if (!findGameWindowCallback(window, search)) {
                break;
            }
        }
        if (search.window != nullptr) {
            return FoundGameWindow{search.window, id};
        }
    }
    return std::nullopt;
}

std::wstring runningGameSentence(const RunningGameKind& kind) {
    if (kind.runningQx3Native) {
        return kind.qx3Edition == 2 ? L"QX3 (Remastered) running." : L"QX3 (Original) running.";
    }
    if (kind.qx2NativePlayable) {
        return L"QUARRIX II running.";
    }
    if (kind.nativeRun) {
        return kind.nativeLiveTest ? L"Native live test running." : L"Native test running.";
    }
    return std::wstring(gameTable.at(static_cast<std::size_t>(kind.selectedGame)).marqueeTitle) +
           L" running.";
}

std::wstring closedGameSentence(const RunningGameKind& kind, std::uint32_t exitCode) {
    const bool failed = exitCode != 0;
    if (kind.runningQx3Native) {
        return failed ? L"QX3 closed with an error; the Logs button opens its log."
                      : L"QX3 closed.";
    }
    if (kind.qx2NativePlayable) {
        return failed ? L"The game closed with an error; the Logs button opens its log."
                      : L"Game closed.";
    }
    if (kind.nativeRun) {
        if (failed) {
            return L"Native test closed with an error; see logs/native-experiment-latest.log.";
        }
        return kind.nativeLiveTest ? L"Native live test closed." : L"Native test closed.";
    }
    if (!failed) {
        return L"Game closed.";
    }
    if (kind.selectedGame == 0) {
        return L"The game closed with an error; the Logs button opens its log.";
    }
    return std::wstring(L"The game closed with an error; details in ") +
           (kind.selectedGame == 2 ? L"logs/qx3-native" : L"logs/qx2-v1") +
           L"/launcher-latest.log.";
}

} // namespace qxlauncher
