#!/usr/bin/env bash
# The Windows launcher under Wine, run from a temporary folder of the Linux file system as a
# player would run it there: Wine reaches that folder through its drive Z:\, whose root it
# reports as a reparse point. A capture with an unknown page word still ends through the fatal
# path with its line in the UI event log, and the headless setup prepares all three games of the
# demo collection laid out there.
#
# usage: linux_folder_under_wine.sh <wine> <folder of the built programs>
set -euo pipefail

wine=$1
bin=$(cd "$2" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/lumenark-wine-folder-XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() {
    echo "linux folder under wine: FAILED: $*" >&2
    exit 1
}

show_log() {
    if [ -f "$1" ]; then
        echo "--- $1" >&2
        tail -n 20 "$1" >&2
    else
        echo "--- no $1" >&2
    fi
}

# Every launcher run is bounded: a launcher that hangs fails the test instead of holding CTest.
run_launcher() {
    local folder=$1
    shift
    (cd "$folder" && timeout 240 "$wine" ./LumenarkRecomp.exe "$@" </dev/null)
}

capture="$work/capture"
mkdir -p "$capture"
cp "$bin/LumenarkRecomp.exe" "$capture/"
set +e
run_launcher "$capture" --ui-capture out.png Play >"$work/capture-output.txt" 2>&1
code=$?
set -e
log="$capture/logs/temporaria-8/ui-latest.log"
if [ "$code" -ne 4 ]; then
    show_log "$log"
    fail "the capture with an unknown page word exited with $code, not 4"
fi
if ! [ -f "$log" ] || ! tail -n 1 "$log" | grep -q ' fatal unknown capture page$'; then
    show_log "$log"
    fail "the UI event log does not end in \"fatal unknown capture page\""
fi
echo "capture with an unknown page word: exit 4, \"fatal unknown capture page\" logged"

# The demo collection, laid out as scripts/demo.sh does, by the Windows build of its tool.
demo="$work/demo"
"$wine" "$bin/make_demo_collection.exe" "$(winepath -w "$demo")" </dev/null >/dev/null
set +e
WINEPATH="$(winepath -w "$demo/interpreters")" \
    run_launcher "$demo" --prepare --roms "$(winepath -w "$demo/roms")" --confirm-roms \
    >"$work/prepare-output.txt" 2>&1
code=$?
set -e
receipts=$(find "$demo/generated" -name setup.json 2>/dev/null | wc -l)
if [ "$code" -ne 0 ] || [ "$receipts" -ne 3 ]; then
    show_log "$demo/logs/temporaria-8/ui-latest.log"
    tail -n 20 "$work/prepare-output.txt" >&2
    fail "the headless setup exited with $code and left $receipts build receipts, not 0 and 3"
fi
echo "headless setup of the demo collection: exit 0, 3 build receipts"
