#!/usr/bin/env bash
# Smoke-runs the x86 component DLL under emulation: this kernel cannot execute 32-bit code, so
# Wine's 32-bit loader runs under qemu-i386 (qemu-user-static from bookworm-backports), started
# by a binfmt_misc registration for i386 ELF files. About 200x slower than native; not part of
# CI. The smoke program (tools/windows/smoke) loads the DLL through its export, instantiates the
# DSP, runs a few chunks in Bypass, a decoder mode and a headphone mode, and unloads.
#
# 32-bit Wine is not installed through dpkg: on a machine whose amd64 libraries came from the
# security suite, wine32:i386 cannot be installed beside them whenever the mirror's i386 index
# lags (its multi-arch libraries must match the amd64 versions exactly). Wine's 32-bit side needs
# little from Linux (libc), so we unpack wine32, libwine and the 32-bit C library into a private
# root and let qemu resolve the loader's paths there (QEMU_LD_PREFIX).
#
# usage: tools/windows/smoke_x86_qemu.sh [x86 build dir, default build/windows-x86]
# Run as root. Leaves the i386 binfmt registration and the cached root in place for next time.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$repo/build/windows-x86}
CACHE_ROOT=${AMBIORA_CACHE_DIR:-/var/cache/ambiora}
wine_root=$CACHE_ROOT/wine32-root
export DEBIAN_FRONTEND=noninteractive

step() { echo "== smoke_x86_qemu: $* ($(date -u +%H:%M:%S))"; }

# --- qemu-user-static 10 from backports -------------------------------------------------------
qemu_major() { qemu-i386-static --version 2>/dev/null | awk '/version/ { split($3, v, "."); print v[1]; exit }'; }
if [[ $(qemu_major) != 1[0-9] ]]; then
  step "adding bookworm-backports and installing qemu-user-static"
  uri=http://deb.debian.org/debian
  [[ -f /etc/apt/sources.list.d/debian.sources ]] &&
    uri=$(awk '/^URIs:/ { print $2; exit }' /etc/apt/sources.list.d/debian.sources)
  cat >/etc/apt/sources.list.d/ambiora-backports.sources <<SOURCES
Types: deb
URIs: $uri
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  apt-get update -qq </dev/null || true # a lagging index of another suite must not stop us
  apt-get install -y -qq -t bookworm-backports qemu-user-static </dev/null >/dev/null
fi
step "$(qemu-i386-static --version | head -n1)"

# --- 32-bit Wine in a private root --------------------------------------------------------------
if [[ ! -x $wine_root/usr/lib/wine/wine ]]; then
  step "unpacking 32-bit Wine into $wine_root"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq </dev/null || true
  debs=$(mktemp -d)
  (cd "$debs" && apt-get download -qq wine32:i386 libwine:i386 libc6:i386 libgcc-s1:i386 \
    gcc-12-base:i386 </dev/null)
  rm -rf "$wine_root.tmp"
  mkdir -p "$wine_root.tmp"
  for deb in "$debs"/*.deb; do dpkg -x "$deb" "$wine_root.tmp"; done
  rm -rf "$debs"
  # Wine's user32 needs zlib1.dll among its own DLLs, marked as a Wine builtin. Debian's libwine
  # makes it on installation from libz-mingw-w64's DLL; we do the same for our unpacked copy.
  dpkg-query -W libz-mingw-w64 >/dev/null 2>&1 || apt-get install -y -qq libz-mingw-w64 </dev/null >/dev/null
  for arch in i386:i686 x86_64:x86_64; do
    in=/usr/${arch#*:}-w64-mingw32/lib/zlib1.dll
    out=$wine_root.tmp/usr/lib/i386-linux-gnu/wine/${arch%:*}-windows/zlib1.dll
    {
      head -c 64 "$in"
      printf 'Wine builtin DLL'
      head -c 16 /dev/zero
      tail -c +97 "$in"
    } >"$out"
  done
  rm -rf "$wine_root"
  mv "$wine_root.tmp" "$wine_root"
fi
export QEMU_LD_PREFIX=$wine_root
wine32=$wine_root/usr/lib/wine/wine

# --- binfmt_misc: i386 ELF files go to qemu-i386 -----------------------------------------------
binfmt=/proc/sys/fs/binfmt_misc
[[ -e $binfmt/register ]] || mount -t binfmt_misc binfmt_misc "$binfmt"
if [[ ! -e $binfmt/qemu-i386 ]]; then
  step "registering qemu-i386 with binfmt_misc"
  # Magic and mask of a 32-bit little-endian x86 ELF executable or shared object. F: the kernel
  # opens the interpreter now, so it works from any root; P: argv[0] is passed through.
  echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:PF' \
    >"$binfmt/register"
fi
step "$("$wine32" --version) runs through binfmt_misc"

# --- the DLL and the smoke program --------------------------------------------------------------
dll=$build/bin/foo_dsp_ambiora.dll
[[ -f $dll ]] || { echo "smoke_x86_qemu: no x86 DLL at $dll (cmake --build --preset windows-x86)"; exit 1; }
smoke_build=$build/smoke
cmake -S "$repo/tools/windows/smoke" -B "$smoke_build" \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchains/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$smoke_build" -j2 >/dev/null

# --- a fresh 32-bit prefix, then the run --------------------------------------------------------
work=$(mktemp -d "${TMPDIR:-/tmp}/ambiora-x86-smoke.XXXXXX")
export WINEPREFIX=$work/prefix WINEARCH=win32
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  "$wine_root/usr/lib/wine/wineserver" -k 2>/dev/null || /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
step "creating a 32-bit Wine prefix (takes a minute or two under emulation)"
started=$SECONDS
# wineboot ends with an error here because there is no display driver for the desktop window;
# the prefix itself is complete, which is all a console program needs.
"$wine32" wineboot -i </dev/null >/dev/null 2>&1 || true
[[ -d $WINEPREFIX/drive_c/windows/system32 ]] || { echo "smoke_x86_qemu: wineboot made no prefix"; exit 1; }
step "prefix ready in $((SECONDS - started)) s"

cp "$smoke_build/smoke_component.exe" "$work/"
cp "$dll" "$work/"
step "smoke run"
started=$SECONDS
(cd "$work" && "$wine32" ./smoke_component.exe ./foo_dsp_ambiora.dll </dev/null)
step "smoke passed in $((SECONDS - started)) s"
