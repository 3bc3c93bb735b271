#!/usr/bin/env bash
# The Windows part of CI: builds the x86 and x64 component DLLs with mingw-w64, checks the x86 DLL
# statically, runs the x64 tests under Wine, and runs the Microsoft-ABI host against both DLLs
# (the x86 one under 32-bit Wine emulated by qemu-user). Runs as root, without standard input, on
# a plain Debian 12 machine: it installs what it needs, and builds FFTW and GoogleTest for both
# targets once per machine (cached under /var/cache/ambiora, see tools/build_fftw_mingw.sh).
#
# usage: tools/windows/ci_windows.sh
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
cd "$repo"

step() { echo "== ci_windows: $* ($(date -u +%H:%M:%S))"; }

packages=(
  cmake python3 dpkg-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 xvfb googletest
)
bash tools/ensure_packages.sh "${packages[@]}"

step "FFTW for both targets"
eval "$(tools/build_fftw_mingw.sh </dev/null)"
step "GoogleTest for both targets"
eval "$(tools/windows/build_googletest_mingw.sh </dev/null)"

# Only the DLL for x86: its test suites cannot run on this kernel, and the x64 build compiles the
# same sources; the x86 DLL is run under emulation by the Microsoft-ABI host below.
step "x86 build"
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86 --target foo_dsp_ambiora
step "x86 static checks"
tools/windows/check_x86_dll.sh "$repo/build/windows-x86"

step "x64 build"
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64

step "x64 tests under Wine"
# shellcheck source=wine_env.sh
source tools/windows/wine_env.sh
trap wine_env_cleanup EXIT
wine_env_start </dev/null
ctest --preset windows-x64 </dev/null
step "x64 DLL against the Microsoft-ABI host"
tools/windows/run_msabi_host.sh build/windows-x64/bin/foo_dsp_ambiora.dll </dev/null
# About two minutes on a fresh machine: qemu-user and 32-bit Wine installed and cached, a 32-bit
# prefix, then the run. Most of the run (about 40 s of 45) is the component measuring its FFT
# plans as it loads, as it does in the player; short enough that nothing needs cutting.
step "x86 DLL against the Microsoft-ABI host, under emulation"
status=0
tools/windows/run_msabi_host.sh build/windows-x86/bin/foo_dsp_ambiora.dll </dev/null || status=$?
if ((status == 77)); then
  step "SKIPPED the x86 host run: this machine does not let us register qemu-i386 with binfmt_misc"
elif ((status != 0)); then
  exit "$status"
fi
step "done"
