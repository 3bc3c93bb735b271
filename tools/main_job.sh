#!/usr/bin/env bash
# Builds everything and runs the main job: the native component, the command-line renderer and
# its built-in demo, and the Windows package foo_dsp_ambiora.fb2k-component.
#
# usage: bash tools/main_job.sh [DEMO_DIR]   (as root on Debian 12; installs what is missing)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
demo_dir=${1:-$repo/out/demo}
step() { echo "== main_job: $* ($(date -u +%H:%M:%S))"; }

bash tools/install_deps.sh

step "native build"
cmake --preset native >/dev/null
cmake --build --preset native

step "Windows DLLs and the component package"
bash tools/windows/package_component.sh "$repo/out"

step "demo into $demo_dir"
"$repo/build/native/bin/ambiora" demo "$demo_dir"
step "done"
