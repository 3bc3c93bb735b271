# shellcheck shell=bash
# 32-bit Wine under emulation, for running x86 Windows programs on this kernel, which cannot
# execute 32-bit code: Wine's 32-bit loader runs under qemu-i386 (qemu-user-static from
# bookworm-backports), started by a binfmt_misc registration for i386 ELF files, so that every
# process Wine starts (wineboot, services) is emulated too. About 200x slower than native.
#
#   source tools/windows/wine32_qemu.sh
#   wine32_qemu_setup          # as root; exports QEMU_LD_PREFIX and WINE32_LOADER; returns 2
#                              # when this machine lets nobody register with binfmt_misc
#   wine32_prefix_start        # a fresh 32-bit prefix (under a minute); exports WINEPREFIX,
#                              # WINEARCH and WINELOADER (the 32-bit loader)
#   "$WINE32_LOADER" program.exe
#   wine32_prefix_cleanup
#
# 32-bit Wine is not installed through dpkg: on a machine whose amd64 libraries came from the
# security suite, wine32:i386 cannot be installed beside them whenever the mirror's i386 index
# lags (its multi-arch libraries must match the amd64 versions exactly). Wine's 32-bit side needs
# little from Linux (libc), so we unpack wine32, libwine and the 32-bit C library into a private
# root and let qemu resolve the loader's paths there (QEMU_LD_PREFIX). The i386 binfmt
# registration and the unpacked root stay in place for next time.

wine32_qemu_step() { echo "== wine32_qemu: $* ($(date -u +%H:%M:%S))" >&2; }

wine32_qemu_setup() {
  local cache_root=${AMBIORA_CACHE_DIR:-/var/cache/ambiora}
  local wine_root=$cache_root/wine32-root
  export DEBIAN_FRONTEND=noninteractive

  # Every process Wine starts is exec'd by the kernel, so qemu must be registered with binfmt_misc;
  # a container without the right to mount or write it cannot run 32-bit Wine at all. Found out
  # first, before anything is installed.
  local binfmt=/proc/sys/fs/binfmt_misc
  [[ -e $binfmt/qemu-i386 || -e $binfmt/register ]] ||
    mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || true
  if [[ ! -e $binfmt/qemu-i386 && ! -w $binfmt/register ]]; then
    wine32_qemu_step "cannot register qemu-i386 with binfmt_misc here (no permission)"
    return 2
  fi

  # --- qemu-user-static 10 from backports -----------------------------------------------------
  local qemu_major
  qemu_major=$(qemu-i386-static --version 2>/dev/null |
    awk '/version/ { split($3, v, "."); print v[1]; exit }')
  if [[ $qemu_major != 1[0-9] ]]; then
    wine32_qemu_step "adding bookworm-backports and installing qemu-user-static"
    local uri=http://deb.debian.org/debian
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
    apt-get install -y -qq -t bookworm-backports qemu-user-static </dev/null >/dev/null || return 1
  fi
  wine32_qemu_step "$(qemu-i386-static --version | head -n1)"

  # --- 32-bit Wine in a private root ------------------------------------------------------------
  if [[ ! -x $wine_root/usr/lib/wine/wine ]]; then
    wine32_qemu_step "unpacking 32-bit Wine into $wine_root"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      dpkg --add-architecture i386
    fi
    apt-get update -qq </dev/null || true
    local debs deb arch in out
    debs=$(mktemp -d)
    (cd "$debs" && apt-get download -qq wine32:i386 libwine:i386 libc6:i386 libgcc-s1:i386 \
      gcc-12-base:i386 </dev/null) || return 1
    rm -rf "$wine_root.tmp"
    mkdir -p "$wine_root.tmp"
    for deb in "$debs"/*.deb; do dpkg -x "$deb" "$wine_root.tmp"; done
    rm -rf "$debs"
    # Wine's user32 needs zlib1.dll among its own DLLs, marked as a Wine builtin. Debian's libwine
    # makes it on installation from libz-mingw-w64's DLL; we do the same for our unpacked copy.
    dpkg-query -W libz-mingw-w64 >/dev/null 2>&1 ||
      apt-get install -y -qq libz-mingw-w64 </dev/null >/dev/null || return 1
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
  export WINE32_LOADER=$wine_root/usr/lib/wine/wine
  WINE32_SERVER=$wine_root/usr/lib/wine/wineserver

  # --- binfmt_misc: i386 ELF files go to qemu-i386 ---------------------------------------------
  if [[ ! -e $binfmt/qemu-i386 ]]; then
    wine32_qemu_step "registering qemu-i386 with binfmt_misc"
    # Magic and mask of a 32-bit little-endian x86 ELF executable or shared object. F: the kernel
    # opens the interpreter now, so it works from any root; P: argv[0] is passed through.
    if ! echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:PF' \
      2>/dev/null >"$binfmt/register"; then
      wine32_qemu_step "cannot register qemu-i386 with binfmt_misc here (no permission)"
      return 2
    fi
  fi
  wine32_qemu_step "$("$WINE32_LOADER" --version) runs through binfmt_misc"
}

# A fresh 32-bit prefix in a temporary folder (WINE32_WORK); wine32_prefix_cleanup removes it.
wine32_prefix_start() {
  WINE32_WORK=$(mktemp -d "${TMPDIR:-/tmp}/ambiora-wine32.XXXXXX")
  export WINEPREFIX=$WINE32_WORK/prefix WINEARCH=win32 WINELOADER=$WINE32_LOADER
  # No display: the private root has no 32-bit X libraries, and console programs need none.
  unset DISPLAY
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wine32_qemu_step "creating a 32-bit Wine prefix (under a minute, emulated)"
  local started=$SECONDS
  # wineboot ends with an error here because there is no display driver for the desktop window;
  # the prefix itself is complete, which is all a console program needs.
  "$WINE32_LOADER" wineboot -i </dev/null >/dev/null 2>&1 || true
  if [[ ! -d $WINEPREFIX/drive_c/windows/system32 ]]; then
    wine32_qemu_step "wineboot made no prefix"
    return 1
  fi
  wine32_qemu_step "prefix ready in $((SECONDS - started)) s"
}

wine32_prefix_cleanup() {
  [[ -n ${WINE32_WORK:-} ]] || return 0
  "${WINE32_SERVER:-}" -k 2>/dev/null || /usr/lib/wine/wineserver -k 2>/dev/null || true
  # The server's socket folder, named after the prefix's device and inode, outlives it.
  local dev ino dir
  if read -r dev ino < <(stat -c '%d %i' "$WINEPREFIX" 2>/dev/null); then
    for dir in /tmp/wine-*/"$(printf 'server-%x-%x' "$dev" "$ino")"; do
      [[ -d $dir ]] && rm -rf "$dir" && rmdir "$(dirname "$dir")" 2>/dev/null
    done
  fi
  rm -rf "$WINE32_WORK"
  WINE32_WORK=
  return 0
}
