#!/usr/bin/env bash
# Builds the Microsoft-ABI test host: clang for x86_64-pc-windows-msvc or i686-pc-windows-msvc,
# lld-link, Windows headers from Wine's development package, import libraries made from the .def
# files by llvm-dlltool. No C run-time start-up is linked; host_main is the entry point.
#
# usage: tests/msabi_host/build.sh <output dir> [x64|x86] [main source]   (prints the .exe's path)
# The main source (default: host_main.cpp, giving msabi_host.exe) defines host_main; another one,
# such as tools/bench/windows_start_up_timer.cpp, gets an .exe of its own name and the host's
# run-time and objects.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:?usage: build.sh <output dir> [x64|x86]}
arch=${2:-x64}
main=${3:-$here/host_main.cpp}
program=msabi_host
[[ $main -ef $here/host_main.cpp ]] || program=$(basename "$main" .cpp)
case $arch in
  x64) target=x86_64-pc-windows-msvc dlltool_machine=i386:x86-64 link_flags=(/machine:x64)
    undecorate='s/@[0-9]+$//' ;;
  # Wine's DLLs and ours carry no safe exception handler tables; the .def files list i386 names
  # with their decoration (see there).
  x86) target=i686-pc-windows-msvc dlltool_machine=i386 link_flags=(/machine:x86 /safeseh:no)
    undecorate= ;;
  *) echo "build.sh: unknown architecture $arch" >&2; exit 2 ;;
esac
mkdir -p "$out"
out=$(cd "$out" && pwd)

wine_headers=/usr/include/wine/wine
if [[ ! -f $wine_headers/windows/windows.h ]]; then
  echo "build.sh: $wine_headers/windows missing (apt-get install libwine-dev)" >&2
  exit 1
fi

flags=(
  "--target=$target" -std=c++20 -O2 -g0
  -fno-exceptions -fno-rtti -fno-stack-protector -fno-builtin-sin -fno-builtin-pow
  -Wall -Wextra -Werror
  # Wine's headers, not the Windows SDK: quieten what they do differently.
  -Wno-pragma-pack -Wno-macro-redefined -Wno-ignored-pragma-intrinsic
  -isystem "$wine_headers/windows" -isystem "$wine_headers/msvcrt" -I "$here"
)

# Rename the intrinsics Wine's winnt.h defines itself in C++ mode (more of them on x86).
renamed=(InterlockedCompareExchange128)
[[ $arch == x86 ]] && renamed=(InterlockedAnd64 InterlockedOr64 InterlockedXor64
  InterlockedIncrement64 InterlockedDecrement64 InterlockedExchangeAdd64
  InterlockedCompareExchangePointer InterlockedExchangePointer)
for name in "${renamed[@]}"; do flags+=("-D_$name=wine_$name"); done

objects=()
for source in "$main" "$here/host_objects.cpp" "$here/host_runtime.cpp"; do
  object=$out/$(basename "$source" .cpp).obj
  clang "${flags[@]}" -c "$source" -o "$object"
  objects+=("$object")
done
for dll in msvcrt kernel32; do
  # -k: a stdcall name is linked with its @bytes suffix and imported without it.
  sed -E "$undecorate" "$here/$dll.def" >"$out/$dll.def"
  llvm-dlltool -k -m "$dlltool_machine" -d "$out/$dll.def" -l "$out/$dll.lib"
done
lld-link /nologo /entry:host_main /subsystem:console /nodefaultlib "${link_flags[@]}" \
  /out:"$out/$program.exe" "${objects[@]}" "$out/msvcrt.lib" "$out/kernel32.lib"
echo "$out/$program.exe"
