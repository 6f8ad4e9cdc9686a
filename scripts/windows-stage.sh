#!/usr/bin/env bash
# The Windows product itself, LumenarkRecomp.exe, in a Debian 13 root with Wine 10 and Mesa's CPU
# Vulkan driver, whose Direct3D 12 runs the launcher's renderer (Wine 8 cannot compile its shader).
# On a demo collection laid out by the Windows make_demo_collection.exe it prepares the three
# games headless, writes every capture page, opens the window on a virtual display (the Play
# page, PgDn to Settings, the title bar's close button) and starts once without a Vulkan driver,
# where the fatal box must stay until Enter dismisses it. Then the Linux build draws the same
# pages and window, and tests/windows_stage compares the two builds' frames.
#
# The root is made once with debootstrap and kept in $LUMENARK_STAGE_CACHE (default
# /var/cache/lumenark/windows-stage), a folder of the stage's own, with a stamp naming its package
# list. Everything the stage mounts and starts lives in a mount and a PID namespace of its own,
# which end with it however it stops, a kill included. Needs root. Outside CI it skips with one
# line when it cannot run; in CI (CI set) that is a failure. Everything it writes is under
# out/windows/stage/.
#
# usage: scripts/windows-stage.sh   (after both presets are built, as scripts/run-tests.sh does)
set -euo pipefail
cd "$(dirname "$0")/.."
project=$PWD

suite=trixie
root_packages=(wine wine64 libvulkan1 mesa-vulkan-drivers xvfb xauth xdotool)
cache=$(realpath -m "${LUMENARK_STAGE_CACHE:-/var/cache/lumenark/windows-stage}")
root="$cache/root"
fresh_root="$cache/root.new"
stamp="$cache/stamp"
stamp_text="debootstrap --variant=minbase $suite; packages: ${root_packages[*]}"
# Written when the stage makes its cache; a folder without it is not the stage's to change.
marker="$cache/made-by-windows-stage"
cache_entries=(made-by-windows-stage lock stamp root root.new debootstrap.log packages.log)

out="$project/out/windows/stage"
win_bin="$project/out/windows/bin"
linux_bin="$project/out/linux/bin"

# Everything of a run lives in /stage of the root; on Wine's drive Z:\, the Linux file system, as
# a player's folder under Wine would be.
run="$root/stage"
prefix="$run/prefix"
demo_windows='Z:\stage\demo'
demo="$run/demo"
captures_windows='Z:\stage\captures'
captures="$run/captures"
ui_log="$demo/logs/temporaria-8/ui-latest.log"
pages=(overview roms build play legal settings-launcher settings-controls settings-display)
linux_root="$out/linux-root"
linux_ui_log="$linux_root/logs/temporaria-8/ui-latest.log"
export LUMENARK_DESKTOP_DIR="$out/linux-desktop"
# Set as the stage goes: the Windows display's number once its Xvfb runs (in_root passes it on),
# and the reruns the closing line names.
display_number=""
reruns="none"

# The display's size: room for the 1536 x 1024 capture window, and narrower than 3:2, so that the
# full-screen window has letterbox bands.
screen_width=1600
screen_height=1200
# The window's design space, scaled to the display's width and centred in its height, and the
# title bar's close button in it.
design_width=1536
design_height=1024
close_button_x=$((design_width - 24))
close_button_y=17
# How long one step may take; lavapipe draws on the CPU, and CI machines are slow. Making the
# root downloads a few hundred megabytes.
step_seconds=180
root_step_seconds=1800

# Wine 10's Vulkan layer sometimes fails an assertion after the launcher closed its window
# ("launcher-close" logged, then exit 3, the C runtime's abort): Wine's fault, not the
# launcher's. The window then runs once more; any other end is a failure. The Windows half of
# that layer asserts only that a call into its Unix half succeeded: "!status" in loader.c, and
# '!status && "<function>"' in loader_thunks.c.
wine_assertion='^Assertion failed: !status( && "vk[A-Za-z0-9]+")?, file dlls/winevulkan/loader(_thunks)?\.c, line [0-9]+[[:space:]]*$'

# --- Messages ------------------------------------------------------------------------------------

say() { echo "windows stage: $*"; }
fail() {
    say "FAILED: $*" >&2
    exit 1
}
skip() {
    if [ -n "${CI:-}" ]; then
        fail "cannot run in CI: $*"
    fi
    say "skipped: $*"
    exit 0
}

# --- Waiting and steps -----------------------------------------------------------------------------

alive() { kill -0 "$1" 2>/dev/null; }
gone() { ! alive "$1"; }

# wait_until <seconds> <what> <command...>: polls the command until it succeeds, at most the
# given seconds.
wait_until() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || fail "no sign within ${seconds} s that $what"
        sleep 0.1
    done
}

