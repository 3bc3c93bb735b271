#!/usr/bin/env bash
# Start-up of the x64 Windows DLL under Wine, as the player meets it: LoadLibrary, then
# foobar2000_get_interface (which builds the engine and plans the transforms), then the DSP made
# in the headphone mode and run until its first output (tools/bench/windows_start_up_timer.cpp
# times the steps inside one process).
#
# In a scratch Wine prefix, so the user's own wisdom cache is neither used nor touched: one run
# with an empty cache (cold wisdom: the transforms are measured and the cache written), then
# RUNS runs with that cache (warm wisdom), each both in a cold process and with the component's
# system DLLs preloaded, as in the player. Prints milliseconds per step and in total, the median
# of the warm runs (each column on its own, so the steps need not add up to the total).
# A measurement, not a test: it judges nothing and is not part of CI.
#
# usage: tools/bench/windows_start_up.sh [--runs N] [--stripped] [component DLL]
#
# --stripped times a copy stripped as tools/windows/package_component.sh strips the DLL it ships:
# Wine's loader reads the debug sections of an unstripped one too, about 10 ms more to load.
# The DLL defaults to build/windows-x64/bin/foo_dsp_ambiora.dll, built by
#   eval "$(tools/build_fftw_mingw.sh)"; eval "$(tools/windows/build_googletest_mingw.sh)"
#   cmake --preset windows-x64 && cmake --build --preset windows-x64 --target foo_dsp_ambiora
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
usage="usage: windows_start_up.sh [--runs N] [--stripped] [component DLL]"
runs=9 stripped=
while [[ ${1:-} == --* ]]; do
  case $1 in
    --runs) runs=${2:?$usage}; shift 2 ;;
    --stripped) stripped=1; shift ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
done
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "$usage" >&2; exit 2; }
dll=${1:-$repo/build/windows-x64/bin/foo_dsp_ambiora.dll}
[[ -f $dll ]] || { echo "windows_start_up: no DLL at $dll (see the header of $0)" >&2; exit 2; }
dll=$(cd "$(dirname "$dll")" && pwd)/$(basename "$dll")

bash "$repo/tools/ensure_packages.sh" clang lld llvm libwine-dev wine64 binutils-mingw-w64-x86-64
work=$(mktemp -d "${TMPDIR:-/tmp}/windows-start-up.XXXXXX")
unset WINEPREFIX  # always a scratch prefix, removed by wine_env_cleanup
# shellcheck source=../windows/wine_env.sh
source "$repo/tools/windows/wine_env.sh"
cleanup() {
  wine_env_cleanup
  rm -rf "$work"
}
trap cleanup EXIT

if [[ -n $stripped ]]; then
  cp "$dll" "$work/$(basename "$dll")"
  dll=$work/$(basename "$dll")
  x86_64-w64-mingw32-strip --strip-unneeded "$dll"
fi
timer=$("$repo/tests/msabi_host/build.sh" "$work/host" x64 \
  "$repo/tools/bench/windows_start_up_timer.cpp")
wine_env_start </dev/null

# Appends "<condition> <step> <ms>" lines to $work/times for one run of the timer.
time_once() {
  local condition=$1 output
  shift
  output=$("$WINELOADER" "$timer" "$@" "Z:${dll//\//\\}" </dev/null 2>&1) || {
    echo "windows_start_up: the timer failed:" >&2
    echo "$output" >&2
    exit 1
  }
  awk -v c="$condition" '$1 == "step" { print c, $2, $3 } $1 == "total" { print c, "total", $2 }' \
    <<<"$output" >>"$work/times"
}

time_once cold_wisdom --preload-system-dlls
if [[ -z $(find "$WINEPREFIX/drive_c/users" -name '*.wisdom' 2>/dev/null) ]]; then
  echo "windows_start_up: the first run left no wisdom file; the warm runs would not be warm" >&2
  exit 1
fi
for ((i = 0; i < runs; ++i)); do
  time_once warm_cold_process
  time_once warm_preloaded --preload-system-dlls
done

median() {
  awk -v c="$1" -v s="$2" '$1 == c && $2 == s { print $3 }' "$work/times" | sort -g |
    awk '{ v[NR] = $1 } END { printf "%8.1f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
steps=(load_library get_interface create_dsp first_output total)
echo
echo "Start-up of $(basename "$dll")${stripped:+ (stripped)} under $("$WINELOADER" --version), ms (warm: median of $runs)"
printf '%-48s' "wisdom, system DLLs"
printf ' %13s' "${steps[@]}"
echo
for row in "cold_wisdom:cold wisdom (1 run), preloaded as in the player" \
  "warm_cold_process:warm wisdom, cold process (none preloaded)" \
  "warm_preloaded:warm wisdom, preloaded as in the player"; do
  printf '%-48s' "${row#*:}"
  for step in "${steps[@]}"; do printf ' %13s' "$(median "${row%%:*}" "$step")"; done
  echo
done
