#!/usr/bin/env bash
# Builds the Linux launcher and runs it in a demo project root.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target LumenarkRecomp
demo="$PWD/out/demo"
rm -rf "$demo"
mkdir -p "$demo"
cp out/linux/bin/LumenarkRecomp "$demo/"
export LUMENARK_DESKTOP_DIR="$demo/.desktop"
set +e
"$demo/LumenarkRecomp"
code=$?
set -e
echo "launcher exit code: $code"
echo "UI event log ($demo/logs/temporaria-8/ui-latest.log):"
cat "$demo/logs/temporaria-8/ui-latest.log"
exit "$code"
