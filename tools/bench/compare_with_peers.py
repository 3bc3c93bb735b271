#!/usr/bin/python3
"""Times the `ambiora` renderer against ffmpeg's nearest filters on the same ten-minute files.

Three jobs, each run by both tools on the same input, one after the other in a single run:

  stereo -> 5.1       ambiora --mode 3 (and 4)    ffmpeg -af surround
                      the same with AMBIORA_INSTRUCTION_SET=sse2 (the steered loops as a
                      processor without AVX runs them)
  5.1 -> binaural     ambiora --mode 5            ffmpeg headphone filter, ten 8192-tap responses
                                                  (our own bank 0, five stereo WAVs), size=8191,
                                                  so it too works with 16384-point transforms
  5.1 -> matrix pair  ambiora --mode 7 and 8      ffmpeg aresample=matrix_encoding=dplii

Every tool reads the same 16-bit WAV and writes 32-bit float WAV into a scratch directory. The
figure compared is CPU time (user + system of the child process, from getrusage), so the result
does not depend on how busy the machine's other cores are; "x rt" is the programme length over
that CPU time. Each command also runs three times on a one-second file first: the median is its
fixed cost (ours is mostly the measured planning of the transforms when the component
loads, one to three seconds; it is cut short where the mode does not use them), and the "steady"
columns leave it out.

Usage (not part of CI: it writes about 450 MB of test audio and takes a few minutes):

  /usr/bin/python3 tools/bench/compare_with_peers.py --ambiora build-speed/bin/ambiora
  options: --minutes M (default 10), --scratch DIR (default a new directory under /tmp),
           --keep (leave the scratch directory), --ffmpeg PATH

Needs ffmpeg on PATH (Debian: apt-get install ffmpeg) and numpy (python3-numpy).
"""

import argparse
import os
import resource
import shutil
import struct
import subprocess
import sys
import tempfile
import time

import numpy as np

RATE = 44100
TAPS = 8192
HERE = os.path.dirname(os.path.abspath(__file__))
TABLES = os.path.join(HERE, "..", "..", "foo_dsp_ambiora", "headphone", "hrir_tables.bin")
SPEAKERS = ["L", "R", "C", "SL", "SR"]
# ffmpeg's headphone filter wants a response for every input channel, LFE included, but adds the
# LFE without convolving it; it gets the centre's pair, unused. Ten responses are convolved.
FFMPEG_MAP = ["FL", "FR", "FC", "LFE", "BL", "BR"]
FFMPEG_RESPONSE = [0, 1, 2, 2, 3, 4]  # index into SPEAKERS


def wav_header(channels, frames, bits, is_float, mask):
    """A WAVE_FORMAT_EXTENSIBLE header, so that both tools see the same channel layout."""
    block = channels * bits // 8
    data_bytes = frames * block
    sub_format = (b"\x03\x00" if is_float else b"\x01\x00") + \
        b"\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71"
    fmt = struct.pack("<HHIIHHHHI", 0xFFFE, channels, RATE, RATE * block, block, bits, 22, bits,
                      mask) + sub_format
    return (b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + data_bytes) + b"WAVE" +
            b"fmt " + struct.pack("<I", len(fmt)) + fmt +
            b"data" + struct.pack("<I", data_bytes))


def write_programme(path, channels, mask, seconds):
    """A busy, deterministic programme: a tone wandering across the channels, a bass line, a tone
    of its own in every channel and some noise, as 16-bit PCM, written a minute at a time."""
    frames = seconds * RATE
    rng = np.random.default_rng(9)
    with open(path, "wb") as f:
        f.write(wav_header(channels, frames, 16, False, mask))
        step = 60 * RATE
        for start in range(0, frames, step):
            t = np.arange(start, min(start + step, frames)) / RATE
            voice = 0.35 * np.sin(2 * np.pi * 440 * t + 2 * np.sin(2 * np.pi * 3 * t))
            bass = 0.2 * np.sin(2 * np.pi * 55 * t)
            pan = 0.5 + 0.5 * np.sin(2 * np.pi * 0.07 * t)
            block = np.empty((len(t), channels))
            for c in range(channels):
                share = pan if c % 2 == 0 else 1 - pan
                own = 0.15 * np.sin(2 * np.pi * (300 + 170 * c) * t)
                block[:, c] = voice * share + bass + own + 0.05 * rng.standard_normal(len(t))
            f.write((np.clip(block, -1, 1) * 32767).astype("<i2").tobytes())


def write_responses(directory):
    """Bank 0 of our built-in responses as five stereo WAVs (left ear, right ear) for ffmpeg."""
    tables = np.fromfile(TABLES, dtype="<f4").reshape(20, TAPS)
    paths = []
    for k, name in enumerate(SPEAKERS):
        path = os.path.join(directory, "hrir_%s.wav" % name)
        pair = np.stack([tables[2 * k], tables[2 * k + 1]], axis=1).astype("<f4")
        with open(path, "wb") as f:
            f.write(wav_header(2, TAPS, 32, True, 0x3))
            f.write(pair.tobytes())
        paths.append(path)
    return paths


