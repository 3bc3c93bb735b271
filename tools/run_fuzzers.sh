#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (the `fuzz` preset) and runs each for a bounded time,
# starting from the committed seed corpus. New inputs go to a scratch corpus in the build folder,
# never into the repository; a failing input is left there as crash-* / leak-* / timeout-*.
# A failure found this way belongs in fuzz/regressions/<target>/, where the replay test runs it.
#
# usage: bash tools/run_fuzzers.sh [seconds per target, default 60] [build dir]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
seconds=${1:-60}
build=${2:-$repo/build/fuzz}

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" -j 2 --target settings_stream_fuzzer chunk_path_fuzzer

for target in settings_stream_fuzzer chunk_path_fuzzer; do
    work="$build/fuzz-work/$target"
    mkdir -p "$work/corpus" "$work/artifacts"
    echo "== fuzzing $target for ${seconds}s"
    # One slow input must not eat the whole budget unnoticed; 2 GB covers the engine's buffers.
    "$build/bin/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
        "$work/corpus" "fuzz/corpus/$target"
done
