#!/usr/bin/env bash
# Runs every test: the native suites, the same suites under AddressSanitizer + UBSan and the
# concurrency suite under ThreadSanitizer, each fuzz target for a minute, and the Windows DLLs'
# checks and tests under Wine.
#
# usage: bash tools/test_all.sh            (as root on Debian 12; installs what is missing)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
step() { echo "== test_all: $* ($(date -u +%H:%M:%S))"; }

bash tools/install_deps.sh

step "native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

step "AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

step "ThreadSanitizer (concurrency)"
cmake --preset tsan >/dev/null
cmake --build --preset tsan --target component_tests
ctest --preset tsan

step "fuzzing (libFuzzer, 60 s per target)"
bash tools/run_fuzzers.sh 60

step "Windows DLLs"
bash tools/windows/ci_windows.sh

step "all passed"
