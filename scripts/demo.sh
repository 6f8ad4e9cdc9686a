#!/usr/bin/env bash
# The launcher's main job on the demo collection: build the Linux launcher, lay out a demo
# project root (fake ROM files with their digests, the fake setup script and interpreter), then
# prepare all three games headless, as `LumenarkRecomp --prepare --roms <folder> --confirm-roms`.
# Then show the launcher on it: its window when a display is present ($DISPLAY), else a capture
# of every page and of the three Settings captures, written into the demo folder.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target LumenarkRecomp make_demo_collection make_ready_games
demo="$PWD/out/demo"
out/linux/bin/make_demo_collection "$demo" >/dev/null
export LUMENARK_DESKTOP_DIR="$demo.desktop"
set +e
PATH="$demo/interpreters:$PATH" "$demo/LumenarkRecomp" --prepare --roms "$demo/roms" --confirm-roms
code=$?
set -e
echo "prepare exit code: $code"
echo "build receipts:"
find "$demo/generated" -name setup.json 2>/dev/null | sed "s|$demo/||" || true

# The setup leaves receipts; the packages beside them, a stand-in game and the stand-in
# PowerShell of the system folder let PLAY start the games that the launcher judges by sizes.
export LUMENARK_SYSTEM_DIR="$demo.system"
out/linux/bin/make_ready_games "$demo" "$LUMENARK_SYSTEM_DIR"

set +e
if [ -n "${DISPLAY:-}" ]; then
    echo "opening the launcher window on $demo (close it to finish)"
    (cd "$demo" && PATH="$demo/interpreters:$PATH" ./LumenarkRecomp)
    shown=$?
    echo "launcher exit code: $shown"
else
    captures="$demo/captures"
    mkdir -p "$captures"
    # Without a display SDL draws off screen.
    export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-offscreen}"
    shown=0
    capture() {
        local name=$1
        shift
        "$demo/LumenarkRecomp" "$@" || shown=$?
        echo "  $captures/$name"
    }
    echo "no display (DISPLAY is not set): captures of the launcher's pages instead"
    for page in overview roms build play legal; do
        capture "$page.png" --ui-capture "$captures/$page.png" "$page"
    done
    capture settings-launcher.png --settings-capture "$captures/settings-launcher.png"
    capture settings-controls.png --settings-capture "$captures/settings-controls.png" controls
    capture settings-display.png --settings-capture "$captures/settings-display.png" display
    echo "captures written to $captures"
fi
set -e
[ "$code" -ne 0 ] || code=$shown
exit "$code"
