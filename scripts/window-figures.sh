#!/usr/bin/env bash
# Prints the launcher window's figures on this machine (Linux build, SDL's offscreen driver):
# start to "launcher-ready" (target: at most 250 ms), a whole --ui-capture run as a process
# (target: at most 300 ms), and the CPU an idle launcher uses over 10 s at 60 frames a second.
# The inactive (2 frames a second) figure comes from out/linux/bin/window_idle_figures.
# Run after `cmake --build --preset linux`.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher="$PWD/out/linux/bin/LumenarkRecomp"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cp "$launcher" "$root/"
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen}
export LUMENARK_DESKTOP_DIR="$root/desktop"
log="$root/logs/temporaria-8/ui-latest.log"
runs=${RUNS:-10}

wait_for() {
    for _ in $(seq 1 500); do
        grep -q "$1" "$log" 2>/dev/null && return 0
        sleep 0.01
    done
    return 1
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

ready=()
for _ in $(seq 1 "$runs"); do
    rm -f "$log"
    "$root/LumenarkRecomp" 2>/dev/null &
    pid=$!
    wait_for "launcher-ready ms=" || { echo "no launcher-ready line"; exit 1; }
    ready+=("$(sed -n 's/.*launcher-ready ms=\([0-9]*\).*/\1/p' "$log")")
    kill -TERM "$pid"
    wait "$pid"
done
echo "start to launcher-ready: median $(printf '%s\n' "${ready[@]}" | median) ms over $runs runs" \
     "(each: ${ready[*]})"

captures=()
for _ in $(seq 1 "$runs"); do
    start=$(date +%s%N)
    (cd "$root" && ./LumenarkRecomp --ui-capture capture.png 2>/dev/null)
    captures+=($(( ($(date +%s%N) - start) / 1000000 )))
done
echo "--ui-capture as a process: median $(printf '%s\n' "${captures[@]}" | median) ms over $runs runs" \
     "(each: ${captures[*]})"

rm -f "$log"
"$root/LumenarkRecomp" 2>/dev/null &
pid=$!
wait_for "launcher-ready ms="
ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(cpu)
sleep 10
after=$(cpu)
kill -TERM "$pid"
wait "$pid"
frames=$(sed -n 's/.*launcher-close frames=\([0-9]*\).*/\1/p' "$log")
echo "idle launcher, active, 10 s: $(( (after - before) * 100 / ticks / 10 ))% of one core;" \
     "$frames frames in all"
