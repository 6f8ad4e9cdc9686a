#!/usr/bin/env bash
# The launcher's main job on the demo collection: build the Linux launcher, lay out a demo
# project root (fake ROM files with their digests, the fake setup script and interpreter), then
# prepare all three games headless, as `LumenarkRecomp --prepare --roms <folder> --confirm-roms`.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target LumenarkRecomp make_demo_collection
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
exit "$code"
