#!/usr/bin/env bash
# Builds the Microsoft-ABI test host (tests/msabi_host) and runs it under Wine against a component
# DLL: the host calls the DLL exactly as the Microsoft-compiled player does, so a slot, struct
# return or by-value argument that only g++ agrees with shows up as a failed check.
#
# usage: tools/windows/run_msabi_host.sh <x64 component DLL>
#
# Prints one line per check and a final "N passed, N failed" line; exits non-zero if any check
# failed or the host did not get to its summary. Uses the Wine environment it finds (WINEPREFIX
# and WINELOADER set, as after wine_env_start); otherwise starts one of its own and removes it.
# MSABI_HOST_BUILD_DIR: where to build the host (default: a temporary folder).
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
dll=${1:?usage: run_msabi_host.sh <x64 component DLL>}
[[ -f $dll ]] || { echo "run_msabi_host: no such DLL: $dll" >&2; exit 2; }
dll=$(cd "$(dirname "$dll")" && pwd)/$(basename "$dll")

# The compiler, linker, import-library tool and Wine's Windows headers; installed if missing (CI
# runs as root on a plain Debian 12).
bash "$(dirname "$0")/../ensure_packages.sh" clang lld llvm libwine-dev

temp_build=
build_dir=${MSABI_HOST_BUILD_DIR:-}
if [[ -z $build_dir ]]; then
  temp_build=$(mktemp -d "${TMPDIR:-/tmp}/msabi-host.XXXXXX")
  build_dir=$temp_build
fi
own_wine=
cleanup() {
  [[ -n $own_wine ]] && wine_env_cleanup
  [[ -n $temp_build ]] && rm -rf "$temp_build"
  return 0
}
trap cleanup EXIT

host_exe=$("$repo/tests/msabi_host/build.sh" "$build_dir")

if [[ -z ${WINEPREFIX:-} || -z ${WINELOADER:-} ]]; then
  # shellcheck source=wine_env.sh
  source "$repo/tools/windows/wine_env.sh"
  wine_env_start </dev/null
  own_wine=1
fi

# Wine maps the Unix root to drive Z:.
windows_path="Z:${dll//\//\\}"
output=$(mktemp "${TMPDIR:-/tmp}/msabi-host-output.XXXXXX")
status=0
"$WINELOADER" "$host_exe" "$windows_path" </dev/null >"$output" 2>&1 || status=$?
cat "$output"
summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$output" || true)
rm -f "$output"
if [[ -z $summary ]]; then
  echo "FAIL the host ended without its summary (exit code $status): it crashed outside a guarded step"
  exit 1
fi
exit "$status"
