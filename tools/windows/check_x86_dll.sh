#!/usr/bin/env bash
# Static checks of the x86 component DLL, which this machine cannot run natively:
#   - it is a 32-bit PE DLL;
#   - its only export is `foobar2000_get_interface`, undecorated;
#   - it imports only system DLLs (no libstdc++/libgcc/libwinpthread beside it in the player);
#   - it carries a resource section;
#   - our code (engine, component, host layer) and FFTW do no x87 arithmetic: the 32-bit build
#     must compute in SSE2 registers like the 64-bit one.
#
# The x87 check disassembles the DLL and attributes each function to the object files it came
# from (by symbol name, so the DLL must keep its symbol table: the RelWithDebInfo build does).
# Loads and stores through the x87 stack (fld/fstp) are allowed: the 32-bit calling convention
# returns float and double in st(0), so every call to a function returning a float has one; they
# round nothing; so do fabs and fchs. Arithmetic (fadd, fmul, fsqrt, fsin, compares...) is not,
# except in FFTW's planner timer (listed in the script). The static runtime
# (mingw CRT, libgcc, libstdc++) keeps its own x87 code; the report lists which of those functions
# our code calls directly.
#
# usage: tools/windows/check_x86_dll.sh [build dir, default build/windows-x86]
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$repo/build/windows-x86}
dll=$build/bin/foo_dsp_ambiora.dll
objdump=i686-w64-mingw32-objdump
nm=i686-w64-mingw32-nm

fail=0
report() { echo "check_x86_dll: $*"; }
bad() {
  report "FAIL $*"
  fail=1
}

[[ -f $dll ]] || { report "FAIL no DLL at $dll"; exit 1; }
report "$dll"

# 1. Architecture.
format=$($objdump -f "$dll" | awk '/file format/ { print $NF }')
if [[ $format == pei-i386 ]]; then report "format: $format"; else bad "format is $format, not pei-i386"; fi

private_headers=$($objdump -p "$dll")

# 2. Exports: the names listed in the export name table.
exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/ { in_table = 1; next }
               in_table && /^[ \t]*\[ *[0-9]+\]/ { print $NF; next }
               in_table { in_table = 0 }' <<<"$private_headers" | sort -u)
if [[ $exports == foobar2000_get_interface ]]; then
  report "exports: $exports"
else
  bad "exports are [$(echo "$exports" | tr '\n' ' ')], expected exactly foobar2000_get_interface"
fi

# 3. Imports: only DLLs every Windows installation has.
imports=$(awk '/DLL Name:/ { print $3 }' <<<"$private_headers" | sort -uf)
non_system=$(grep -viE '^(kernel32|user32|shell32|gdi32|comctl32|advapi32|ole32|oleaut32|comdlg32|uxtheme|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$' <<<"$imports" || true)
if [[ -z $non_system ]]; then
  report "imports: $(echo "$imports" | tr '\n' ' ')"
else
  bad "imports non-system DLLs: $(echo "$non_system" | tr '\n' ' ')"
fi

