#!/usr/bin/env bash
# Builds the x86 and x64 component DLLs and packs them as the player installs components: a zip
# named foo_dsp_ambiora.fb2k-component with the x86 DLL at its root and the x64 DLL under x64/.
#
# usage: tools/windows/package_component.sh [OUT_DIR, default out]
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
out=$(mkdir -p "${1:-$repo/out}" && cd "${1:-$repo/out}" && pwd)
cd "$repo"

packages=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
          binutils-mingw-w64-x86-64 dpkg-dev zip googletest)
bash tools/ensure_packages.sh "${packages[@]}"

eval "$(tools/build_fftw_mingw.sh </dev/null)"
eval "$(tools/windows/build_googletest_mingw.sh </dev/null)"
for arch in x86 x64; do
  cmake --preset "windows-$arch" >/dev/null
  cmake --build --preset "windows-$arch" --target foo_dsp_ambiora
done

staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
mkdir -p "$staging/x64"
cp build/windows-x86/bin/foo_dsp_ambiora.dll "$staging/"
cp build/windows-x64/bin/foo_dsp_ambiora.dll "$staging/x64/"
# The DLLs keep their symbols for the static checks; the package does not need them.
i686-w64-mingw32-strip --strip-unneeded "$staging/foo_dsp_ambiora.dll"
x86_64-w64-mingw32-strip --strip-unneeded "$staging/x64/foo_dsp_ambiora.dll"
rm -f "$out/foo_dsp_ambiora.fb2k-component"
(cd "$staging" && zip -q -X -r "$out/foo_dsp_ambiora.fb2k-component" foo_dsp_ambiora.dll x64)
echo "package: $out/foo_dsp_ambiora.fb2k-component"
unzip -l "$out/foo_dsp_ambiora.fb2k-component"
