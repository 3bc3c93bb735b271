#!/usr/bin/env bash
# Builds FFTW (single precision, static) for both Windows targets from Debian's source package and
# caches the installed result outside the work tree, so a machine pays the ~20 minutes once.
# Each architecture is cached under a key made of the FFTW version, its configure flags, CFLAGS
# and the compiler's version: <cache>/fftw-3.3.10-<key>/<arch>. Safe to run again: a finished
# prefix is reused, and a second run waits for one in progress.
#
# stdout: shell assignments for the two prefixes, meant for
#   eval "$(tools/build_fftw_mingw.sh)"
# which exports AMBIORA_FFTW_X86 and AMBIORA_FFTW_X64 for the windows-x86/windows-x64 presets.
# Progress goes to stderr; build logs go to <cache>/fftw-3.3.10-<key>/<arch>.log.
set -euo pipefail

FFTW_VERSION=3.3.10
CACHE_ROOT=${AMBIORA_CACHE_DIR:-/var/cache/ambiora}

COMMON_FLAGS="--enable-float --enable-sse2 --with-our-malloc --disable-fortran --enable-static --disable-shared --disable-doc"
declare -A HOST=([i686]=i686-w64-mingw32 [x86_64]=x86_64-w64-mingw32)
declare -A CONFIGURE_FLAGS=(
  [i686]="$COMMON_FLAGS --with-incoming-stack-boundary=2"
  [x86_64]="$COMMON_FLAGS --enable-avx --enable-avx2"
)
# FFTW's own choice of CFLAGS, less -mtune=native (the result must not depend on the machine
# that happened to build the cache). On i686 the scalar code would otherwise do its arithmetic in
# x87 registers; -msse2 -mfpmath=sse keeps the whole library on SSE, like our own code.
FFTW_CFLAGS="-O3 -fomit-frame-pointer -fstrict-aliasing -fno-schedule-insns"
declare -A CFLAGS_FOR=(
  [i686]="$FFTW_CFLAGS -malign-double -msse2 -mfpmath=sse"
  [x86_64]="$FFTW_CFLAGS"
)

log() { echo "build_fftw_mingw: $*" >&2; }

compiler() { echo "${HOST[$1]}-gcc-posix"; }

prefix_of() {
  local arch=$1 key
  key=$({
    echo "$FFTW_VERSION"
    echo "${CONFIGURE_FLAGS[$arch]}"
    echo "${CFLAGS_FOR[$arch]}"
    "$(compiler "$arch")" --version 2>/dev/null | head -n1 || echo "no compiler"
  } | sha256sum | cut -c1-12)
  echo "$CACHE_ROOT/fftw-$FFTW_VERSION-$key/$arch"
}

is_complete() { [[ -f "$(prefix_of "$1")/.complete" ]]; }

print_prefixes() {
  echo "export AMBIORA_FFTW_X86=$(prefix_of i686)"
  echo "export AMBIORA_FFTW_X64=$(prefix_of x86_64)"
}

if is_complete i686 && is_complete x86_64; then
  log "using cached builds: $(prefix_of i686) $(prefix_of x86_64)"
  print_prefixes
  exit 0
fi

for arch in i686 x86_64; do
  command -v "$(compiler "$arch")" >/dev/null ||
    { log "missing compiler $(compiler "$arch") (apt-get install g++-mingw-w64-*-posix)"; exit 1; }
done

# Two CI jobs, or a developer and CI, on the same machine must not build into the same prefix.
mkdir -p "$CACHE_ROOT"
exec 9>"$CACHE_ROOT/fftw.lock"
flock 9
if is_complete i686 && is_complete x86_64; then
  log "another run finished the builds"
  print_prefixes
  exit 0
fi

# The Debian revision of the fftw3 source package that carries our upstream version, if apt knows it.
debian_source_version() {
  apt-cache showsrc fftw3 2>/dev/null | awk -v want="$FFTW_VERSION" \
    '$1 == "Version:" && index($2, want "-") == 1 { print $2; exit }'
}

# apt-get source needs a deb-src line for the suite the machine installs from. We add our own file
# rather than edit the machine's, reusing its mirror so the source matches the binaries.
ensure_deb_src() {
  if [[ -n $(debian_source_version) ]]; then
    return
  fi
  local uri="http://deb.debian.org/debian"
  local machine_sources=/etc/apt/sources.list.d/debian.sources
  if [[ -f $machine_sources ]]; then
    uri=$(awk '/^URIs:/ { print $2; exit }' "$machine_sources")
  fi
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  log "adding deb-src for $uri $codename"
  cat >/etc/apt/sources.list.d/ambiora-deb-src.sources <<SOURCES
Types: deb-src
URIs: $uri
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  apt-get update -qq >&2
}

fetch_source() {
  local src_root="$CACHE_ROOT/src"
  local tree="$src_root/fftw3-$FFTW_VERSION"
  if [[ ! -x "$tree/configure" ]]; then
    ensure_deb_src
    local version
    version=$(debian_source_version)
    [[ -n $version ]] || { log "apt offers no fftw3 source $FFTW_VERSION-*"; exit 1; }
    rm -rf "$src_root"
    mkdir -p "$src_root"
    log "fetching Debian source package fftw3 $version"
    (cd "$src_root" && apt-get source -qq "fftw3=$version" >&2)
  fi
  [[ -x "$tree/configure" ]] || { log "no configure script in $tree"; exit 1; }
  echo "$tree"
}

build_arch() {
  local arch=$1 tree=$2
  local prefix
  prefix=$(prefix_of "$arch")
  local logfile="$prefix.log"
  local work
  work=$(mktemp -d "${TMPDIR:-/tmp}/fftw-$arch.XXXXXX")
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  log "building $arch into $prefix (log: $logfile)"
  # Both arches build at once; -j2 each keeps both cores busy after the faster one finishes.
  # shellcheck disable=SC2086  # the flags are word lists on purpose
  if ! (cd "$work" &&
    CC=$(compiler "$arch") CFLAGS=${CFLAGS_FOR[$arch]} \
      "$tree/configure" ${CONFIGURE_FLAGS[$arch]} --host="${HOST[$arch]}" --prefix="$prefix" &&
    make -j2 && make install) >"$logfile" 2>&1; then
    log "$arch failed, see $logfile"
    tail -n 30 "$logfile" >&2
    rm -rf "$work"
    return 1
  fi
  rm -rf "$work"
  touch "$prefix/.complete"
}

tree=$(fetch_source)
start=$(date +%s)
pids=()
for arch in i686 x86_64; do
  is_complete "$arch" && continue
  build_arch "$arch" "$tree" &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
((status == 0)) || exit 1
log "built in $(($(date +%s) - start)) s"
print_prefixes