# run_step <what> <seconds> <log> <command...>: a step in the background, so that a TERM acts at
# once, its output in the log; sets step_code. A step over its time fails the stage, and the end
# of the namespace takes its processes.
run_step() {
    local what=$1 seconds=$2 log=$3
    shift 3
    "$@" >"$log" 2>&1 </dev/null 9>&- &
    local pid=$! deadline=$((SECONDS + seconds))
    while alive "$pid"; do
        [ "$SECONDS" -lt "$deadline" ] || fail "$what took longer than ${seconds} s (see $log)"
        sleep 0.2
    done
    step_code=0
    wait "$pid" || step_code=$?
}

# exit_code_of <pid>: sets exit_code to how a background child that has ended ended.
exit_code_of() {
    exit_code=0
    wait "$1" || exit_code=$?
}

# --- The cache, the lock and an older run's leftovers (in the host's namespaces) -----------------

# The mount points of this mount table (mountinfo's fifth field, its octal escapes decoded).
mount_points() {
    local point
    while read -r _ _ _ _ point _; do
        printf '%b\n' "$(printf '%s' "$point" | sed 's/\\\([0-7]\{3\}\)/\\0\1/g')"
    done </proc/self/mountinfo
}

# The mount points under the cache, deepest first.
mounts_in_cache() {
    local point
    mount_points | while IFS= read -r point; do
        case $point in "$cache" | "$cache"/*) echo "$point" ;; esac
    done | sort -r
}

# The host's processes whose root is in the cache: an older run's, since those of a stage end
# with its namespace.
processes_in_cache() {
    find /proc -mindepth 2 -maxdepth 2 -name root \( -lname "$cache" -o -lname "$cache/*" \) \
        -printf '%h\n' 2>/dev/null | sed 's|^/proc/||'
}

# The processes other than this one that hold the lock file open.
lock_holders() {
    find /proc/[0-9]*/fd -mindepth 1 -maxdepth 1 -lname "$cache/lock" -printf '%h\n' 2>/dev/null |
        sed 's|^/proc/||; s|/fd$||' | grep -vx "$$" | sort -u
}

