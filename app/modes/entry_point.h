#pragma once
// The launcher's start-up and shutdown: mode choice, single instance, the fatal path.
#include "app/navigation.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lumenark {

inline constexpr std::uint32_t executablePathBufferUnits = 32768;
inline constexpr const wchar_t* launcherMutexName = L"Local\\LumenarkRecompLauncher";
inline constexpr const wchar_t* launcherWindowClass = L"QxArcadeCollection";
inline constexpr const wchar_t* launcherWindowTitle = L"Lumenark Recomp";
inline constexpr int fatalExitCode = 4;

enum class LaunchMode { window, prepare, capture, diagnostic };

// The mode of an argument list (the program name left out), by exact comparison of the first.
LaunchMode chooseLaunchMode(const std::vector<std::wstring>& arguments);

// A result of 0, or one that filled the whole buffer, means the path is not known.
bool acceptModulePathLength(std::uint32_t returnedUnits, std::uint32_t bufferUnits);

struct CaptureRequest {
    std::filesystem::path pngPath;
    bool settingsOpen = false;
    SettingsTab tab = SettingsTab::launcher;
    std::optional<NavSection> section;
};

// The page of a capture argument list ("unknown capture page").
CaptureRequest parseCaptureRequest(const std::vector<std::wstring>& arguments);

// The text of the fatal message box for an error text.
std::wstring fatalMessageText(const std::string& errorText);

} // namespace lumenark
