#!/usr/bin/env bash
# Plays a game on the demo collection as a person would: the real Linux launcher in a real X
# window (Xvfb, SDL's x11 driver, openbox so that minimising and restoring really happen), driven
# with the mouse through xdotool. It prepares the demo headless, lays out what makes two games
# ready, opens the window, clicks the first cabinet and PLAY, sees the fake game start with its
# arguments and environment and the launcher step aside, ends the game, sees the launcher come
# back, and closes the window. Every step waits, within a bound, for an explicit signal: a log
# line, a file, the window's state. A screenshot of each page passed goes to the output folder.
#
# usage: play_like_a_person.sh <folder of the built programs> <output folder>
set -euo pipefail

bin=$(cd "$1" && pwd)
out=$2
mkdir -p "$out"
out=$(cd "$out" && pwd)
work="$out/work"
root="$work/root"
system="$work/system"
desktop="$work/desktop"
hold="$work/game-hold"
ui_log="$root/logs/temporaria-8/ui-latest.log"
launcher_output="$work/launcher-output.txt"

# How long any one step may take; generous, since CTest runs other tests beside this one.
step_seconds=60

launcher_pid=""
probe_pid=""
wm_pid=""
xvfb_pid=""
window=""

fail() {
    echo "e2e: FAILED: $*" >&2
    for file in "$ui_log" "$launcher_output" "$work/openbox.txt"; do
        if [ -f "$file" ]; then
            echo "--- last lines of $file" >&2
            tail -n 20 "$file" >&2
        fi
    done
    exit 1
}

step() {
    echo "e2e: $*"
}

# Polls a condition until it holds, at most the given seconds; fails with the description, and
# at once when the launcher ended while it should still run.
launcher_should_run=no
wait_until() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        if [ "$launcher_should_run" = yes ] && ! kill -0 "$launcher_pid" 2>/dev/null; then
            fail "the launcher ended before $what"
        fi
        if [ "$SECONDS" -ge "$deadline" ]; then
            fail "no sign within ${seconds} s that $what"
        fi
        sleep 0.05
    done
}

stop_pid() {
    local pid=$1
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 100); do
            kill -0 "$pid" 2>/dev/null || return 0
            sleep 0.05
        done
        kill -KILL "$pid" 2>/dev/null || true
    fi
}

cleanup() {
    # A game still held ends once its hold file is gone.
    rm -f "$hold"
    stop_pid "$launcher_pid"
    stop_pid "$probe_pid"
    stop_pid "$wm_pid"
    stop_pid "$xvfb_pid"
}
trap cleanup EXIT

for tool in Xvfb openbox xmessage xdotool xprop xwininfo import identify; do
    command -v "$tool" >/dev/null ||
        fail "'$tool' is missing; scripts/install-deps.sh installs what this test needs"
done

# --- The demo collection, prepared headless ---------------------------------------------------
rm -rf "$work"
mkdir -p "$work" "$desktop"
rm -f "$out"/*.png
step "laying out the demo collection in $root"
"$bin/make_demo_collection" "$root" >/dev/null
step "preparing it headless"
set +e
PATH="$root/interpreters:$PATH" LUMENARK_DESKTOP_DIR="$desktop" \
    "$root/LumenarkRecomp" --prepare --roms "$root/roms" --confirm-roms >"$work/prepare.txt" 2>&1
prepare_code=$?
set -e
[ "$prepare_code" -eq 0 ] || fail "the headless prepare ended with $prepare_code: $(cat "$work/prepare.txt")"
grep -qx 'progress 1.000 Ready to play' "$work/prepare.txt" ||
    fail "the headless prepare never reported 'Ready to play'"
for id in qx1 qx2 qx3; do
    compgen -G "$root/generated/$id/*/setup.json" >/dev/null ||
        fail "the headless prepare left no build receipt for $id"
done

step "laying out the ready games and the stand-in system folder"
"$bin/make_ready_games" "$root" "$system" --hold "$hold"

# --- A display, a window manager, the launcher --------------------------------------------------
step "starting Xvfb"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display-number" \
    >"$work/xvfb.txt" 2>&1 &
xvfb_pid=$!
display_known() { [ -s "$work/display-number" ]; }
wait_until "$step_seconds" "Xvfb is ready" display_known
DISPLAY=":$(head -n 1 "$work/display-number")"
export DISPLAY