# The cache is the stage's when it holds the marker and nothing the stage does not make. An
# empty folder becomes the stage's; so does one that an older stage made before the marker
# (only known entries, and its stamp or debootstrap log).
claim_cache() {
    local entries=() entry foreign=()
    mkdir -p "$cache"
    [ -d "$cache" ] || fail "the stage's cache $cache is not a folder (LUMENARK_STAGE_CACHE)"
    shopt -s nullglob dotglob
    entries=("$cache"/*)
    shopt -u nullglob dotglob
    for entry in "${entries[@]##*/}"; do
        [[ " ${cache_entries[*]} " == *" $entry "* ]] || foreign+=("$entry")
    done
    [ ${#foreign[@]} -eq 0 ] || fail "$cache holds what the stage did not make (${foreign[*]}):" \
        "not the stage's cache; point LUMENARK_STAGE_CACHE at a folder of its own"
    [ ! -e "$marker" ] || return 0
    if [ ${#entries[@]} -gt 0 ] && [ ! -e "$stamp" ] && [ ! -e "$cache/debootstrap.log" ]; then
        fail "$cache holds ${entries[*]##*/} but no ${marker##*/}: not the stage's cache"
    fi
    echo "made by scripts/windows-stage.sh; delete the whole folder to start afresh" >"$marker"
}

# kill_leftovers <pid...>: ends processes of an older run and waits for their end.
kill_leftovers() {
    local pid
    say "ending $# processes an older run left: $*"
    kill -KILL "$@" 2>/dev/null || true
    for pid in "$@"; do
        wait_until 10 "process $pid of an older run ended" gone "$pid"
    done
}

# A holder of the lock left by an older run that was killed: in the root, or orphaned.
leftover_holder() {
    case $(readlink "/proc/$1/root" 2>/dev/null) in "$cache" | "$cache"/*) return 0 ;; esac
    [ "$(awk '/^PPid:/ { print $2 }' "/proc/$1/status" 2>/dev/null)" = 1 ]
}

# lock_within <seconds>: takes the lock, trying each second (no waiting child to outlive a stop).
lock_within() {
    local deadline=$((SECONDS + $1))
    until flock -n 9; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 1
    done
}

# One stage at a time uses the cache (another checkout's test command may run beside this one).
# Only this shell holds the lock: its end, a kill included, frees it. An older run's processes
# that still hold it are ended.
take_lock() {
    local holders=() pid live=()
    exec 9>"$cache/lock"
    flock -n 9 && return 0
    mapfile -t holders < <(exec 9>&- && lock_holders)
    for pid in "${holders[@]}"; do
        leftover_holder "$pid" || live+=("$pid")
    done
    if [ ${#live[@]} -gt 0 ] || [ ${#holders[@]} -eq 0 ]; then
        say "waiting for the stage that holds $cache/lock (process ${live[*]})"
        lock_within 3600 || fail "another stage held $cache/lock for an hour (process ${live[*]})"
        return 0
    fi
    kill_leftovers "${holders[@]}"
    lock_within 10 || fail "$cache/lock is still held after an older run's processes ended"
}

# An older run's processes and mounts under the cache are cleared before anything is mounted.
clear_leftovers() {
    local leftovers=() point
    mapfile -t leftovers < <(exec 9>&- && processes_in_cache)
    [ ${#leftovers[@]} -eq 0 ] || kill_leftovers "${leftovers[@]}"
    mapfile -t leftovers < <(mounts_in_cache)
    [ ${#leftovers[@]} -eq 0 ] && return 0
    say "unmounting ${#leftovers[@]} mounts an older run left under $cache"
    for point in "${leftovers[@]}"; do
        umount "$point" 2>/dev/null || umount -l "$point" ||
            fail "cannot unmount $point, which an older run left"
    done
    mapfile -t leftovers < <(mounts_in_cache)
    [ ${#leftovers[@]} -eq 0 ] || fail "mounts an older run left remain: ${leftovers[*]}"
}

# --- The namespace ---------------------------------------------------------------------------------

# unshare makes every mount of the new namespace private from "/". In a chroot (CI's fresh
# Debian root) "/" is no mount, and its propagation cannot change; there the namespace makes the
# mounts it sees private, and a probe shows whether a mount under the cache would still reach
# this mount table.
choose_propagation() {
    if mountpoint -q /; then
        propagation=private
        return
    fi
    propagation=unchanged
    unshare --mount --propagation unchanged -- bash "$project/scripts/windows-stage.sh" --mount-probe ||
        fail "cannot mount in a mount namespace of its own"
    if [ -n "$(mounts_in_cache)" ]; then
        clear_leftovers
        fail "a mount under $cache would reach the host's mount table (its file system is shared)"
    fi
}

make_visible_mounts_private() {
    local point
    mount_points | while IFS= read -r point; do
        mount --make-private "$point" || exit 1
    done
}

# The probe, in a mount namespace that ends with it.
mount_probe() {
    make_visible_mounts_private && mount -t tmpfs stage-probe "$cache"
}

# The stage's steps run in a mount and a PID namespace whose first process is this script again.
# unshare's parent ignores TERM and INT while it waits, so this shell ends the namespace at once
# by killing it; a kill of this shell kills unshare (setpriv's parent-death signal), and the end
# of unshare kills the namespace's first process, whose end ends every other.
run_in_namespace() {
    setpriv --pdeathsig KILL -- unshare --mount --propagation "$propagation" --pid --fork \
        --kill-child --mount-proc -- bash "$project/scripts/windows-stage.sh" --in-namespace \
        "$propagation" "$started_at" 9>&- &
    namespace=$!
    trap 'stop_namespace TERM 143' TERM
    trap 'stop_namespace INT 130' INT
    exit_code_of "$namespace"
    trap - TERM INT
    # The namespace's own failures print their line; a kill of it prints none.
    case $exit_code in 0 | 1) exit "$exit_code" ;; esac
    fail "the stage's namespace ended with $exit_code (killed?); nothing of it is left"
}

stop_namespace() {
    kill -KILL "$namespace" 2>/dev/null || true
    wait "$namespace" 2>/dev/null || true
    say "stopped by $1; the stage's namespace, its mounts and processes ended with it" >&2
    exit "$2"
}

# --- The root (in the namespace) -------------------------------------------------------------------

# mount_system <root>: a fresh /proc of the namespace's processes, the host's /sys, /dev and
# /dev/pts, and a /dev/shm and /tmp of the root's own.
mount_system() {
    local where=$1
    mkdir -p "$where/proc" "$where/sys" "$where/dev" "$where/tmp"
    mount -t proc proc "$where/proc"
    mount --bind /sys "$where/sys"
    mount --bind /dev "$where/dev"
    mount --bind /dev/pts "$where/dev/pts"
    mount -t tmpfs -o mode=1777 stage-shm "$where/dev/shm"
    mount -t tmpfs -o mode=1777 stage-tmp "$where/tmp"
}

unmount_system() {
    local where=$1 m
    for m in tmp dev/shm dev/pts dev sys proc; do
        umount "$where/$m"
    done
}

# remove_in_cache <path...>: removes what the stage made in its cache; never through a mount.
remove_in_cache() {
    local path point
    for path in "$@"; do
        while IFS= read -r point; do
            case $point in "$path" | "$path"/*) fail "$point is mounted, so $path is not removed" ;; esac
        done < <(mounts_in_cache)
    done
    rm -rf --one-file-system "$@"
}

make_root() {
    local mirror
    # The machine's Debian mirror, from its apt sources; its one-line failure names what it read.
    mirror=$("$linux_bin/debian_mirror" 2>"$out/logs/debian-mirror.txt") ||
        skip "$(head -n 1 "$out/logs/debian-mirror.txt")"
    say "making the Debian 13 root in $root from $mirror (once; kept for later runs)"
    remove_in_cache "$fresh_root" "$root" "$stamp"
    run_step "debootstrap of $suite" "$root_step_seconds" "$cache/debootstrap.log" \
        debootstrap --variant=minbase "$suite" "$fresh_root" "$mirror"
    [ "$step_code" -eq 0 ] || skip "debootstrap of $suite from $mirror failed (see $cache/debootstrap.log)"
    cp /etc/resolv.conf "$fresh_root/etc/resolv.conf"
    mount_system "$fresh_root"
    run_step "installing ${root_packages[*]} in the root" "$root_step_seconds" "$cache/packages.log" \
        chroot "$fresh_root" /usr/bin/env -i DEBIAN_FRONTEND=noninteractive \
        PATH=/usr/sbin:/usr/bin:/sbin:/bin sh -c \
        "apt-get update -qq && apt-get install -y -qq --no-install-recommends ${root_packages[*]}"
    [ "$step_code" -eq 0 ] || fail "installing ${root_packages[*]} in the root failed (see $cache/packages.log)"
    unmount_system "$fresh_root"
    mv "$fresh_root" "$root"
    echo "$stamp_text" >"$stamp"
}

# in_root <command...>: a command in the root with the stage's environment. Vulkan's X11 surface
# needs XDG_RUNTIME_DIR; no Mono or Gecko prompt; lavapipe's threads bounded.
in_root() {
    chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/bin:/bin LANG=C.UTF-8 LC_ALL=C.UTF-8 \
        WINEPREFIX=/stage/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        XDG_RUNTIME_DIR=/stage/tmp LP_NUM_THREADS=4 ${display_number:+DISPLAY=":$display_number"} \
        "$@"
}

# The root, made once or reused, with the run's folder /stage in it (the Wine prefix is kept
# between runs) and the system's folders mounted.
ready_root() {
    if [ "$(cat "$stamp" 2>/dev/null)" != "$stamp_text" ] || [ ! -x "$root/usr/bin/wine" ]; then
        make_root
    else
        [ ! -e "$fresh_root" ] || remove_in_cache "$fresh_root"
        say "reusing the Debian 13 root in $root"
    fi
    remove_in_cache "$run/bin" "$run/fb" "$run/tmp"
    mkdir -p "$run/bin" "$run/fb" "$run/tmp"
    chmod 700 "$run/tmp"
    cp "$win_bin/LumenarkRecomp.exe" "$win_bin/make_demo_collection.exe" "$win_bin/fake_python.exe" \
        "$run/bin/"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    mount_system "$root"
    if [ ! -f "$prefix/system.reg" ]; then
        say "creating the Wine prefix (once)"
        run_step "wineboot" "$step_seconds" "$out/logs/wineboot.txt" \
            in_root sh -c 'wineboot -i && wineserver -w'
        [ "$step_code" -eq 0 ] && [ -f "$prefix/system.reg" ] ||
            fail "wineboot made no prefix (exit $step_code; see $out/logs/wineboot.txt)"
    fi
}

# --- The displays ----------------------------------------------------------------------------------

# start_xvfb <variable> <display file> <log> <framebuffer folder> [runner...]: Xvfb in the
# background (through the runner, if one is given), its screen kept in the folder as an XWD file;
# sets the variable to its display number. No lock files: an X server of another PID namespace
# would take those of a live one for stale.
start_xvfb() {
    local variable=$1 display_file=$2 log=$3 framebuffer=$4
    shift 4
    rm -f "$display_file"
    "$@" Xvfb -displayfd 3 -nolock -screen 0 "${screen_width}x${screen_height}x24" \
        -fbdir "$framebuffer" -nolisten tcp 3>"$display_file" >"$log" 2>&1 9>&- &
    xvfb=$!
    xvfb_log=$log
    wait_until 60 "Xvfb is ready (see $log)" xvfb_ready "$display_file"
    printf -v "$variable" '%s' "$(head -n 1 "$display_file")"
}
xvfb_ready() {
    alive "$xvfb" || fail "Xvfb ended: $(tail -n 3 "$xvfb_log")"
    [ -s "$1" ]
}

# The X sockets of the namespace's servers in a folder of its own.
start_windows_display() {
    start_xvfb display_number "$run/tmp/display" "$out/logs/xvfb.txt" /stage/fb in_root
}

# screenshot <XWD file> <file.png>: the whole screen now.
screenshot() {
    convert "xwd:$1" "$2" || fail "cannot read the screen $1 into $2"
}
# drawn <file.png>: whether it holds a drawn frame, not a black screen with a pointer.
drawn() {
    local mean
    mean=$(identify -format '%[fx:mean]' "$1") || fail "cannot read $1"
    awk -v m="$mean" 'BEGIN { exit !(m > 0.02) }'
}
# same_frames <a.png> <b.png>: whether two frames of one build show the same (its figures in
# logs/same-build.txt).
same_frames() {
    local code=0
    "$linux_bin/compare_captures" --same-build "$1" "$2" >>"$out/logs/same-build.txt" 2>&1 || code=$?
    [ "$code" -le 1 ] || fail "compare_captures --same-build $1 $2 failed (see $out/logs/same-build.txt)"
    return "$code"
}
# settled_shot <XWD file> <file.png>: a new screenshot that is drawn and the same as the one
# before it (kept beside it as *-before.png).
settled_shot() {
    local before="${2%.png}-before.png"
    [ ! -f "$2" ] || cp "$2" "$before"
    screenshot "$1" "$2"
    drawn "$2" && [ -f "$before" ] && same_frames "$2" "$before"
}

# xdo <what> <xdotool arguments...>: an xdotool command in the root, on the stage's display.
xdo() {
    local what=$1
    shift
    in_root timeout 20 xdotool "$@" >>"$out/logs/xdotool.txt" 2>&1 ||
        fail "xdotool could not $what (xdotool $*; see $out/logs/xdotool.txt)"
}

# --- The demo collection, prepared headless, and the captures --------------------------------------

# in_demo <command...>: a command in the demo root's folder.
in_demo() {
    in_root sh -c 'cd /stage/demo && exec "$@"' - "$@"
}

lay_out_demo() {
    remove_in_cache "$demo" "$captures"
    mkdir -p "$captures"
    say "laying out the demo collection in $demo_windows"
    run_step "make_demo_collection.exe" "$step_seconds" "$out/logs/make_demo_collection.txt" \
        in_root sh -c 'cd /stage/bin && exec wine make_demo_collection.exe "$1"' - "$demo_windows"
    [ "$step_code" -eq 0 ] ||
        fail "make_demo_collection.exe exited with $step_code: $(tail -n 5 "$out/logs/make_demo_collection.txt")"
}

prepare_games() {
    local id
    say "preparing the three games headless"
    run_step "--prepare" "$step_seconds" "$out/logs/prepare.txt" \
        in_demo env WINEPATH="$demo_windows\\interpreters" wine LumenarkRecomp.exe \
        --prepare --roms "$demo_windows\\roms" --confirm-roms
    [ "$step_code" -eq 0 ] || fail "--prepare exited with $step_code: $(tail -n 5 "$out/logs/prepare.txt")"
    grep -q 'progress 1.000 Ready to play' "$out/logs/prepare.txt" ||
        fail "--prepare never said 'Ready to play' (see $out/logs/prepare.txt)"
    for id in qx1 qx2 qx3; do
        compgen -G "$demo/generated/$id/*/setup.json" >/dev/null || fail "--prepare left no receipt for $id"
    done
}

capture_args() {
    case $1 in
    settings-launcher) echo --settings-capture ;;
    settings-controls) echo --settings-capture controls ;;
    settings-display) echo --settings-capture display ;;
    *) echo --ui-capture "$1" ;;
    esac
}

