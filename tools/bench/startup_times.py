#!/usr/bin/python3
"""Wall times of `ambiora` calls that should start at once.

  --help, `render --help` and a usage error      no engine is built, nothing is planned
  render of a one-second file, cold wisdom       the transforms are measured (an empty cache)
  render of a one-second file, warm wisdom       the plans come from the cache the cold run wrote

Each call runs several times (the median is printed) with XDG_CACHE_HOME pointing at a scratch
folder, so the user's own cache is neither used nor touched; a cold run gets a fresh, empty one.

Usage (not part of CI):

  /usr/bin/python3 tools/bench/startup_times.py --ambiora build/native/bin/ambiora
"""
import argparse
import math
import os
import statistics
import struct
import subprocess
import tempfile
import time
import wave


def one_second_file(path, channels):
    """A 44.1 kHz 16-bit file of tones, one per channel."""
    frames = 44100
    with wave.open(path, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(frames)
        samples = [int(8000 * math.sin(2 * math.pi * 220 * (c + 1) * n / frames))
                   for n in range(frames) for c in range(channels)]
        w.writeframes(struct.pack("<%dh" % len(samples), *samples))


def wall_time(command, cache, runs):
    times = []
    for _ in range(runs):
        env = dict(os.environ, XDG_CACHE_HOME=cache())
        env.pop("AMBIORA_PLAN_SECONDS", None)
        start = time.perf_counter()
        subprocess.run(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--ambiora", default="build/native/bin/ambiora")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    ambiora = os.path.abspath(args.ambiora)

    with tempfile.TemporaryDirectory() as scratch:
        source = os.path.join(scratch, "one-second-5.1.wav")
        target = os.path.join(scratch, "out.wav")
        one_second_file(source, 6)
        warm = os.path.join(scratch, "warm")
        fresh = iter(range(1 << 30))

        def cold():
            return os.path.join(scratch, "cold-%d" % next(fresh))

        render = [ambiora, "render", source, target, "--mode", "5", "--quiet"]
        rows = [
            ("ambiora --help", [ambiora, "--help"], lambda: warm, args.runs),
            ("ambiora render --help", [ambiora, "render", "--help"], lambda: warm, args.runs),
            ("ambiora render (usage error)", [ambiora, "render", "--mode"], lambda: warm,
             args.runs),
            ("render 1 s 5.1, headphone, cold wisdom", render, cold, min(args.runs, 3)),
            ("render 1 s 5.1, headphone, warm wisdom", render, lambda: warm, args.runs),
        ]
        print("%-42s %10s" % ("call", "wall ms"))
        for name, command, cache, runs in rows:
            if "warm" in name:
                wall_time(command, cache, 1)  # fills the warm cache
            print("%-42s %10.1f" % (name, 1000 * wall_time(command, cache, runs)))


if __name__ == "__main__":
    main()
