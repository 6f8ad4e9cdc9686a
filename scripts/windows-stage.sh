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
# /var/cache/lumenark/windows-stage), a folder of root's own that only the stage writes, with a
# stamp naming its package list. Everything the stage mounts and starts lives in a mount and a
# PID namespace of its own, which end with it however it stops, a kill included; it changes
# nothing it did not make. Needs root. Outside CI it skips with one line when it cannot run; in CI
# (CI set) that is a failure. It reports on standard error; everything it writes is under
# out/windows/stage/.
#
# usage: scripts/windows-stage.sh   (after both presets are built, as scripts/run-tests.sh does)
set -euo pipefail
umask 022
cd "$(dirname "$0")/.."

# --- Settings ------------------------------------------------------------------------------------

readonly project=$PWD
readonly suite=trixie
readonly -a root_packages=(wine wine64 libvulkan1 mesa-vulkan-drivers xvfb xauth xdotool)
cache=$(realpath -m -- "${LUMENARK_STAGE_CACHE:-/var/cache/lumenark/windows-stage}")
readonly cache
readonly root="$cache/root" fresh_root="$cache/root.new" stamp="$cache/stamp" lock="$cache/lock"
readonly stamp_text="debootstrap --variant=minbase $suite; packages: ${root_packages[*]}"
# Written when the stage makes its cache; a folder without it is not the stage's to change.
readonly marker="$cache/made-by-windows-stage"
readonly -a cache_entries=(made-by-windows-stage lock stamp root root.new debootstrap.log packages.log)
# A Debian mirror named by hand, instead of the one of the machine's apt sources.
readonly hand_mirror=${LUMENARK_DEBIAN_MIRROR:-}
# How long a stage waits for another that uses the cache (another checkout's test command).
readonly lock_wait_seconds=3600

readonly out="$project/out/windows/stage"
readonly win_bin="$project/out/windows/bin" linux_bin="$project/out/linux/bin"
readonly -a windows_programs=(LumenarkRecomp.exe make_demo_collection.exe fake_python.exe)
readonly -a linux_programs=(LumenarkRecomp make_demo_collection windows_capture_tests
    compare_captures debian_mirror)

# Everything of a run lives in /stage of the root; on Wine's drive Z:\, the Linux file system, as
# a player's folder under Wine would be. Paths in the root are written as the root sees them.
readonly demo_windows='Z:\stage\demo' captures_windows='Z:\stage\captures'
readonly ui_log=/stage/demo/logs/temporaria-8/ui-latest.log
readonly windows_framebuffer=/stage/fb
# The environment of a command in the root. Vulkan's X11 surface needs XDG_RUNTIME_DIR; no Mono
# or Gecko prompt; lavapipe's threads bounded.
readonly -a root_environment=(HOME=/root PATH=/usr/bin:/bin LANG=C.UTF-8 LC_ALL=C.UTF-8
    WINEPREFIX=/stage/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    XDG_RUNTIME_DIR=/stage/tmp LP_NUM_THREADS=4)

readonly -a pages=(overview roms build play legal settings-launcher settings-controls settings-display)
readonly linux_root="$out/linux-root"
readonly linux_ui_log="$linux_root/logs/temporaria-8/ui-latest.log"
readonly linux_framebuffer="$out/linux-fb"
export LUMENARK_DESKTOP_DIR="$out/linux-desktop"
readonly LUMENARK_DESKTOP_DIR

# The display's size: room for the 1536 x 1024 capture window, and narrower than 3:2, so that the
# full-screen window has letterbox bands.
readonly screen_width=1600 screen_height=1200
# The title bar's close button in the window's design space (1536 x 1024), scaled to the
# display's width and centred in its height.
readonly design_width=1536 design_height=1024
readonly close_x=$(((design_width - 24) * screen_width / design_width))
readonly close_y=$(((screen_height * design_width - design_height * screen_width + 2 * 17 * screen_width) /
    (2 * design_width)))
# How long one step may take; lavapipe draws on the CPU, and CI machines are slow. Making the
# root downloads a few hundred megabytes.
readonly step_seconds=180 root_step_seconds=1800

# Wine 10's Vulkan layer sometimes fails an assertion after the launcher closed its window
# ("launcher-close" logged, then exit 3, the C runtime's abort): Wine's fault, not the
# launcher's. The window then runs once more; any other end is a failure. The Windows half of
# that layer asserts only that a call into its Unix half succeeded: "!status" in loader.c, and
# '!status && "<function>"' in loader_thunks.c.
readonly wine_assertion='^Assertion failed: !status( && "vk[A-Za-z0-9]+")?, file dlls/winevulkan/loader(_thunks)?\.c, line [0-9]+[[:space:]]*$'

# --- Messages ------------------------------------------------------------------------------------

say() { echo "windows stage: $*" >&2; }
fail() {
    say "FAILED: $*"
    exit 1
}
skip() {
    [ -z "${CI:-}" ] || fail "cannot run in CI: $*"
    say "skipped: $*"
    exit 0
}