capture_pages() {
    local page option word
    say "capturing every page with Direct3D 12"
    for page in "${pages[@]}"; do
        read -r option word <<<"$(capture_args "$page")"
        run_step "the capture of $page" "$step_seconds" "$out/logs/capture-$page.txt" \
            in_demo wine LumenarkRecomp.exe "$option" "$captures_windows\\$page.png" ${word:+"$word"}
        [ "$step_code" -eq 0 ] || fail "the capture of $page exited with $step_code: $(tail -n 3 "$ui_log")"
        [ -s "$captures/$page.png" ] || fail "the capture of $page wrote no file"
        cp "$captures/$page.png" "$out/windows/$page.png"
    done
}

# --- The window ------------------------------------------------------------------------------------

# The window session's state: the launcher's process and the window found last; when it drew
# its first frame, and its animation's age then (the animation's clock starts with the App,
# before the window and the renderer).
launcher=""
window=""
ready_at=""
since_start=""
app_window=""

log_has() { [ -f "$ui_log" ] && grep -qF -- "$1" "$ui_log"; }
find_window() {
    window=$(in_root xdotool search --onlyvisible --name '^Lumenark Recomp$' 2>/dev/null | head -n 1)
    [ -n "$window" ]
}
launcher_up() {
    alive "$launcher" || fail "the launcher ended before it drew its first frame: $(tail -n 3 "$ui_log" 2>/dev/null)"
    log_has "launcher-ready ms="
}
animation_seconds() {
    awk -v now="$(date +%s.%N)" -v r="$ready_at" -v s="$since_start" -v w="$app_window" \
        'BEGIN { printf "%.2f\n", now - r + (s - w) / 1000 }'
}
# The Play page as it stays: once the first background poll has told which games are ready and
# the highlights have eased, two screenshots in a row show the same.
play_settled() {
    local seconds
    seconds=$(animation_seconds)
    settled_shot "$run/fb/Xvfb_screen0" "$out/windows/window-play.png" || return 1
    echo "$seconds" >"$out/window-play.seconds"
    awk -v s="$seconds" 'BEGIN { exit !(s >= 5) }'
}
settings_shown() {
    screenshot "$run/fb/Xvfb_screen0" "$out/windows/window-settings.png"
    drawn "$out/windows/window-settings.png" &&
        ! same_frames "$out/windows/window-settings.png" "$out/windows/window-play.png"
}
close_button_on_screen() {
    close_x=$((close_button_x * screen_width / design_width))
    close_y=$(((screen_height * design_width - design_height * screen_width + 2 * close_button_y * screen_width) /
        (2 * design_width)))
}

