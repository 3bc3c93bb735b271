#!/usr/bin/env bash
# Builds the Microsoft-ABI test host: clang for x86_64-pc-windows-msvc, lld-link, Windows headers
# from Wine's development package, import libraries made from the .def files by llvm-dlltool. No C
# run-time start-up is linked; host_main is the entry point.
#
# usage: tests/msabi_host/build.sh <output dir>     (prints the path of the .exe)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:?usage: build.sh <output dir>}
mkdir -p "$out"
out=$(cd "$out" && pwd)

wine_headers=/usr/include/wine/wine
if [[ ! -f $wine_headers/windows/windows.h ]]; then
  echo "build.sh: $wine_headers/windows missing (apt-get install libwine-dev)" >&2
  exit 1
fi

flags=(
  --target=x86_64-pc-windows-msvc -std=c++20 -O2 -g0
  -fno-exceptions -fno-rtti -fno-stack-protector -fno-builtin-sin -fno-builtin-pow
  -Wall -Wextra -Werror
  # Wine's headers, not the Windows SDK: quieten what they do differently, and rename the
  # intrinsic their winnt.h defines itself in C++ mode.
  -Wno-pragma-pack -Wno-macro-redefined -Wno-ignored-pragma-intrinsic
  -D_InterlockedCompareExchange128=wine_InterlockedCompareExchange128
  -isystem "$wine_headers/windows" -isystem "$wine_headers/msvcrt"
)

objects=()
for source in host_main host_objects host_runtime settings_records; do
  clang "${flags[@]}" -c "$here/$source.cpp" -o "$out/$source.obj"
  objects+=("$out/$source.obj")
done
for dll in msvcrt kernel32; do
  llvm-dlltool -m i386:x86-64 -d "$here/$dll.def" -l "$out/$dll.lib"
done
lld-link /nologo /entry:host_main /subsystem:console /nodefaultlib /machine:x64 \
  /out:"$out/msabi_host.exe" "${objects[@]}" "$out/msvcrt.lib" "$out/kernel32.lib"
echo "$out/msabi_host.exe"