# --- Waiting and steps -----------------------------------------------------------------------------

now_ms() { date +%s%3N; }
alive() { kill -0 "$1" 2>/dev/null; }
gone() { ! alive "$1"; }

# within <seconds> <command...>: polls the command until it succeeds; fails when the seconds
# pass first.
within() {
    local deadline
    deadline=$(($(now_ms) + $1 * 1000))
    shift
    until "$@"; do
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# wait_until <seconds> <what> <command...>: within, or the stage fails saying what did not come.
wait_until() {
    local seconds=$1 what=$2
    shift 2
    within "$seconds" "$@" || fail "no sign within ${seconds} s that $what"
}

# run_step <what> <seconds> <log> <command...>: a step in the background, so that a TERM acts at
# once, its output in the log; returns its exit status. A step over its time fails the stage,
# and the end of the namespace takes its processes.
run_step() {
    local what=$1 seconds=$2 log=$3 step
    shift 3
    "$@" >"$log" 2>&1 </dev/null &
    step=$!
    within "$seconds" gone "$step" || fail "$what took longer than ${seconds} s (see $log)"
    wait "$step"
}

# --- The machine, the cache and its lock (in the host's namespaces; nothing here is changed but
# --- the cache's own entries) -----------------------------------------------------------------------

# The mount points of this mount table (mountinfo's fifth field, its octal escapes decoded).
mount_points() {
    local point
    while read -r _ _ _ _ point _; do
        printf '%b\n' "${point//\\/\\0}"
    done </proc/self/mountinfo
}

check_machine() {
    local tool program points
    [ "$(id -u)" -eq 0 ] || skip "it needs root (debootstrap, chroot, mounts and namespaces)"
    points=$(mount_points) || skip "/proc is not mounted here: mount it before the chroot"
    # The namespace makes its mounts private from "/", which must be a mount: in a chroot, the
    # root bound onto itself.
    grep -qx / <<<"$points" ||
        skip "\"/\" is no mount point here (a chroot?): bind the root onto itself before the" \
            "chroot (mount --bind ROOT ROOT), as chroot tools do, so that the stage's mounts stay" \
            "in its namespace"
    command -v debootstrap >/dev/null || skip "debootstrap is missing (scripts/install-deps.sh installs it)"
    for tool in unshare setpriv chroot mount umount flock stat wget convert identify Xvfb openbox \
        xdotool xprop xmessage; do
        command -v "$tool" >/dev/null || fail "'$tool' is missing; scripts/install-deps.sh installs it"
    done
    for program in "${windows_programs[@]}"; do
        [ -f "$win_bin/$program" ] || fail "$win_bin/$program is missing: build the windows preset first"
    done
    for program in "${linux_programs[@]}"; do
        [ -x "$linux_bin/$program" ] || fail "$linux_bin/$program is missing: build the linux preset first"
    done
    unshare --mount --propagation unchanged --pid --fork true 2>/dev/null ||
        skip "this machine gives no mount and PID namespaces"
}

# A mount at or under the cache is another's: the stage neither unmounts it nor works beside it.
refuse_mounts_in_cache() {
    local point mounts=()
    while IFS= read -r point; do
        case $point in "$cache" | "$cache"/*) mounts+=("$point") ;; esac
    done < <(mount_points)
    [ ${#mounts[@]} -eq 0 ] || fail "mounted at or under the stage's cache: ${mounts[*]}; the" \
        "stage changes no mount it did not make: unmount it, or point LUMENARK_STAGE_CACHE at" \
        "another folder"
}

# cache_entry_fault <path>: why an entry of the cache is not one the stage made, or nothing. A
# link would lead the stage's writes (the lock, the logs, the root) out of its cache.
cache_entry_fault() {
    local path=$1 names
    if [ -L "$path" ]; then
        echo "is a symbolic link"
    elif [ "${path##*/}" = root ] || [ "${path##*/}" = root.new ]; then
        [ -d "$path" ] || echo "is not a folder"
    elif [ ! -f "$path" ]; then
        echo "is not a plain file"
    else
        names=$(stat -c %h -- "$path") || fail "cannot read $path"
        [ "$names" -eq 1 ] || echo "is a hard link (its file has $names names)"
    fi
}

# The cache is the stage's when root owns it, nobody else can write in it, and it holds the marker
# and nothing else than the stage's own entries, none a link. An empty folder becomes the
# stage's; so does one that an older stage made before the marker (only known entries, and its
# stamp or debootstrap log).
claim_cache() {
    local facts owner mode entries=() entry name fault foreign=()
    mkdir -p -- "$cache" || fail "cannot make the stage's cache $cache"
    [ -d "$cache" ] && [ ! -L "$cache" ] ||
        fail "the stage's cache $cache is not a folder (LUMENARK_STAGE_CACHE)"
    facts=$(stat -c '%u %a' -- "$cache") || fail "cannot read $cache"
    read -r owner mode <<<"$facts"
    [ "$owner" -eq 0 ] || fail "$cache is owned by user $owner, not root: refused as the stage's" \
        "cache; point LUMENARK_STAGE_CACHE at a folder of root's own"
    [ $((8#$mode & 8#022)) -eq 0 ] || fail "$cache is writable by its group or others (mode $mode):" \
        "refused as the stage's cache, as another user could put links in it; chmod go-w it"
    shopt -s nullglob dotglob
    entries=("$cache"/*)
    shopt -u nullglob dotglob
    for entry in "${entries[@]}"; do
        name=${entry##*/}
        if [[ " ${cache_entries[*]} " != *" $name "* ]]; then
            foreign+=("$name")
            continue
        fi
        fault=$(cache_entry_fault "$entry") || exit
        [ -z "$fault" ] || fail "$entry $fault: refused, as the stage writes only entries it made" \
            "in its cache; remove it, or point LUMENARK_STAGE_CACHE at another folder"
    done
    [ ${#foreign[@]} -eq 0 ] || fail "$cache holds what the stage did not make (${foreign[*]}):" \
        "not the stage's cache; point LUMENARK_STAGE_CACHE at a folder of its own"
    [ ! -e "$marker" ] || return 0
    if [ ${#entries[@]} -gt 0 ] && [ ! -e "$stamp" ] && [ ! -e "$cache/debootstrap.log" ]; then
        fail "$cache holds ${entries[*]##*/} but no ${marker##*/}: not the stage's cache"
    fi
    echo "made by scripts/windows-stage.sh; delete the whole folder to start afresh" >"$marker" ||
        fail "cannot write $marker"
}

# One stage at a time uses the cache. Only this shell holds the lock: its end, a kill included,
# frees it. A stage that holds it is waited for, never ended; each try is a short child, so none
# outlives a stop. Opened for appending, the lock file is never emptied.
take_lock() {
    exec 9>>"$lock" || fail "cannot open $lock"
    flock -n 9 && return 0
    say "waiting for the stage that holds $lock (at most $((lock_wait_seconds / 60)) minutes)"
    within "$lock_wait_seconds" flock -n 9 ||
        fail "another stage held $lock for $((lock_wait_seconds / 60)) minutes; it is left running"
}

# --- The namespace ---------------------------------------------------------------------------------

# The stage's steps run in a mount namespace whose mounts are all private and a PID namespace
# whose first process is this script again. unshare's parent ignores TERM and INT while it waits,
# so this shell ends the namespace at once by killing it; a kill of this shell kills unshare
# (setpriv's parent-death signal), and the end of unshare kills the namespace's first process,
# whose end ends every other.
run_in_namespace() {
    local namespace code=0
    setpriv --pdeathsig KILL -- unshare --mount --propagation private --pid --fork --kill-child \
        --mount-proc -- bash "$project/scripts/windows-stage.sh" --in-namespace "$1" 9>&- &
    namespace=$!
    # shellcheck disable=SC2064 # the namespace's process id, known now
    trap "stop_namespace $namespace TERM 143" TERM
    # shellcheck disable=SC2064
    trap "stop_namespace $namespace INT 130" INT
    wait "$namespace" || code=$?
    trap - TERM INT
    # The namespace's own failures print their line; a kill of it prints none.
    case $code in 0 | 1) exit "$code" ;; esac
    fail "the stage's namespace ended with $code (killed?); nothing of it is left"
}

# stop_namespace <pid> <signal> <exit code>
stop_namespace() {
    kill -KILL "$1" 2>/dev/null || true # it may have ended by itself
    wait "$1" 2>/dev/null || true
    say "stopped by $2; the stage's namespace, its mounts and processes ended with it"
    exit "$3"
}

# Whether this is the first process of a new PID namespace with a /proc of its own, which unshare
# mounts only in a new mount namespace, whose mounts are all private: the steps mount, and run
# anywhere else they would change the host's mounts.
in_stage_namespace() {
    [ "$$" -eq 1 ] && [ /proc/self -ef /proc/1 ] &&
        awk '/ shared:/ { shared = 1 } END { exit shared }' /proc/self/mountinfo
}

# --- The root (in the namespace) -------------------------------------------------------------------

# chrooted <root folder> [NAME=value...] <command...>: a command in a root, so that every path it
# reads or writes resolves there (a link in the root leads within the root, never to the host).
chrooted() {
    local folder=$1
    shift
    chroot "$folder" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"
}

# in_root_at <folder> [NAME=value...] <command...>: a command in the stage's root, in that
# folder, with the stage's environment.
in_root_at() {
    local folder=$1
    shift
    chroot "$root" /usr/bin/env -i --chdir="$folder" "${root_environment[@]}" "$@"
}
in_root() { in_root_at / "$@"; }
in_demo() { in_root_at /stage/demo "$@"; }

# copy_into <root folder> <host file> <path in the root>
copy_into() {
    chrooted "$1" sh -c 'cat >"$1"' - "$3" <"$2" || fail "cannot copy $2 to $3 in $1"
}

# mount_at <root folder> <path in the root> <mount's type or --bind, and source...>: mount
# resolves its target's links on the host, so the target must be a folder of the root whose path
# holds none.
mount_at() {
    local folder=$1 path=$2 resolved
    shift 2
    resolved=$(chrooted "$folder" realpath -e -- "$path") && [ "$resolved" = "$path" ] &&
        chrooted "$folder" test -d "$path" ||
        fail "$path in $folder is no folder of its own (a link?); nothing is mounted on it"
    mount "$@" "$folder$path" || fail "cannot mount $* on $folder$path"
}

# mount_system <root folder>: a fresh /proc of the namespace's processes, the host's /sys, /dev
# and /dev/pts, and a /dev/shm and /tmp of the root's own.
mount_system() {
    local folder=$1
    chrooted "$folder" mkdir -p /proc /sys /dev /tmp || fail "cannot make the system's folders in $folder"
    mount_at "$folder" /proc -t proc stage-proc
    mount_at "$folder" /sys --bind /sys
    mount_at "$folder" /dev --bind /dev
    mount_at "$folder" /dev/pts --bind /dev/pts
    mount_at "$folder" /dev/shm -t tmpfs -o mode=1777 stage-shm
    mount_at "$folder" /tmp -t tmpfs -o mode=1777 stage-tmp
}

unmount_system() {
    local folder=$1 path
    for path in /tmp /dev/shm /dev/pts /dev /sys /proc; do
        umount -- "$folder$path" || fail "cannot unmount $folder$path"
    done
}

# The mirror for debootstrap: the one named by hand, else the machine's, which debian_mirror
# reads from its apt sources (its one-line failure names what it read and fetched).
root_mirror() {
    if [ -n "$hand_mirror" ]; then
        echo "$hand_mirror"
        return
    fi
    "$linux_bin/debian_mirror" 2>"$out/logs/debian-mirror.txt"
}

make_root() {
    local mirror
    mirror=$(root_mirror) ||
        skip "$(head -n 1 "$out/logs/debian-mirror.txt"); LUMENARK_DEBIAN_MIRROR names a mirror by hand"
    say "making the Debian 13 root in $root from $mirror (once; kept for later runs)"
    rm -rf --one-file-system -- "$fresh_root" "$root" "$stamp" || fail "cannot remove the old root in $cache"
    run_step "debootstrap of $suite" "$root_step_seconds" "$cache/debootstrap.log" \
        debootstrap --variant=minbase "$suite" "$fresh_root" "$mirror" ||
        skip "debootstrap of $suite from $mirror failed (see $cache/debootstrap.log)"
    copy_into "$fresh_root" /etc/resolv.conf /etc/resolv.conf
    mount_system "$fresh_root"
    run_step "installing ${root_packages[*]} in the root" "$root_step_seconds" "$cache/packages.log" \
        chrooted "$fresh_root" DEBIAN_FRONTEND=noninteractive sh -c \
        "apt-get update -qq && apt-get install -y -qq --no-install-recommends ${root_packages[*]}" ||
        fail "installing ${root_packages[*]} in the root failed (see $cache/packages.log)"
    unmount_system "$fresh_root"
    mv -- "$fresh_root" "$root" || fail "cannot move $fresh_root to $root"
    echo "$stamp_text" >"$stamp" || fail "cannot write $stamp"
}

# Whether the kept root is whole: its stamp names today's packages, and Wine is in it (looked up
# in the root, where /usr/bin/wine is a link into /etc/alternatives).
root_whole() {
    [ "$(cat "$stamp" 2>/dev/null)" = "$stamp_text" ] && chrooted "$root" test -x /usr/bin/wine 2>/dev/null
}

# The root, made once or reused, with the run's folder /stage in it (the Wine prefix is kept
# between runs) and the system's folders mounted.
ready_root() {
    local program
    if root_whole; then
        rm -rf --one-file-system -- "$fresh_root" || fail "cannot remove $fresh_root"
        say "reusing the Debian 13 root in $root"
    else
        make_root
    fi
    in_root rm -rf --one-file-system /stage/bin /stage/fb /stage/tmp &&
        in_root mkdir -p /stage/bin /stage/fb /stage/tmp && in_root chmod 700 /stage/tmp ||
        fail "cannot make the run's folders in $root/stage"
    for program in "${windows_programs[@]}"; do
        copy_into "$root" "$win_bin/$program" "/stage/bin/$program"
    done
    copy_into "$root" /etc/resolv.conf /etc/resolv.conf
    mount_system "$root"
    in_root test -f /stage/prefix/system.reg && return 0
    say "creating the Wine prefix (once)"
    run_step "wineboot" "$step_seconds" "$out/logs/wineboot.txt" in_root sh -c 'wineboot -i && wineserver -w' ||
        fail "wineboot exited with $? (see $out/logs/wineboot.txt)"
    in_root test -f /stage/prefix/system.reg || fail "wineboot made no prefix (see $out/logs/wineboot.txt)"
}

# --- The displays ----------------------------------------------------------------------------------

# start_xvfb <display file> <log> <framebuffer folder> [runner...]: Xvfb in the background
# (through the runner, if one is given), its screen kept in the folder as an XWD file; prints its
# display number once it is ready. No lock files: an X server of another PID namespace would take
# those of a live one for stale.
start_xvfb() {
    local display_file=$1 log=$2 framebuffer=$3 xvfb
    shift 3
    "$@" Xvfb -displayfd 3 -nolock -screen 0 "${screen_width}x${screen_height}x24" \
        -fbdir "$framebuffer" -nolisten tcp 3>"$display_file" >"$log" 2>&1 </dev/null &
    xvfb=$!
    wait_until 60 "Xvfb is ready (see $log)" xvfb_ready "$xvfb" "$log" "$display_file"
    head -n 1 -- "$display_file"
}
# xvfb_ready <pid> <log> <display file>
xvfb_ready() {
    alive "$1" || fail "Xvfb ended: $(tail -n 3 -- "$2")"
    [ -s "$3" ]
}

# The Windows display, in the root: its X sockets in the root's own /tmp.
start_windows_display() {
    start_xvfb "$out/windows-display" "$out/logs/xvfb.txt" "$windows_framebuffer" in_root
}

# screenshot <file.png> <command printing the screen's XWD file...>: the whole screen now.
screenshot() {
    local png=$1
    shift
    "$@" | convert xwd:- "$png" || fail "cannot read the screen into $png"
}
windows_screen() { in_root cat "$windows_framebuffer/Xvfb_screen0"; }
linux_screen() { cat -- "$linux_framebuffer/Xvfb_screen0"; }

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
# settled_shot <file.png> <screen reader...>: a new screenshot that is drawn and the same as the
# one before it (kept beside it as *-before.png).
settled_shot() {
    local png=$1 before="${1%.png}-before.png"
    shift
    [ ! -f "$png" ] || cp -- "$png" "$before" || fail "cannot keep $png as $before"
    screenshot "$png" "$@"
    drawn "$png" && [ -f "$before" ] && same_frames "$png" "$before"
}

# xdo <display> <what> <xdotool arguments...>: an xdotool command in the root, on that display.
xdo() {
    local display=$1 what=$2
    shift 2
    in_root DISPLAY=":$display" timeout 20 xdotool "$@" >>"$out/logs/xdotool.txt" 2>&1 ||
        fail "xdotool could not $what (xdotool $*; see $out/logs/xdotool.txt)"
}

# find_window <display>: prints the launcher's window on the Windows display, if it is shown.
find_window() {
    local windows
    windows=$(in_root DISPLAY=":$1" xdotool search --onlyvisible --name '^Lumenark Recomp$' 2>/dev/null) ||
        return 1
    echo "${windows%%$'\n'*}"
}
window_shown() { find_window "$1" >/dev/null; }

# --- The demo collection, prepared headless, and the captures --------------------------------------

log_has() { in_root grep -qF -- "$1" "$ui_log" 2>/dev/null; }
ui_log_end() { in_root tail -n 3 "$ui_log" 2>/dev/null; }

# lay_out_demo <display>
lay_out_demo() {
    in_root rm -rf --one-file-system /stage/demo /stage/captures && in_root mkdir -p /stage/captures ||
        fail "cannot make /stage/captures in $root"
    say "laying out the demo collection in $demo_windows"
    run_step "make_demo_collection.exe" "$step_seconds" "$out/logs/make_demo_collection.txt" \
        in_root_at /stage/bin DISPLAY=":$1" wine make_demo_collection.exe "$demo_windows" ||
        fail "make_demo_collection.exe exited with $?: $(tail -n 5 "$out/logs/make_demo_collection.txt")"
}

# prepare_games <display>
prepare_games() {
    local id
    say "preparing the three games headless"
    run_step "--prepare" "$step_seconds" "$out/logs/prepare.txt" \
        in_demo DISPLAY=":$1" WINEPATH="$demo_windows\\interpreters" wine LumenarkRecomp.exe \
        --prepare --roms "$demo_windows\\roms" --confirm-roms ||
        fail "--prepare exited with $?: $(tail -n 5 "$out/logs/prepare.txt")"
    grep -q 'progress 1.000 Ready to play' "$out/logs/prepare.txt" ||
        fail "--prepare never said 'Ready to play' (see $out/logs/prepare.txt)"
    for id in qx1 qx2 qx3; do
        in_root sh -c 'ls /stage/demo/generated/"$1"/*/setup.json' - "$id" >/dev/null 2>&1 ||
            fail "--prepare left no receipt for $id"
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

# capture_pages <display>
capture_pages() {
    local page option word
    say "capturing every page with Direct3D 12"
    for page in "${pages[@]}"; do
        read -r option word <<<"$(capture_args "$page")"
        run_step "the capture of $page" "$step_seconds" "$out/logs/capture-$page.txt" \
            in_demo DISPLAY=":$1" wine LumenarkRecomp.exe "$option" "$captures_windows\\$page.png" \
            ${word:+"$word"} || fail "the capture of $page exited with $?: $(ui_log_end)"
        in_root cat "/stage/captures/$page.png" >"$out/windows/$page.png" && [ -s "$out/windows/$page.png" ] ||
            fail "the capture of $page wrote no file"
    done
}

# --- The window ------------------------------------------------------------------------------------

# launcher_up <launcher>
launcher_up() {
    alive "$1" || fail "the launcher ended before it drew its first frame: $(ui_log_end)"
    log_has "launcher-ready ms="
}
# animation_ms <ready_at> <age at ready>: the age of the launcher's animation now. Its clock
# starts with the App, before the window and the renderer.
animation_ms() { echo $(($(now_ms) - $1 + $2)); }
# play_settled <ready_at> <age at ready>: the Play page as it stays, once the first background
# poll has told which games are ready and the highlights have eased: two screenshots in a row show
# the same. Prints the animation's age (ms) at the last screenshot.
play_settled() {
    local age
    age=$(animation_ms "$1" "$2")
    settled_shot "$out/windows/window-play.png" windows_screen && [ "$age" -ge 5000 ] && echo "$age"
}
settings_shown() {
    screenshot "$out/windows/window-settings.png" windows_screen
    drawn "$out/windows/window-settings.png" &&
        ! same_frames "$out/windows/window-settings.png" "$out/windows/window-play.png"
}

# window_session <display>: one session of the window: the Play page, PgDn to Settings, the close
# button. Prints the animation's age (ms) once the Play page settled. Returns 3 when the
# launcher ended with Wine's assertion above after a clean "launcher-close".
window_session() {
    local display=$1 windows_launcher ready_at times since_start app_window window age code=0
    in_root rm -f "$ui_log" && rm -f -- "$out/windows/window-play.png" ||
        fail "cannot remove the last session's log and screenshot"
    in_demo DISPLAY=":$display" wine LumenarkRecomp.exe >"$out/logs/window.txt" 2>&1 </dev/null &
    windows_launcher=$!
    wait_until "$step_seconds" "the launcher drew its first frame (launcher-ready)" launcher_up "$windows_launcher"
    ready_at=$(now_ms)
    wait_until 60 "the launcher window is on the screen" window_shown "$display"
    window=$(find_window "$display") || fail "the launcher window left the screen"
    # Active, as a window manager would leave it, and the pointer out of the way in a corner of
    # the letterbox band.
    xdo "$display" "give the window the keyboard's focus" windowfocus --sync "$window"
    xdo "$display" "park the pointer" mousemove "$((screen_width - 1))" "$((screen_height - 1))"
    times=$(in_root sed -n 's/.*launcher-ready ms=\([0-9]*\) app+window=\([0-9]*\).*/\1 \2/p' "$ui_log") ||
        fail "cannot read $ui_log"
    read -r since_start app_window <<<"${times##*$'\n'}"
    [ -n "$app_window" ] || fail "the 'launcher-ready' line lacks its times: $(ui_log_end)"
    age=$(wait_until 120 "the Play page in the window settled" \
        play_settled "$ready_at" "$((since_start - app_window))") || exit
    rm -f -- "$out/windows/window-play-before.png" || fail "cannot remove the screenshot before"
    echo "$age"

    say "PgDn opens Settings"
    xdo "$display" "press PgDn" key Next
    wait_until 60 "PgDn opened Settings (settings-open)" log_has "settings-open"
    wait_until 60 "the screen changed after PgDn" settings_shown

    say "closing the window with the title bar's close button"
    xdo "$display" "click the close button at $close_x,$close_y" mousemove "$close_x" "$close_y" click 1
    wait_until 60 "the launcher ended after its close button" gone "$windows_launcher"
    wait "$windows_launcher" || code=$?
    if [ "$code" -eq 3 ] && log_has "launcher-close frames=" &&
        grep -qE -- "$wine_assertion" "$out/logs/window.txt"; then
        return 3
    fi
    [ "$code" -eq 0 ] || fail "the launcher window ended with exit code $code: $(tail -n 3 "$out/logs/window.txt")"
    log_has "launcher-close frames=" || fail "the UI event log has no 'launcher-close frames=' line"
}

# open_window <display>: the window's session, once more when Wine's Vulkan layer asserted at its
# teardown. Prints the animation's age (ms) at the settled Play page, then the reruns.
open_window() {
    local display=$1 age code=0 assertion
    say "opening the launcher window"
    age=$(window_session "$display") || code=$?
    if [ "$code" -eq 0 ]; then
        echo "$age none"
        return
    fi
    [ "$code" -eq 3 ] || exit "$code"
    assertion=$(grep -m 1 -E -- "$wine_assertion" "$out/logs/window.txt" | tr -d '\r') &&
        cp -- "$out/logs/window.txt" "$out/logs/window-wine-assertion.txt" ||
        fail "cannot keep the log of the session with Wine's assertion"
    say "Wine's Vulkan layer asserted after the launcher closed (exit 3, Wine's fault); once more"
    code=0
    age=$(window_session "$display") || code=$?
    [ "$code" -ne 3 ] || fail "Wine's Vulkan layer asserted at teardown twice in a row"
    [ "$code" -eq 0 ] || exit "$code"
    echo "$age the window once, after Wine's '$assertion'"
}

# --- The fatal box without a Direct3D 12 device ----------------------------------------------------

# box_up_for <ms> <launcher> <started_at>: whether the launcher, still running, started that long
# ago; it must not end before.
box_up_for() {
    local since
    since=$(($(now_ms) - $3))
    alive "$2" || fail "the box vanished: the launcher ended $since ms after its start"
    [ "$since" -ge "$1" ]
}
# box_shown <display> <launcher> <started_at>
box_shown() { box_up_for 0 "$2" "$3" && window_shown "$1"; }

# check_fatal_box <display>
check_fatal_box() {
    local display=$1 fatal_launcher started_at box code=0
    say "starting without a Vulkan driver: the fatal box must stay"
    in_root rm -f "$ui_log" || fail "cannot remove the last session's log"
    started_at=$(now_ms)
    in_demo DISPLAY=":$display" VK_ICD_FILENAMES=/nonexistent.json wine LumenarkRecomp.exe \
        >"$out/logs/fatal.txt" 2>&1 </dev/null &
    fatal_launcher=$!
    wait_until 60 "the box titled 'Lumenark Recomp' is shown" box_shown "$display" "$fatal_launcher" "$started_at"
    wait_until 30 "the launcher is still there 10 s after its start" box_up_for 10000 "$fatal_launcher" "$started_at"
    box=$(find_window "$display") || fail "the box is gone 10 s after the start"
    screenshot "$out/windows/fatal-box.png" windows_screen
    xdo "$display" "give the box the keyboard's focus" windowfocus --sync "$box"
    xdo "$display" "press Enter" key Return
    wait_until 60 "Enter dismissed the box and the launcher ended" gone "$fatal_launcher"
    wait "$fatal_launcher" || code=$?
    [ "$code" -eq 4 ] || fail "after the box the launcher exited with $code, not 4"
    log_has "fatal launcher D3D12 hardware device HRESULT=" ||
        fail "the UI event log lacks the fatal line: $(ui_log_end)"
}

# --- The Linux build's frames of the same state ----------------------------------------------------

linux_captures() {
    local page option word
    say "the Linux build's captures and window of an equally laid-out root"
    mkdir -p -- "$LUMENARK_DESKTOP_DIR" || fail "cannot make $LUMENARK_DESKTOP_DIR"
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

# wm_running <display>
wm_running() { DISPLAY=":$1" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
# probe_managed <display>: whether openbox manages the probe window.
probe_managed() {
    local probes probe
    probes=$(DISPLAY=":$1" xdotool search --name '^stage-wm-probe$' 2>/dev/null) || return 1
    for probe in $probes; do
        DISPLAY=":$1" xprop -id "$probe" WM_STATE 2>/dev/null | grep -q 'window state: Normal' && return 0
    done
    return 1
}
# wait_for_window_manager <display>: openbox claims the display before it has finished starting
# (on a fresh machine it builds the font cache then), and a window mapped in between is never
# managed. A probe window that openbox manages says it is ready; a probe it missed in 3 s is
# replaced.
wait_for_window_manager() {
    local display=$1 probe managed
    for _ in {1..20}; do
        DISPLAY=":$display" xmessage -title stage-wm-probe "window manager probe" >/dev/null 2>&1 </dev/null &
        probe=$!
        managed=yes
        within 3 probe_managed "$display" || managed=no
        kill "$probe" 2>/dev/null || true # it may have ended by itself
        [ "$managed" = no ] || return 0
    done
    fail "openbox managed no window within 60 s (see $out/logs/linux-openbox.txt)"
}
# linux_full_screen <display> <launcher>
linux_full_screen() {
    local geometry
    alive "$2" || fail "the Linux build's window ended early: $(tail -n 3 "$out/logs/linux-window.txt")"
    grep -qF "launcher-ready ms=" "$linux_ui_log" 2>/dev/null || return 1
    geometry=$(DISPLAY=":$1" xdotool search --onlyvisible --class '^LumenarkRecomp$' getwindowgeometry 2>/dev/null) ||
        return 1
    [[ $geometry == *"Geometry: ${screen_width}x${screen_height}"* ]]
}
# older_than <started_at> <ms>
older_than() { [ $(($(now_ms) - $1)) -ge "$2" ]; }

# linux_window <Windows animation's age>: the Linux build's window full screen on a display of the
# same size, with a window manager (SDL's fullscreen needs one), photographed once its animation
# has run as long as the Windows one had and two frames in a row show the same.
linux_window() {
    local windows_age=$1 display linux_launcher started_at
    mkdir -p -- "$linux_framebuffer" || fail "cannot make $linux_framebuffer"
    # The X sockets in a folder of the namespace's own, gone with it.
    [ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix || fail "cannot make /tmp/.X11-unix"
    mount -t tmpfs -o mode=1777 stage-x11 /tmp/.X11-unix || fail "cannot mount a tmpfs on /tmp/.X11-unix"
    display=$(start_xvfb "$linux_framebuffer/display" "$out/logs/linux-xvfb.txt" "$linux_framebuffer") || exit
    DISPLAY=":$display" openbox --sm-disable >"$out/logs/linux-openbox.txt" 2>&1 </dev/null &
    wait_until 60 "openbox claims the display" wm_running "$display"
    wait_for_window_manager "$display"
    rm -f -- "$linux_ui_log" || fail "cannot remove $linux_ui_log"
    (cd "$linux_root" && exec env DISPLAY=":$display" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy ./LumenarkRecomp) \
        >"$out/logs/linux-window.txt" 2>&1 </dev/null &
    linux_launcher=$!
    started_at=$(now_ms)
    wait_until 60 "the Linux build's window is full screen" linux_full_screen "$display" "$linux_launcher"
    DISPLAY=":$display" xdotool mousemove "$((screen_width - 1))" "$((screen_height - 1))" \
        >>"$out/logs/xdotool.txt" 2>&1 || fail "xdotool could not park the pointer on the Linux build's display"
    wait_until 120 "the Linux build's animation reached the Windows one's age" older_than "$started_at" "$windows_age"
    wait_until 60 "the Linux build's window shows a settled frame" \
        settled_shot "$out/linux/window-play.png" linux_screen
    rm -f -- "$out/linux/window-play-before.png" || fail "cannot remove the screenshot before"
    kill "$linux_launcher" || fail "cannot stop the Linux build's window"
    wait_until 10 "the Linux build's window ended after a TERM" gone "$linux_launcher"
}

# --- The comparison --------------------------------------------------------------------------------

# compare_builds <the Windows animation's age (ms) at its window's screenshot>
compare_builds() {
    say "comparing the Windows frames with the Linux build's, and the injected faults"
    awk -v ms="$1" 'BEGIN { printf "%.3f\n", ms / 1000 }' >"$out/window-play.seconds" ||
        fail "cannot write $out/window-play.seconds"
    LUMENARK_STAGE_DIR="$out" "$linux_bin/windows_capture_tests" --gtest_color=no \
        >"$out/logs/windows_capture_tests.txt" 2>&1 || {
        grep -E '^  |FAILED|Failure' "$out/logs/windows_capture_tests.txt" | head -n 40 >&2
        fail "the comparison failed (see $out/logs/windows_capture_tests.txt)"
    }
    grep -E '^\[  PASSED  \]' "$out/logs/windows_capture_tests.txt" | sed 's/^/windows stage: comparison: /' >&2 ||
        fail "the comparison printed no PASSED line (see $out/logs/windows_capture_tests.txt)"
}

# --- The stage -------------------------------------------------------------------------------------

# In the host's namespaces: the machine, the cache and its lock, then the steps in the namespace.
main() {
    local started_at
    check_machine
    refuse_mounts_in_cache
    claim_cache
    take_lock
    started_at=$(date +%s) || fail "cannot read the clock"
    run_in_namespace "$started_at"
}

# stage_steps <the stage's start, in seconds since the epoch>: the stage's steps, as the
# namespace's first process: its end, however it comes, ends every process of the namespace and
# its mounts.
stage_steps() {
    local root_done windows_done windows_display window windows_age reruns
    SECONDS=$(($(date +%s) - $1))
    trap 'exit 143' TERM
    rm -rf -- "$out" && mkdir -p -- "$out/windows" "$out/linux" "$out/logs" || fail "cannot make $out"
    ready_root
    root_done=$SECONDS
    windows_display=$(start_windows_display) || exit
    lay_out_demo "$windows_display"
    prepare_games "$windows_display"
    capture_pages "$windows_display"
    window=$(open_window "$windows_display") || exit
    read -r windows_age reruns <<<"$window"
    check_fatal_box "$windows_display"
    windows_done=$SECONDS
    linux_captures
    linux_window "$windows_age"
    compare_builds "$windows_age"
    say "passed in $SECONDS s (root $root_done s, Windows product $((windows_done - root_done)) s," \
        "Linux frames and comparison $((SECONDS - windows_done)) s; reruns: $reruns); frames in $out"
}

# Each branch exits, so that bash reads no more of this file once it runs a step (an edit during a
# run changes nothing then).
if [ $# -eq 0 ]; then
    main
    exit
fi
if [ "$1" = --in-namespace ] && [ $# -eq 2 ]; then
    in_stage_namespace || fail "--in-namespace is the stage's own step: it runs only as the first" \
        "process of the PID namespace the stage makes, with its mounts private; nothing was changed." \
        "Run scripts/windows-stage.sh without arguments"
    stage_steps "$2"
    exit
fi
fail "unknown arguments ($*); usage: scripts/windows-stage.sh"