# One session of the window: the Play page, PgDn to Settings, the close button. Sets
# window_result to "passed", or to "wine assertion" when the launcher ended with the Wine
# assertion above after a clean "launcher-close".
window_session() {
    rm -f "$ui_log" "$out/windows/window-play.png"
    in_demo wine LumenarkRecomp.exe >"$out/logs/window.txt" 2>&1 9>&- &
    launcher=$!
    wait_until "$step_seconds" "the launcher drew its first frame (launcher-ready)" launcher_up
    ready_at=$(date +%s.%N)
    wait_until 60 "the launcher window is on the screen" find_window
    # Active, as a window manager would leave it, and the pointer out of the way in a corner of
    # the letterbox band.
    xdo "give the window the keyboard's focus" windowfocus --sync "$window"
    xdo "park the pointer" mousemove "$((screen_width - 1))" "$((screen_height - 1))"
    read -r since_start app_window <<<"$(sed -n \
        's/.*launcher-ready ms=\([0-9]*\) app+window=\([0-9]*\).*/\1 \2/p' "$ui_log" | tail -n 1)"
    [ -n "$app_window" ] || fail "the 'launcher-ready' line lacks its times: $(grep launcher-ready "$ui_log")"
    wait_until 120 "the Play page in the window settled" play_settled
    rm -f "$out/windows/window-play-before.png"

    say "PgDn opens Settings"
    xdo "press PgDn" key Next
    wait_until 60 "PgDn opened Settings (settings-open)" log_has "settings-open"
    wait_until 60 "the screen changed after PgDn" settings_shown

    say "closing the window with the title bar's close button"
    close_button_on_screen
    xdo "click the close button at $close_x,$close_y" mousemove "$close_x" "$close_y" click 1
    wait_until 60 "the launcher ended after its close button" gone "$launcher"
    exit_code_of "$launcher"
    window_result=passed
    if [ "$exit_code" -eq 3 ] && log_has "launcher-close frames=" &&
        grep -qE -- "$wine_assertion" "$out/logs/window.txt"; then
        window_result="wine assertion"
        return
    fi
    [ "$exit_code" -eq 0 ] || fail "the launcher window ended with exit code $exit_code: $(tail -n 3 "$out/logs/window.txt")"
    log_has "launcher-close frames=" || fail "the UI event log has no 'launcher-close frames=' line"
}