# 4. Resources.
if $objdump -h "$dll" | grep -q ' \.rsrc '; then
  # Top-level entries of the resource tree are the resource types (2 bitmap, 3 icon, 4 menu,
  # 5 dialog, 14 icon group, 16 version information).
  types=$(awk '/^The \.rsrc Resource Directory/ { in_rsrc = 1; next }
               in_rsrc && /^[0-9a-f]+   Entry: ID:/ { sub(/,/, "", $4); print $4 }' \
    <<<"$private_headers" | while read -r id; do printf '%d ' "$id"; done)
  types=${types% }
  report "resources: .rsrc present, types: ${types:-?}"
  [[ " $types " == *" 16 "* ]] || bad "no version information in the resources"
else
  bad "no .rsrc section"
fi

# 5. x87.
symbol_list() { # defined text symbols of object files and archives
  $nm --defined-only "$@" 2>/dev/null | awk '$2 ~ /^[Tt]$/ { print $3 }' | sort -u
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mapfile -t own_objects < <(find "$build" -path '*/CMakeFiles/*' -name '*.obj' \
  \( -path '*/ambiora_engine.dir/*' -o -path '*/ambiora_component.dir/*' -o -path '*/host_sdk.dir/*' \))
((${#own_objects[@]} > 0)) || bad "no object files of ours under $build"
symbol_list "${own_objects[@]}" >"$work/own.syms"
fftw_lib=$(sed -n 's/^AMBIORA_FFTW_ROOT:PATH=//p' "$build/CMakeCache.txt" 2>/dev/null)/lib/libfftw3f.a
if [[ -f $fftw_lib ]]; then symbol_list "$fftw_lib" >"$work/fftw.syms"; else : >"$work/fftw.syms"; fi
$objdump -d --no-show-raw-insn "$dll" >"$work/disassembly"

python3 - "$work" <<'PY' || fail=1
import re, subprocess, sys
work = sys.argv[1]
own = set(open(f"{work}/own.syms").read().split())
fftw = set(open(f"{work}/fftw.syms").read().split())

# x87 instructions that only move values between memory and the register stack (the calling
# convention's float returns, 64-bit integer conversions) or manage its state. Rounding happens
# only on the store, to the stored width, exactly as in SSE.
# fabs and fchs only change the sign bit, which is exact too (GCC sometimes takes a double's
# absolute value this way, through memory, even with -mfpmath=sse).
TRANSFER = re.compile(r"^f(ld|lds|ldl|ldt|ild[sl]?l?|ist[p]?[sl]?l?|isttp[sl]?l?|st[p]?[slt]?|ldz|ld1|"
                      r"xch|free|n?stcw|ldcw|n?stsw|wait|n?init|n?clex|n?stenv|ldenv|n?save|rstor|"
                      r"abs|chs)$")
# FFTW functions allowed x87 arithmetic because they never touch a signal: the planner's timer
# turns the unsigned 64-bit tick count into a double, which i686 can only do on the x87 stack.
FFTW_PLANNING_ONLY = {"fftwf_measure_execution_time", "_fftwf_measure_execution_time"}
PREFIXES = {"lock", "rep", "repz", "repnz", "repe", "repne", "data16", "addr32", "notrack", "bnd",
            "ds", "cs", "ss", "es", "fs", "gs"}

functions = {}  # name -> {"arith": {mnemonic: count}, "transfer": n, "calls": set()}
current = None
label = re.compile(r"^[0-9a-f]+ <(.+)>:$")
insn = re.compile(r"^\s*[0-9a-f]+:\s+(.*)$")
call = re.compile(r"\bcall\s+[0-9a-f]+ <([^>+]+)>")
for line in open(f"{work}/disassembly"):
    m = label.match(line)
    if m:
        current = functions.setdefault(m.group(1), {"arith": {}, "transfer": 0, "calls": set()})
        continue
    m = insn.match(line)
    if not m or current is None:
        continue
    words = m.group(1).split()
    while words and words[0] in PREFIXES:
        words = words[1:]
    if not words:
        continue
    mnemonic = words[0]
    c = call.search(m.group(1))
    if c:
        current["calls"].add(c.group(1))
    if not mnemonic.startswith("f") or mnemonic in ("fxsave", "fxrstor", "femms"):
        continue
    if TRANSFER.match(mnemonic):
        current["transfer"] += 1
    else:
        current["arith"][mnemonic] = current["arith"].get(mnemonic, 0) + 1

def demangle(names):
    names = list(names)
    if not names:
        return []
    out = subprocess.run(["i686-w64-mingw32-c++filt"], input="\n".join(names), text=True,
                         capture_output=True).stdout.split("\n")
    return out[:len(names)]

def group(name):
    if name in own:
        return "own"
    if name in fftw:
        return "fftw"
    return "runtime"

summary = {g: {"functions": 0, "arith_functions": [], "transfer": 0, "transfer_functions": 0}
           for g in ("own", "fftw", "runtime")}
for name, f in functions.items():
    s = summary[group(name)]
    s["functions"] += 1
    s["transfer"] += f["transfer"]
    s["transfer_functions"] += f["transfer"] > 0
    if f["arith"] and name not in FFTW_PLANNING_ONLY:
        s["arith_functions"].append(name)

status = 0
titles = {"own": "engine, component and host layer", "fftw": "FFTW", "runtime": "static runtime"}
for g in ("own", "fftw", "runtime"):
    s = summary[g]
    print(f"check_x86_dll: x87 in {titles[g]}: {s['functions']} functions, "
          f"{len(s['arith_functions'])} with x87 arithmetic, "
          f"{s['transfer']} x87 loads/stores in {s['transfer_functions']} functions")
    if g != "runtime" and s["arith_functions"]:
        status = 1
        for name, pretty in zip(s["arith_functions"], demangle(s["arith_functions"])):
            ops = " ".join(f"{k}x{v}" for k, v in sorted(functions[name]["arith"].items()))
            print(f"check_x86_dll: FAIL   x87 arithmetic in {pretty}: {ops}")
if summary["own"]["functions"] == 0:
    print("check_x86_dll: FAIL none of our functions found in the DLL (stripped?)")
    status = 1

# Runtime functions with x87 arithmetic that our code or FFTW calls directly.
x87_runtime = {n for n in summary["runtime"]["arith_functions"]}
called = {}
for name, f in functions.items():
    if group(name) == "runtime":
        continue
    for target in f["calls"] & x87_runtime:
        called.setdefault(target, set()).add(name)
if called:
    for target in sorted(called):
        callers = demangle(sorted(called[target]))
        ops = " ".join(f"{k}x{v}" for k, v in sorted(functions[target]["arith"].items()))
        print(f"check_x86_dll: note   runtime {demangle([target])[0]} ({ops}) is called by: "
              + ", ".join(callers[:4]) + (" ..." if len(callers) > 4 else ""))
else:
    print("check_x86_dll: no runtime function with x87 arithmetic is called from our code or FFTW")
sys.exit(status)
PY

if ((fail)); then
  report "FAILED"
  exit 1
fi
report "all checks passed"
