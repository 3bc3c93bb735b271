#!/usr/bin/env python3
"""How many deliberate faults do the test suites catch?

Each fault in faults.py is a single-line change to the component, the engine, the chunk path,
the settings, the dialog logic or the command-line renderer: a plausible slip, not a crash. The
script copies the working tree (tests as they stand, committed or not) into a scratch folder,
builds it once, then for each fault: applies it to the copy, rebuilds, runs every suite and puts
the file back, reporting which suites failed. A fault is caught when a suite fails; it is missed when
every suite passes. A fault that does not build is reported as such and counts as neither.

Faults in code that only the Windows build compiles (the dialog and the tray) run the x64 suites
under Wine (--windows; needs the cross-built FFTW and GoogleTest, see tools/windows/ci_windows.sh);
every other fault runs the native suites.

Not part of CI: a full run takes an hour or more. Use it when trimming or reshaping tests, to show
that the suites still find what they found before.

usage: tools/fault_finding/check_fault_finding.py [--windows] [--only N[,N...]] [--list]
                                                    [--tests REGEX] [--work DIR]
"""
import argparse
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from faults import FAULTS  # noqa: E402

REPO = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))


def windows_only(path):
    return path.startswith("foo_dsp_ambiora/ui/") and not path.endswith("headless_ui.cpp")


def run(command, cwd, log, env=None, timeout=None):
    with open(log, "a") as out:
        out.write("$ " + " ".join(command) + "\n")
        out.flush()
        try:
            return subprocess.run(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT,
                                  env=env, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            out.write("timed out\n")
            return 124


def copy_tree(source, target):
    """The working tree without build output or git metadata."""
    if os.path.exists(target):
        shutil.rmtree(target)
    ignore = shutil.ignore_patterns(".git", "build", "out", "__pycache__")
    shutil.copytree(source, target, ignore=ignore, symlinks=True)


class suites:
    """One build folder and the way to run its tests."""

    def __init__(self, name, source, build, configure, test, env=None):
        self.name, self.source, self.build = name, source, build
        self.configure_args, self.test_args, self.env = configure, test, env

    def configure(self, log):
        return run(["cmake", "-S", self.source, "-B", self.build] + self.configure_args,
                   self.source, log, self.env) == 0

    def compile(self, log):
        return run(["cmake", "--build", self.build, "-j2"], self.source, log, self.env) == 0

    def failures(self, log):
        """The names of the suites that fail; empty when every one passes."""
        output = os.path.join(self.build, "fault-ctest.txt")
        with open(output, "w") as out:
            subprocess.run(["ctest", "--test-dir", self.build, "-j2", "--timeout", "900"]
                           + self.test_args, cwd=self.source, stdout=out,
                           stderr=subprocess.STDOUT, env=self.env)
        text = open(output, errors="replace").read()
        with open(log, "a") as out:
            out.write(text)
        failed = []
        if "The following tests FAILED:" in text:
            for line in text.split("The following tests FAILED:")[1].splitlines():
                # "	  3 - component_tests (Failed)"
                if " - " in line:
                    failed.append(line.split(" - ", 1)[1].rsplit(" (", 1)[0].strip())
        return failed


def reenter_with_wine():
    """Runs this script again inside a Wine environment with the cross-built libraries found."""
    script = ('eval "$(tools/build_fftw_mingw.sh)" && '
              'eval "$(tools/windows/build_googletest_mingw.sh)" && '
              'source tools/windows/wine_env.sh && trap wine_env_cleanup EXIT && '
              'wine_env_start && AMBIORA_FAULTS_IN_WINE=1 python3 "$@"')
    return subprocess.run(["bash", "-c", script, "bash"] + sys.argv, cwd=REPO,
                          stdin=subprocess.DEVNULL).returncode


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--windows", action="store_true", help="also run the Windows-only faults")
    parser.add_argument("--only", help="comma-separated fault numbers (1-based)")
    parser.add_argument("--list", action="store_true", help="list the faults and stop")
    parser.add_argument("--tests", help="run only the native suites matching this ctest regex")
    parser.add_argument("--work", default=os.path.join(REPO, "build", "fault-finding"),
                        help="scratch folder (default build/fault-finding)")
    args = parser.parse_args()

    chosen = list(enumerate(FAULTS, 1))
    if args.only:
        wanted = {int(n) for n in args.only.split(",")}
        chosen = [(n, f) for n, f in chosen if n in wanted]
    if not args.windows:
        chosen = [(n, f) for n, f in chosen if not windows_only(f[0])]
    if args.list:
        for n, (path, _, _, what) in chosen:
            print(f"{n:3} {path}: {what}")
        return 0

    os.makedirs(args.work, exist_ok=True)
    source = os.path.join(args.work, "src")
    log = os.path.join(args.work, "log.txt")
    open(log, "w").close()
    copy_tree(REPO, source)

    native = suites("native", source, os.path.join(args.work, "native"),
                    ["-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DAMBIORA_BUILD_BENCHMARKS=OFF"],
                    ["-R", args.tests] if args.tests else [])
    windows = None
    if any(windows_only(f[0]) for _, f in chosen):
        if os.environ.get("AMBIORA_FAULTS_IN_WINE") != "1":
            return reenter_with_wine()
        env = dict(os.environ)
        windows = suites("windows-x64", source, os.path.join(args.work, "windows-x64"),
                         ["-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                          f"-DCMAKE_TOOLCHAIN_FILE={source}/cmake/toolchains/mingw-x86_64.cmake",
                          f"-DAMBIORA_FFTW_ROOT={env['AMBIORA_FFTW_X64']}",
                          f"-DGTest_DIR={env['AMBIORA_GTEST_X64']}/lib/cmake/GTest"],
                         ["-R", "windows_ui"], env)

    for s in [native] + ([windows] if windows else []):
        print(f"building the unchanged copy ({s.name})...", flush=True)
        if not (s.configure(log) and s.compile(log)):
            print(f"the unchanged copy does not build ({s.name}); see {log}")
            return 2
        failed = s.failures(log)
        if failed:
            print(f"the unchanged copy fails {', '.join(failed)} ({s.name}); see {log}")
            return 2

    caught, missed, broken = [], [], []
    for n, (path, old, new, what) in chosen:
        target = os.path.join(source, path)
        original = open(target).read()
        if original.count(old) != 1:
            print(f"{n:3} STALE   {path}: the text to change is not there exactly once")
            broken.append(n)
            continue
        s = windows if windows_only(path) else native
        started = time.time()
        try:
            with open(target, "w") as f:
                f.write(original.replace(old, new))
            if not s.compile(log):
                verdict = "NO BUILD"
                broken.append(n)
            else:
                failed = s.failures(log)
                if not failed:
                    verdict = "MISSED "
                    missed.append(n)
                else:
                    verdict = "caught by " + ", ".join(failed)
                    caught.append(n)
        finally:
            with open(target, "w") as f:
                f.write(original)
        print(f"{n:3} {path}: {what} ({time.time() - started:.0f} s)\n    {verdict}", flush=True)

    for s in [native] + ([windows] if windows else []):
        s.compile(log)  # leave the copy's builds matching its sources
    total = len(caught) + len(missed)
    print(f"\ncaught {len(caught)} of {total} faults"
          + (f"; missed: {', '.join(map(str, missed))}" if missed else "")
          + (f"; {len(broken)} could not be applied or built" if broken else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