open_window() {
    say "opening the launcher window"
    window_session
    [ "$window_result" = "wine assertion" ] || return 0
    say "Wine's Vulkan layer asserted after the launcher closed (exit 3, Wine's fault); once more"
    cp "$out/logs/window.txt" "$out/logs/window-wine-assertion.txt"
    reruns="the window once, after Wine's '$(grep -m 1 -E -- "$wine_assertion" "$out/logs/window.txt" | tr -d '\r')'"
    window_session
    [ "$window_result" = passed ] || fail "Wine's Vulkan layer asserted at teardown twice in a row"
}

# --- The fatal box without a Direct3D 12 device ----------------------------------------------------

fatal_box_shown() {
    alive "$launcher" || fail "the launcher ended without its box staying: $(tail -n 3 "$ui_log" 2>/dev/null)"
    find_window
}
ten_seconds_passed() {
    alive "$launcher" || fail "the box vanished: the launcher ended $((SECONDS - fatal_started)) s after its start"
    [ $((SECONDS - fatal_started)) -ge 10 ]
}

check_fatal_box() {
    say "starting without a Vulkan driver: the fatal box must stay"
    rm -f "$ui_log"
    in_demo env VK_ICD_FILENAMES=/nonexistent.json wine LumenarkRecomp.exe >"$out/logs/fatal.txt" 2>&1 9>&- &
    launcher=$!
    fatal_started=$SECONDS
    wait_until 60 "the box titled 'Lumenark Recomp' is shown" fatal_box_shown
    wait_until 30 "the launcher is still there 10 s after its start" ten_seconds_passed
    find_window || fail "the box is gone 10 s after the start"
    screenshot "$run/fb/Xvfb_screen0" "$out/windows/fatal-box.png"
    xdo "give the box the keyboard's focus" windowfocus --sync "$window"
    xdo "press Enter" key Return
    wait_until 60 "Enter dismissed the box and the launcher ended" gone "$launcher"
    exit_code_of "$launcher"
    [ "$exit_code" -eq 4 ] || fail "after the box the launcher exited with $exit_code, not 4"
    log_has "fatal launcher D3D12 hardware device HRESULT=" ||
        fail "the UI event log lacks the fatal line: $(tail -n 3 "$ui_log" 2>/dev/null)"
}

