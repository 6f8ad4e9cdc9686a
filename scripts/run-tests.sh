#!/usr/bin/env bash
# Builds both platforms and runs every test: the Linux build natively and again under the
# sanitizers, the readers' fuzz targets, the Windows build's tests under Wine, then the Windows
# product itself under Wine 10 in a Debian 13 root.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

cmake --preset linux
cmake --build --preset linux -j "$jobs"
ctest --preset linux

# The same tests under the address and undefined-behaviour sanitizers; any report fails its test.
cmake --preset linux-asan
cmake --build --preset linux-asan -j "$jobs"
ctest --preset linux-asan

# The readers' fuzz targets, each for a fixed number of inputs (with clang and libFuzzer).
bash scripts/run-fuzzers.sh

cmake --preset windows
cmake --build --preset windows -j "$jobs"
export WINEDEBUG=-all
# Wine maps Windows file names onto Linux ones through the locale's character set: without a UTF-8
# locale (a bare CI shell has none set) it cannot create a file named beyond ASCII.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
export WINEPREFIX="$PWD/out/windows/wineprefix"
# A fresh prefix of the build tree's own; one wineserver kept alive for all test processes.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot --init >/dev/null 2>&1 || true
fi
# Let the prefix's first boot finish whole before the tests, then keep one server running;
# a server that is still up from elsewhere serves just as well.
timeout 120 wineserver -w || true
wineserver -p || true
# The first Wine process starts the prefix's services, which inherit its output streams; start
# them here with nowhere to write, or CTest would wait for their end on a test's output pipe.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
ctest --preset windows

# The Windows product itself: its Direct3D 12 renderer, captures, window and fatal box under
# Wine 10 in a Debian 13 root, compared with the Linux build's frames.
bash scripts/windows-stage.sh
