#!/usr/bin/env bash
# Builds the Microsoft-ABI test host (tests/msabi_host) and runs it under Wine against a component
# DLL: the host calls the DLL exactly as the Microsoft-compiled player does, so a slot, struct
# return or by-value argument that only g++ agrees with shows up as a failed check.
#
# usage: tools/windows/run_msabi_host.sh <component DLL>
#
# The DLL's own header says which player to stand in for. An x64 DLL runs under 64-bit Wine: the
# Wine environment this finds (WINEPREFIX and WINELOADER set, as after wine_env_start), or one of
# its own that it removes. An x86 DLL runs under 32-bit Wine emulated by qemu-user, in a fresh
# 32-bit prefix (tools/windows/wine32_qemu.sh; as root, installs and registers what it needs).
# Prints one line per check and a final "N passed, N failed" line; exits non-zero if any check
# failed or the host did not get to its summary, and 77 (nothing run) for an x86 DLL on a machine
# that does not allow registering qemu with binfmt_misc.
# MSABI_HOST_BUILD_DIR: where to build the host (default: a temporary folder).
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
dll=${1:?usage: run_msabi_host.sh <component DLL>}
[[ -f $dll ]] || { echo "run_msabi_host: no such DLL: $dll" >&2; exit 2; }
dll=$(cd "$(dirname "$dll")" && pwd)/$(basename "$dll")
# The machine field of the PE header, whose offset is at 0x3c.
pe_offset=$(od -An -t u4 -j 60 -N 4 "$dll" | tr -d ' ')
case $(od -An -t x2 -j $((pe_offset + 4)) -N 2 "$dll" | tr -d ' ') in
  8664) arch=x64 ;;
  014c) arch=x86 ;;
  *) echo "run_msabi_host: $dll is neither an x64 nor an x86 PE file" >&2; exit 2 ;;
esac

# The compiler, linker, import-library tool, Wine's Windows headers and Wine's (64-bit) server,
# which serves the emulated 32-bit Wine too; installed if missing (CI runs as root on a plain
# Debian 12).
bash "$(dirname "$0")/../ensure_packages.sh" clang lld llvm libwine-dev wine64

temp_build=
build_dir=${MSABI_HOST_BUILD_DIR:-}
if [[ -z $build_dir ]]; then
  temp_build=$(mktemp -d "${TMPDIR:-/tmp}/msabi-host.XXXXXX")
  build_dir=$temp_build
fi
own_wine=
cleanup() {
  [[ $own_wine == x64 ]] && wine_env_cleanup
  [[ $own_wine == x86 ]] && wine32_prefix_cleanup
  [[ -n $temp_build ]] && rm -rf "$temp_build"
  return 0
}
trap cleanup EXIT

host_exe=$("$repo/tests/msabi_host/build.sh" "$build_dir" "$arch")

if [[ $arch == x86 ]]; then
  # shellcheck source=wine32_qemu.sh
  source "$repo/tools/windows/wine32_qemu.sh"
  wine32_qemu_setup </dev/null || { status=$?; ((status == 2)) && exit 77; exit "$status"; }
  own_wine=x86
  wine32_prefix_start </dev/null  # sets WINELOADER to the 32-bit loader
elif [[ -z ${WINEPREFIX:-} || -z ${WINELOADER:-} ]]; then
  # shellcheck source=wine_env.sh
  source "$repo/tools/windows/wine_env.sh"
  wine_env_start </dev/null
  own_wine=x64
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
