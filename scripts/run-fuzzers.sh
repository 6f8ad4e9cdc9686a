#!/usr/bin/env bash
# Builds the reader fuzz targets with clang and runs each for a fixed number of inputs, starting
# from its seed corpus. Skipped, with a line saying so, where clang with libFuzzer is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${LUMENARK_FUZZ_RUNS:-20000}
if ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz targets skipped: clang++ is not installed"
    exit 0
fi
cmake -S fuzz -B out/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null
cmake --build out/fuzz -j "$(nproc)"
if [ ! -x out/fuzz/json_fuzzer ]; then
    echo "fuzz targets skipped: this clang has no libFuzzer"
    exit 0
fi
rm -rf out/fuzz/qx-fuzz-*
# Each target with its seeds and, where it reads JSON, the JSON dictionary.
targets=(json:json preferences:preferences launcher_files:launcher_files
         setup_progress:setup_progress manifest:manifests)
for entry in "${targets[@]}"; do
    target=${entry%%:*}
    seeds=fuzz/corpus/${entry##*:}
    corpus=out/fuzz/corpus/$target
    mkdir -p "$corpus"
    options=(-runs="$runs" -max_len=4096 -seed=1 -print_final_stats=1)
    case $target in json | setup_progress) options+=(-dict="$PWD/fuzz/json.dict") ;; esac
    # A finding stops the run with the input that caused it, kept in out/fuzz.
    if ! TMPDIR="$PWD/out/fuzz" "out/fuzz/${target}_fuzzer" "${options[@]}" \
        -artifact_prefix=out/fuzz/ "$corpus" "$seeds" >"out/fuzz/$target.log" 2>&1; then
        tail -n 40 "out/fuzz/$target.log"
        echo "fuzz target $target found a fault"
        exit 1
    fi
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "out/fuzz/$target.log")
    echo "fuzzed $target: $executed inputs, no finding; corpus of $(ls "$corpus" | wc -l) inputs"
done