def cpu_seconds(command):
    """Runs `command` (an argument list, optionally preceded by a dict of extra environment
    variables) and returns the user + system CPU time it used."""
    env = None
    if isinstance(command[0], dict):
        env = dict(os.environ, **command[0])
        command = command[1:]
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if result.returncode != 0:
        sys.exit("failed (%d): %s\n%s" % (result.returncode, " ".join(command),
                                          result.stderr.decode(errors="replace")))
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--ambiora", required=True, help="path of the ambiora binary")
    parser.add_argument("--ffmpeg", default="ffmpeg")
    parser.add_argument("--minutes", type=float, default=10.0)
    parser.add_argument("--scratch")
    parser.add_argument("--keep", action="store_true")
    args = parser.parse_args()

    scratch = args.scratch or tempfile.mkdtemp(prefix="ambiora-peers-")
    os.makedirs(scratch, exist_ok=True)
    seconds = int(args.minutes * 60)
    print("writing %d s test files to %s" % (seconds, scratch), file=sys.stderr)
    long_files = {"stereo": os.path.join(scratch, "programme-stereo.wav"),
                  "5.1": os.path.join(scratch, "programme-5.1.wav")}
    short_files = {"stereo": os.path.join(scratch, "second-stereo.wav"),
                   "5.1": os.path.join(scratch, "second-5.1.wav")}
    for files, length in ((long_files, seconds), (short_files, 1)):
        write_programme(files["stereo"], 2, 0x3, length)
        write_programme(files["5.1"], 6, 0x3F, length)
    responses = write_responses(scratch)

    ffmpeg = [args.ffmpeg, "-nostdin", "-hide_banner", "-v", "error", "-y"]
    hp_inputs = []
    for k in FFMPEG_RESPONSE:
        hp_inputs += ["-i", responses[k]]
    hp_graph = ("".join("[%d:a]" % i for i in range(1 + len(FFMPEG_MAP))) +
                "headphone=map=%s:hrir=stereo:type=freq:size=8191[out]" % "|".join(FFMPEG_MAP))

    def ours(mode, layout, instruction_set=None):
        # Only the headphone modes run the transforms the component plans while it loads. For the
        # others that planning is a load-time cost the player pays once per session, not per file,
        # and its length varies from run to run by a second or more, which would swamp the fixed
        # cost subtracted below; it is cut short for them (same output, same processing).
        env = {} if mode in (5, 6) else {"AMBIORA_PLAN_SECONDS": "0"}
        # The steered loops as a processor without AVX runs them (most of the player's 32-bit
        # users): the same output, computed two doubles at a time.
        if instruction_set:
            env["AMBIORA_INSTRUCTION_SET"] = instruction_set
        return lambda files, out: [env, args.ambiora, "render", files[layout], out, "--mode",
                                   str(mode), "--quiet"]

    peers = {
        "ffmpeg surround": lambda files, out: ffmpeg + [
            "-i", files["stereo"], "-af", "surround", "-c:a", "pcm_f32le", out],
        "ffmpeg headphone": lambda files, out: ffmpeg + ["-i", files["5.1"]] + hp_inputs + [
            "-filter_complex", hp_graph, "-map", "[out]", "-c:a", "pcm_f32le", out],
        "ffmpeg dplii": lambda files, out: ffmpeg + [
            "-i", files["5.1"], "-af", "aresample=matrix_encoding=dplii", "-ac", "2",
            "-c:a", "pcm_f32le", out],
    }
    jobs = [
        ("stereo -> 5.1", "ambiora mode 3 (ASr)", ours(3, "stereo"), "ffmpeg surround"),
        ("stereo -> 5.1", "ambiora mode 4 (AS2)", ours(4, "stereo"), "ffmpeg surround"),
        ("stereo -> 5.1", "mode 3 (ASr), SSE2 loops", ours(3, "stereo", "sse2"),
         "ffmpeg surround"),
        ("stereo -> 5.1", "mode 4 (AS2), SSE2 loops", ours(4, "stereo", "sse2"),
         "ffmpeg surround"),
        ("5.1 -> binaural", "ambiora mode 5 (Headphone)", ours(5, "5.1"), "ffmpeg headphone"),
        ("5.1 -> matrix stereo", "ambiora mode 8 (Encode2)", ours(8, "5.1"), "ffmpeg dplii"),
        ("5.1 -> matrix stereo", "ambiora mode 7 (Encode)", ours(7, "5.1"), "ffmpeg dplii"),
    ]

    # Each command runs three times on a one-second file and once on the long file. The median of
    # the short runs is its fixed cost (start-up: our component plans its transforms when it
    # loads), so that the steady-state rate can be shown beside the whole-run figure.
    out = os.path.join(scratch, "out.wav")
    timed = {}

    def measure(name, command):
        if name not in timed:
            print("timing %s ..." % name, file=sys.stderr)
            fixed = sorted(cpu_seconds(command(short_files, out)) for _ in range(3))[1]
            total = cpu_seconds(command(long_files, out))
            timed[name] = (total, max(total - fixed, 1e-9) * seconds / max(seconds - 1, 1))
        return timed[name]

    started = time.time()
    rows = []
    for job, ours_name, ours_command, peer_name in jobs:
        rows.append((job, ours_name, measure(ours_name, ours_command), peer_name,
                     measure(peer_name, peers[peer_name])))

    print("CPU time (user + system) for %d s of 44.1 kHz audio, one run (%.0f s wall in all);"
          % (seconds, time.time() - started))
    print("'steady' leaves out each command's fixed cost (median of three one-second runs)")
    print("%-21s %-27s %7s %6s %6s   %-16s %7s %6s %6s  %9s %9s" % (
        "job", "ours", "cpu s", "x rt", "steady", "peer", "cpu s", "x rt", "steady",
        "peer/ours", "(steady)"))
    for job, ours_name, (ours_total, ours_steady), peer_name, (peer_total, peer_steady) in rows:
        print("%-21s %-27s %7.2f %6.0f %6.0f   %-16s %7.2f %6.0f %6.0f  %9.2f %9.2f" % (
            job, ours_name, ours_total, seconds / ours_total, seconds / ours_steady, peer_name,
            peer_total, seconds / peer_total, seconds / peer_steady, peer_total / ours_total,
            peer_steady / ours_steady))

    if not args.keep and not args.scratch:
        shutil.rmtree(scratch)


if __name__ == "__main__":
    main()
