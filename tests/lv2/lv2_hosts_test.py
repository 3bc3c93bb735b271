"""The LV2 bundle in real hosts: lilv lists and describes every plugin, and lv2apply's renders
equal `ambiora render` sample for sample once the reported latency is taken off.

lv2apply runs its plugin one frame at a time, so the renderer is given one-frame chunks too (the
steered decoder's output moves by about 1e-5 with where the blocks are cut).

usage: lv2_hosts_test.py BUNDLE_PARENT AMBIORA
"""
import os
import re
import subprocess
import sys
import tempfile
import warnings

import numpy as np
import scipy.io.wavfile as wavfile

URI = "urn:ambiora-processor:lv2:"
FRAMES = 24000  # two headphone hops and part of a third, after the latency

# plugin, input channels, its modes, settings other than the defaults, latency, rates
JOBS = [
    ("upmix", 2, [1, 2, 3, 4],
     {"surround-delay": 35, "centre-width": 30, "bass-enable": 1, "bass-frequency": 90,
      "speaker-c": 0, "master-gain": -4}, 0, [44100, 48000]),
    ("headphone", 2, [5, 6], {"surround-delay": 10, "speaker-sl": 0, "master-gain": -2}, 8192,
     [44100, 48000, 96000]),  # 96 kHz: passed through, still late by the latency
    ("headphone51", 6, [5, 6], {"speaker-c": 0}, 8192, [44100, 48000]),
    ("encode", 6, [7, 8], {"master-gain": -5}, 0, [44100, 48000]),
]

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def read(path):
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # the renderer's extensible header
        return wavfile.read(path)[1]


def main(bundle_parent, ambiora):
    os.environ["LV2_PATH"] = os.path.abspath(bundle_parent)  # lilv takes no relative path
    os.environ["AMBIORA_PLAN_SECONDS"] = "0.01"
    listed = set(run("lv2ls").split())
    check(listed == {URI + job[0] for job in JOBS}, f"lv2ls lists {sorted(listed)}")

    for name, channels, modes, settings, latency, _ in JOBS:
        info = run("lv2info", URI + name)
        symbols = set(re.findall(r"^\t\tSymbol:\s+(\w+)", info, re.M))
        outputs = 6 if name == "upmix" else 2
        wanted = {"mode", "latency"} | {k.replace("-", "_") for k in settings}
        check(wanted <= symbols and len(symbols) >= channels + outputs + len(wanted),
              f"{name}: lv2info shows the ports {sorted(symbols)}")
        check(("lowFrequencyEffects" in info) == (6 in (channels, outputs)),
              f"{name}: 5.1 designations")
        check("reported by port" in info, f"{name}: no latency port")

    rng = np.random.default_rng(17)
    with tempfile.TemporaryDirectory() as tmp:
        for name, channels, modes, settings, latency, rates in JOBS:
            for rate in rates:
                source = os.path.join(tmp, f"in-{channels}-{rate}.wav")
                noise = rng.standard_normal((FRAMES, channels)).astype(np.float32) * 0.2
                wavfile.write(source, rate, noise)
                for mode in modes:
                    case = f"{name} mode {mode} at {rate} Hz"
                    plugin_out = os.path.join(tmp, "plugin.wav")
                    render_out = os.path.join(tmp, "render.wav")
                    controls = [a for k, v in settings.items()
                                for a in ("-c", k.replace("-", "_"), str(v))]
                    run("lv2apply", "-i", source, "-o", plugin_out, "-c", "mode", str(mode),
                        *controls, URI + name)
                    options = [a for k, v in settings.items() for a in (f"--{k}", str(v))]
                    run(ambiora, "render", source, render_out, "--mode", str(mode), "--chunk",
                        "1", "--quiet", *options)
                    plugin, rendered = read(plugin_out), read(render_out)
                    check(plugin.shape == (FRAMES, rendered.shape[1]),
                          f"{case}: shapes {plugin.shape} {rendered.shape}")
                    if plugin.shape != (FRAMES, rendered.shape[1]):
                        continue
                    check(not plugin[:latency].any(), f"{case}: sound before the latency")
                    late = plugin[latency:]
                    check(np.array_equal(late, rendered[:len(late)]) and late.any(),
                          f"{case}: differs by {np.abs(late - rendered[:len(late)]).max()}")

    print(f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
