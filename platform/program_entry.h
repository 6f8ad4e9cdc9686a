#pragma once
// The OS entry (wWinMain on Windows, main on Linux) hands over to the launcher at once.
int launcherMain();