step "starting openbox on $DISPLAY"
openbox --sm-disable >"$work/openbox.txt" 2>&1 &
wm_pid=$!
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_until "$step_seconds" "openbox claims the display" wm_running
# openbox claims the display before it has finished starting (on a fresh machine it builds the
# font cache then), and a window mapped in between is never managed: SDL would wait for its map
# for ever. A probe window that openbox manages says it is ready; a probe it missed is replaced.
probe_since=0
wm_manages_a_probe() {
    if [ -z "$probe_pid" ] || [ $((SECONDS - probe_since)) -ge 3 ]; then
        [ -z "$probe_pid" ] || kill "$probe_pid" 2>/dev/null || true
        xmessage -title e2e-wm-probe "window manager probe" >/dev/null 2>&1 &
        probe_pid=$!
        probe_since=$SECONDS
        return 1
    fi
    local id
    for id in $(xdotool search --name '^e2e-wm-probe$' 2>/dev/null); do
        xprop -id "$id" WM_STATE 2>/dev/null | grep -q 'window state: Normal' && return 0
    done
    return 1
}
wait_until "$step_seconds" "openbox manages windows" wm_manages_a_probe
stop_pid "$probe_pid"
probe_pid=""

log_has() { [ -f "$ui_log" ] && grep -qF -- "$1" "$ui_log"; }

step "starting the launcher"
# The game must get the launcher's own environment without its QX1_ variables.
(cd "$root" && exec env SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
    LUMENARK_SYSTEM_DIR="$system" LUMENARK_DESKTOP_DIR="$desktop" \
    QX1_STALE=inherited E2E_MARK=kept ./LumenarkRecomp) >"$launcher_output" 2>&1 &
launcher_pid=$!
launcher_should_run=yes
wait_until "$step_seconds" "the launcher drew its first frame (launcher-ready)" \
    log_has "launcher-ready ms="

find_window() {
    window=$(xdotool search --onlyvisible --class '^LumenarkRecomp$' 2>/dev/null | head -n 1)
    [ -n "$window" ]
}
wait_until "$step_seconds" "the launcher window is on the screen" find_window

window_state() { xprop -id "$window" WM_STATE 2>/dev/null | sed -n 's/.*window state: //p'; }
window_is() { [ "$(window_state)" = "$1" ]; }
viewable() { xwininfo -id "$window" 2>/dev/null | grep -q 'Map State: IsViewable'; }
shown() { window_is Normal && viewable; }
wait_until "$step_seconds" "the window manager shows the launcher window" shown

# --- The design space in the window --------------------------------------------------------------
# The frame maps 1024 design units of height, and 1536 to 1820.4445 of width, letterboxed and
# centred into the client area.
client_width=0
client_height=0
read_geometry() {
    client_width=$(xwininfo -id "$window" | sed -n 's/^ *Width: //p')
    client_height=$(xwininfo -id "$window" | sed -n 's/^ *Height: //p')
}
design_width() {
    awk -v w="$client_width" -v h="$client_height" 'BEGIN {
        dw = w * 1024 / h
        if (dw < 1536) dw = 1536
        if (dw > 1820.4445) dw = 1820.4445
        print dw
    }'
}
# design_x <expression>: a design x computed from the design width dw (controls aligned right,
# and the cabinets, which spread out as the window widens, follow it).
design_x() {
    awk -v dw="$(design_width)" "BEGIN { print $1 }"
}
# design_point <x> <y>: the client pixel of a design point, as "x y".
design_point() {
    awk -v w="$client_width" -v h="$client_height" -v dw="$(design_width)" -v x="$1" -v y="$2" \
        'BEGIN {
        s = h / 1024
        if (w / dw < s) s = w / dw
        printf "%d %d\n", (w - dw * s) / 2 + x * s, (h - 1024 * s) / 2 + y * s
    }'
}
# click_design <x> <y>: moves the pointer there as a person would, then presses and releases the
# left button.
click_design() {
    local point
    point=$(design_point "$@")
    # shellcheck disable=SC2086
    xdotool mousemove --window "$window" $point
    xdotool click 1
}

# A picture of the window that holds a drawn frame (a window just restored is black until the
# launcher presents again; a frame of the full Play page takes a while on the CPU renderer).
drawn_picture() {
    import -silent -window "$window" "$1" 2>/dev/null &&
        awk -v m="$(identify -format '%[fx:maxima]' "$1")" 'BEGIN { exit !(m > 0) }'
}
screenshot() {
    # For the picture only: a frame after the last event has most likely been presented by now.
    sleep 0.3
    wait_until "$step_seconds" "the window shows a drawn frame for $1.png" drawn_picture "$out/$1.png"
    step "screenshot $out/$1.png"
}

# red_at <x> <y>: the red channel (0 to 255) of the window's pixel at a design point.
red_at() {
    local point x y
    point=$(design_point "$@")
    read -r x y <<<"$point"
    import -silent -window "$window" -crop "1x1+$x+$y" txt:- 2>/dev/null |
        sed -n 's/.*#\([0-9A-Fa-f][0-9A-Fa-f]\).*/\1/p' | head -n 1 | xargs -I{} printf '%d\n' 0x{}
}

read_geometry
step "launcher window ${client_width}x${client_height} (id $window)"

