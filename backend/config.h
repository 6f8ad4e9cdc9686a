#pragma once
// A game's preferences.
namespace qxlauncher {

struct Config {};

// The defaults of one game kind.
Config defaultConfig(int gameKind);

} // namespace qxlauncher
