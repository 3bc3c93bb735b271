#!/usr/bin/python3
"""Personal responses: the generator makes a response set from a SOFA file, and ambiora takes it.

From the KEMAR set the generator must give back the built-in set (to a few quanta, as --check
allows other library versions). From a SOFA file of another grid, in cartesian positions and at
48 kHz, written here from a part of the KEMAR measurements, it must make a sound set that
`ambiora render --hrir` accepts and that is near the built-in one in level.

    personal_responses_test.py AMBIORA_BINARY
"""

import os
import subprocess
import sys
import tempfile
import wave

import h5py
import numpy as np
import scipy.signal as sig

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
GENERATOR = os.path.join(ROOT, "tools", "hrir", "generate_hrir_tables.py")
BUILT_IN = os.path.join(ROOT, "foo_dsp_ambiora", "headphone", "hrir_tables.bin")
KEMAR = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa"


def generate(sofa, out):
    run = subprocess.run([sys.executable, GENERATOR, "--sofa", sofa, "--out", out],
                         capture_output=True, text=True)
    assert run.returncode == 0, run.stdout + run.stderr
    return np.fromfile(out, dtype="<f4").reshape(20, 8192)


def write_other_grid(path):
    """Every third KEMAR direction, cartesian, resampled to 48 kHz."""
    with h5py.File(KEMAR, "r") as kemar:
        positions = kemar["SourcePosition"][::3].astype(float)
        responses = kemar["Data.IR"][::3].astype(float)
    az, el = np.radians(positions[:, 0]), np.radians(positions[:, 1])
    cartesian = np.stack([np.cos(el) * np.cos(az), np.cos(el) * np.sin(az), np.sin(el)], axis=1)
    with h5py.File(path, "w") as sofa:
        sofa.attrs["SOFAConventions"] = "SimpleFreeFieldHRIR"
        sofa["Data.IR"] = sig.resample_poly(responses, 160, 147, axis=-1)
        sofa["Data.SamplingRate"] = np.array([48000.0])
        sofa["SourcePosition"] = 1.4 * cartesian
        sofa["SourcePosition"].attrs["Type"] = "cartesian"


def main():
    ambiora = sys.argv[1]
    built_in = np.fromfile(BUILT_IN, dtype="<f4").reshape(20, 8192)
    with tempfile.TemporaryDirectory() as scratch:
        kemar = generate(KEMAR, os.path.join(scratch, "kemar.f32"))
        assert np.max(np.abs(kemar - built_in)) <= 64 * 2.0**-23, "KEMAR must give the built-in set"

        other_sofa = os.path.join(scratch, "other.sofa")
        write_other_grid(other_sofa)
        personal_path = os.path.join(scratch, "me.f32")
        personal = generate(other_sofa, personal_path)
        assert np.all(np.isfinite(personal)) and not np.array_equal(personal, built_in)
        # Same recipe, same levels: every table's peak within 3 dB of the built-in one (the far
        # ear's comes from the nearest direction of a coarser grid).
        ratio = np.max(np.abs(personal), axis=1) / np.max(np.abs(built_in), axis=1)
        assert np.all(np.abs(20 * np.log10(ratio)) < 3.0), ratio
        # And the same shape of direct sound: the first 256 samples of every table match (a
        # 48 kHz file read as 44.1 kHz stays below 0.93).
        head, ref = personal[:, :256].astype(float), built_in[:, :256].astype(float)
        match = np.sum(head * ref, axis=1) / np.sqrt(np.sum(head**2, axis=1) * np.sum(ref**2, axis=1))
        assert np.all(match > 0.95), match

        tone = os.path.join(scratch, "in.wav")
        with wave.open(tone, "wb") as w:
            w.setnchannels(2)
            w.setsampwidth(2)
            w.setframerate(48000)
            w.writeframes((np.sin(np.arange(9600) / 10.0) * 8000).astype("<i2").repeat(2).tobytes())
        env = dict(os.environ, AMBIORA_PLAN_SECONDS="0.01")
        render = subprocess.run([ambiora, "render", tone, os.path.join(scratch, "out.wav"),
                                 "--mode", "5", "--hrir", personal_path], env=env,
                                capture_output=True, text=True)
        assert render.returncode == 0, render.stderr
    print("personal responses: KEMAR gives the built-in set; another grid gives a set ambiora takes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