first_product="$root/build/native/manual-temporary-8-20261025/product"
shell_record="$system/WindowsPowerShell/v1.0/fake-powershell-record.txt"
game_record="$first_product/fake-game-record.txt"

record_complete() { [ -f "$1" ] && [ "$(tail -n 1 "$1")" = ready ]; }
record_has() { grep -qxF -- "$1" "$2" || fail "$(basename "$2") lacks the line '$1'"; }
record_lacks() { ! grep -q -- "$1" "$2" || fail "$(basename "$2") has a line matching '$1'"; }

# The session script's host gets the script and the first game's session parameters; the game
# it starts gets the launcher's environment with the game's settings in it.
check_game_start() {
    local expected=(
        "$system/WindowsPowerShell/v1.0/powershell.exe" -NoLogo -NoProfile -NonInteractive
        -ExecutionPolicy Bypass -WindowStyle Hidden -File "$first_product/session.ps1"
        -ProjectRoot "$root" -WindowFrames 0 -GameMode original
    )
    local given
    given=$(sed -n 's/^arg=//p' "$shell_record" | head -n "${#expected[@]}")
    [ "$given" = "$(printf '%s\n' "${expected[@]}")" ] ||
        fail "the session script's host got other arguments: $given"
    record_has "cwd=$root" "$shell_record"
    record_has "arg=-FromSession" "$game_record"
    record_has "stdin-bytes=0" "$game_record"
    record_has "env=E2E_MARK=kept" "$game_record"
    record_lacks "^env=QX1_STALE=" "$game_record"
    record_has "env=QX1_SCANLINES=0" "$game_record"
    record_has "env=QX1_CRT_PRESET=off" "$game_record"
    record_has "env=QX1_MUSIC_MODE=original" "$game_record"
    record_has "env=LUMENARK_DESKTOP_DIR=$desktop" "$game_record"
    local controls
    controls=$(sed -n 's/^env=QX1_CONTROLS=//p' "$game_record")
    [ "$(tr ',' '\n' <<<"$controls" | wc -l)" -eq 51 ] ||
        fail "QX1_CONTROLS is not 24 keys, 24 pad masks and 3 switches: '$controls'"
}

# The Play page is the start page when the setup has built a game. A person points at the
# first cabinet (its region is the cabinet lowered by 15), looks, and clicks it.
cabinet_x=$(design_x '250 + 48 * (dw - 1536) / 284.44446 + 165')
# shellcheck disable=SC2046
xdotool mousemove --window "$window" $(design_point "$cabinet_x" 510)
screenshot 01-play
step "clicking the first cabinet"
click_design "$cabinet_x" 510
wait_until "$step_seconds" "the first cabinet was selected (game-select 0)" \
    log_has "game-select 0"
# PLAY lights up (its red face) once the selected game is the loaded one and the background
# poll has found its package intact.
play_lit() { [ "$(red_at "$(design_x 'dw - 268')" 914)" -ge 100 ]; }
wait_until "$step_seconds" "PLAY is enabled for the first game" play_lit
screenshot 02-play-selected
step "clicking PLAY"
click_design "$(design_x 'dw - 158')" 914
game_started() {
    ! log_has "game-start-error" || fail "PLAY was refused (game-start-error)"
    log_has "game-start 0"
}
wait_until "$step_seconds" "the game started (game-start 0)" game_started
wait_until "$step_seconds" "the session script's host started" record_complete "$shell_record"
wait_until "$step_seconds" "the fake game started" record_complete "$game_record"
check_game_start
step "the game runs with its arguments and environment"
wait_until "$step_seconds" "the launcher minimised itself for the game" window_is Iconic
step "the launcher is minimised; ending the game"
rm -f "$hold"
wait_until "$step_seconds" "the launcher saw the game end (game-return exit=0)" \
    log_has "game-return exit=0"
wait_until "$step_seconds" "the launcher came back after the game" shown
grep -q "fake game output" "$root/logs/temporaria-8/launcher-latest.log" ||
    fail "the game's log holds none of its output"
screenshot 03-play-after-the-game
step "closing the launcher with the title bar's close button"
click_design "$(design_x 'dw - 24')" 17

launcher_should_run=no
launcher_gone() { ! kill -0 "$launcher_pid" 2>/dev/null; }
wait_until "$step_seconds" "the launcher ends after its window closed" launcher_gone
set +e
wait "$launcher_pid"
launcher_code=$?
set -e
launcher_pid=""
[ "$launcher_code" -eq 0 ] || fail "the launcher ended with exit code $launcher_code"
log_has "launcher-close frames=" || fail "the UI event log has no 'launcher-close frames=' line"
frames=$(sed -n 's/.* launcher-close frames=//p' "$ui_log" | tail -n 1)
[ "${frames:-0}" -gt 0 ] || fail "the launcher closed after presenting no frame"
step "the launcher closed after $frames frames"
echo "e2e: passed; screenshots in $out"
