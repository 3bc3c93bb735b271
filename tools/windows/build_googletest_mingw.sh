#!/usr/bin/env bash
# Builds GoogleTest from Debian's googletest package (/usr/src/googletest) with both mingw-w64
# toolchains and caches the installed result outside the work tree, keyed by the GoogleTest
# version and the toolchain files, so the Windows presets find a matching GTest package.
#
# stdout: shell assignments for the two prefixes, meant for
#   eval "$(tools/windows/build_googletest_mingw.sh)"
# which exports AMBIORA_GTEST_X86 and AMBIORA_GTEST_X64.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
source_dir=/usr/src/googletest
CACHE_ROOT=${AMBIORA_CACHE_DIR:-/var/cache/ambiora}

log() { echo "build_googletest_mingw: $*" >&2; }

[[ -f $source_dir/CMakeLists.txt ]] || { log "$source_dir missing (apt-get install googletest)"; exit 1; }
version=$(dpkg-query -W -f '${Version}' googletest 2>/dev/null || echo unknown)
key=$({
  echo "$version"
  cat "$repo"/cmake/toolchains/mingw-*.cmake
  x86_64-w64-mingw32-g++-posix --version | head -n1
  i686-w64-mingw32-g++-posix --version | head -n1
} | sha256sum | cut -c1-12)
cache_dir="$CACHE_ROOT/googletest-$version-$key"

print_prefixes() {
  echo "export AMBIORA_GTEST_X86=$cache_dir/i686"
  echo "export AMBIORA_GTEST_X64=$cache_dir/x86_64"
}

mkdir -p "$cache_dir"
exec 9>"$cache_dir/.lock"
flock 9
for arch in i686 x86_64; do
  prefix="$cache_dir/$arch"
  [[ -f $prefix/.complete ]] && continue
  log "building GoogleTest $version for $arch"
  work=$(mktemp -d "${TMPDIR:-/tmp}/googletest-$arch.XXXXXX")
  rm -rf "$prefix"
  if ! {
    cmake -S "$source_dir" -B "$work" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchains/mingw-$arch.cmake" \
      -DCMAKE_INSTALL_PREFIX="$prefix" -Dgtest_disable_pthreads=OFF &&
      cmake --build "$work" -j2 && cmake --install "$work"
  } >"$cache_dir/$arch.log" 2>&1; then
    log "$arch failed, see $cache_dir/$arch.log"
    tail -n 30 "$cache_dir/$arch.log" >&2
    rm -rf "$work"
    exit 1
  fi
  rm -rf "$work"
  touch "$prefix/.complete"
done
print_prefixes
