#!/usr/bin/env bash
# Smoke-runs the x86 component DLL under emulation: this kernel cannot execute 32-bit code, so
# Wine's 32-bit loader runs under qemu-i386 (set up by tools/windows/wine32_qemu.sh). Not part of
# CI. The smoke program (tools/windows/smoke) loads the DLL through its export, instantiates the
# DSP, runs a few chunks in Bypass, a decoder mode and a headphone mode, and unloads.
#
# usage: tools/windows/smoke_x86_qemu.sh [x86 build dir, default build/windows-x86]
# Run as root. Leaves the i386 binfmt registration and the cached 32-bit Wine in place for next
# time.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$repo/build/windows-x86}

step() { echo "== smoke_x86_qemu: $* ($(date -u +%H:%M:%S))"; }

# shellcheck source=wine32_qemu.sh
source "$repo/tools/windows/wine32_qemu.sh"
wine32_qemu_setup </dev/null

# --- the DLL and the smoke program --------------------------------------------------------------
dll=$build/bin/foo_dsp_ambiora.dll
[[ -f $dll ]] || { echo "smoke_x86_qemu: no x86 DLL at $dll (cmake --build --preset windows-x86)"; exit 1; }
smoke_build=$build/smoke
cmake -S "$repo/tools/windows/smoke" -B "$smoke_build" \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchains/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$smoke_build" -j2 >/dev/null

# --- a fresh 32-bit prefix, then the run --------------------------------------------------------
trap wine32_prefix_cleanup EXIT
wine32_prefix_start </dev/null
cp "$smoke_build/smoke_component.exe" "$WINE32_WORK/"
cp "$dll" "$WINE32_WORK/"
step "smoke run"
started=$SECONDS
(cd "$WINE32_WORK" && "$WINE32_LOADER" ./smoke_component.exe ./foo_dsp_ambiora.dll </dev/null)
step "smoke passed in $((SECONDS - started)) s"