# --- The Linux build's frames of the same state ----------------------------------------------------

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
# openbox claims the display before it has finished starting (on a fresh machine it builds the
# font cache then), and a window mapped in between is never managed. A probe window that openbox
# manages says it is ready; a probe it missed is replaced.
probe=""
probe_since=0
wm_manages_a_probe() {
    local id
    if [ -z "$probe" ] || [ $((SECONDS - probe_since)) -ge 3 ]; then
        [ -z "$probe" ] || kill "$probe" 2>/dev/null || true
        xmessage -title stage-wm-probe "window manager probe" >/dev/null 2>&1 9>&- &
        probe=$!
        probe_since=$SECONDS
        return 1
    fi
    for id in $(xdotool search --name '^stage-wm-probe$' 2>/dev/null); do
        xprop -id "$id" WM_STATE 2>/dev/null | grep -q 'window state: Normal' && return 0
    done
    return 1
}
linux_full_screen() {
    alive "$launcher" || fail "the Linux build's window ended early: $(tail -n 3 "$out/logs/linux-window.txt")"
    grep -qF "launcher-ready ms=" "$linux_ui_log" 2>/dev/null &&
        [ "$(xdotool search --onlyvisible --class '^LumenarkRecomp$' getwindowgeometry 2>/dev/null |
            sed -n 's/ *Geometry: //p' | head -n 1)" = "${screen_width}x${screen_height}" ]
}
as_old_as_windows() {
    awk -v now="$(date +%s.%N)" -v s="$linux_started" -v w="$window_seconds" 'BEGIN { exit !(now - s >= w) }'
}

linux_captures() {
    local page option word
    say "the Linux build's captures and window of an equally laid-out root"
    mkdir -p "$LUMENARK_DESKTOP_DIR"
    "$linux_bin/make_demo_collection" "$linux_root" >"$out/logs/linux-make-demo-collection.txt" 2>&1 ||
        fail "the Linux build's make_demo_collection failed (see $out/logs/linux-make-demo-collection.txt)"
    PATH="$linux_root/interpreters:$PATH" "$linux_root/LumenarkRecomp" --prepare \
        --roms "$linux_root/roms" --confirm-roms >"$out/logs/linux-prepare.txt" 2>&1 ||
        fail "the Linux build's --prepare failed: $(tail -n 5 "$out/logs/linux-prepare.txt")"
    for page in "${pages[@]}"; do
        read -r option word <<<"$(capture_args "$page")"
        SDL_VIDEODRIVER=offscreen "$linux_root/LumenarkRecomp" "$option" "$out/linux/$page.png" \
            ${word:+"$word"} >"$out/logs/linux-capture-$page.txt" 2>&1 ||
            fail "the Linux build's capture of $page failed (see $out/logs/linux-capture-$page.txt)"
    done
}

# Its window full screen on a display of the same size, with a window manager (SDL's fullscreen
# needs one), photographed once its animation has run as long as the Windows one had and two
# frames in a row show the same.
linux_window() {
    local linux_fb="$out/linux-fb" linux_display
    mkdir -p "$linux_fb"
    [ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix
    mount -t tmpfs -o mode=1777 stage-x11 /tmp/.X11-unix
    start_xvfb linux_display "$linux_fb/display" "$out/logs/linux-xvfb.txt" "$linux_fb"
    export DISPLAY=":$linux_display"
    openbox --sm-disable >"$out/logs/linux-openbox.txt" 2>&1 9>&- &
    wait_until 60 "openbox claims the display" wm_running
    wait_until 60 "openbox manages windows" wm_manages_a_probe
    kill "$probe" 2>/dev/null || true
    rm -f "$linux_ui_log"
    (cd "$linux_root" && exec env SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy ./LumenarkRecomp) \
        >"$out/logs/linux-window.txt" 2>&1 9>&- &
    launcher=$!
    linux_started=$(date +%s.%N)
    wait_until 60 "the Linux build's window is full screen" linux_full_screen
    xdotool mousemove "$((screen_width - 1))" "$((screen_height - 1))" >>"$out/logs/xdotool.txt" 2>&1 ||
        fail "xdotool could not park the pointer on the Linux build's display"
    window_seconds=$(cat "$out/window-play.seconds")
    wait_until 120 "the Linux build's animation reached the Windows one's time" as_old_as_windows
    wait_until 60 "the Linux build's window shows a settled frame" \
        settled_shot "$linux_fb/Xvfb_screen0" "$out/linux/window-play.png"
    rm -f "$out/linux/window-play-before.png"
    kill "$launcher" || fail "cannot stop the Linux build's window"
    wait_until 10 "the Linux build's window ended after a TERM" gone "$launcher"
}

# --- The comparison --------------------------------------------------------------------------------

compare_builds() {
    say "comparing the Windows frames with the Linux build's, and the injected faults"
    LUMENARK_STAGE_DIR="$out" "$linux_bin/windows_capture_tests" --gtest_color=no \
        >"$out/logs/windows_capture_tests.txt" 2>&1 || {
        grep -E '^  |FAILED|Failure' "$out/logs/windows_capture_tests.txt" | head -n 40 >&2
        fail "the comparison failed (see $out/logs/windows_capture_tests.txt)"
    }
    grep -E '^\[  PASSED  \]' "$out/logs/windows_capture_tests.txt" | sed 's/^/windows stage: comparison: /'
}

# --- The stage -------------------------------------------------------------------------------------

check_tools() {
    local tool program
    [ "$(id -u)" -eq 0 ] || skip "it needs root (debootstrap, chroot, mounts and namespaces)"
    command -v debootstrap >/dev/null || skip "debootstrap is missing (scripts/install-deps.sh installs it)"
    for tool in unshare setpriv mountpoint chroot mount umount flock timeout convert identify Xvfb \
        openbox xdotool xprop xmessage; do
        command -v "$tool" >/dev/null || fail "'$tool' is missing; scripts/install-deps.sh installs it"
    done
    for program in LumenarkRecomp.exe make_demo_collection.exe fake_python.exe; do
        [ -f "$win_bin/$program" ] || fail "$win_bin/$program is missing: build the windows preset first"
    done
    for program in LumenarkRecomp make_demo_collection windows_capture_tests compare_captures debian_mirror; do
        [ -x "$linux_bin/$program" ] || fail "$linux_bin/$program is missing: build the linux preset first"
    done
    unshare --mount --propagation unchanged --pid --fork true 2>/dev/null || skip "this machine gives no mount and PID namespaces"
}

# In the host's namespaces: the tools, the cache and its lock, then the rest in the namespace.
main() {
    started_at=$(date +%s)
    check_tools
    claim_cache
    take_lock
    clear_leftovers
    choose_propagation
    run_in_namespace
}

# The stage's steps, as the namespace's first process: its end, however it comes, ends every
# process of the namespace and its mounts.
stage_steps() {
    local propagation=$1
    SECONDS=$(($(date +%s) - $2))
    trap 'exit 143' TERM
    # The lock is the host shell's alone; nothing here inherits it.
    exec 9>&-
    [ "$propagation" = private ] || make_visible_mounts_private || fail "cannot make the namespace's mounts private"
    rm -rf "$out"
    mkdir -p "$out/windows" "$out/linux" "$out/logs"
    ready_root
    local root_ready=$SECONDS
    start_windows_display
    lay_out_demo
    prepare_games
    capture_pages
    open_window
    check_fatal_box
    local windows_done=$SECONDS
    linux_captures
    linux_window
    compare_builds
    say "passed in $SECONDS s (root $root_ready s, Windows product $((windows_done - root_ready)) s," \
        "Linux frames and comparison $((SECONDS - windows_done)) s; reruns: $reruns); frames in $out"
}

# Each branch exits, so that bash reads no more of this file once it runs a step (an edit during a
# run changes nothing then).
case ${1:-} in
--in-namespace) stage_steps "$2" "$3"; exit ;;
--mount-probe) mount_probe; exit ;;
*) main; exit ;;
esac
