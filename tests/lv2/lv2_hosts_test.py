# The LV2 bundle in real hosts, against `ambiora render`.
#
# lilv: lv2ls lists every plugin, lv2info shows its ports, and lv2apply's renders equal the
# renderer's sample for sample once the reported latency is taken off. lv2apply runs its plugin one
# frame at a time, so the renderer is given one-frame chunks too (the steered decoder's output
# moves by about 1e-5 with where the blocks are cut).
#
# pipewire: the filter-chain configurations in docs/pipewire in a headless PipeWire (a private
# daemon and session manager on a private D-Bus, a null sink, no hardware). Both chains must load;
# a 5.1 file played into the headphone chain with pw-cat and recorded from the null sink must
# equal the renderer's. PipeWire may insert a quantum of silence as a stream drains or when the
# machine is busy, so the capture must hold the rendered sound (within the transforms' rounding)
# unbroken from its start for at least two seconds, in one of five tries. Exit status 77:
# PipeWire is not installed.
#
# usage: lv2_hosts_test.py lilv|pipewire BUNDLE_PARENT AMBIORA [DOCS_DIR]
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import warnings

import numpy as np
import scipy.io.wavfile as wavfile

URI = "urn:ambiora-processor:lv2:"
FRAMES = 24000  # two headphone hops and part of a third, after the latency
# plugin, input channels, output channels, its modes, settings other than the defaults, latency,
# rates (at 96 kHz the headphone renderer passes audio through, still late by the latency)
JOBS = [
    ("upmix", 2, 6, [1, 2, 3, 4], {"surround-delay": 35, "centre-width": 30, "bass-enable": 1,
                                   "bass-frequency": 90, "speaker-c": 0, "master-gain": -4},
     0, [44100, 48000]),
    ("headphone", 2, 2, [5, 6], {"surround-delay": 10, "speaker-sl": 0, "master-gain": -2}, 8192,
     [44100, 48000, 96000]),
    ("headphone51", 6, 2, [5, 6], {"speaker-c": 0}, 8192, [44100, 48000]),
    ("encode", 6, 2, [7, 8], {"master-gain": -5}, 0, [44100, 48000]),
]
warnings.simplefilter("ignore")  # scipy's notes on the renderer's extensible header
NULL_SINK = """context.objects = [ { factory = adapter args = {
    factory.name = support.null-audio-sink node.name = "test_sink" media.class = "Audio/Sink"
    audio.position = [ FL FR ] } } ]"""


def run(*command, **options):
    return subprocess.run(command, check=True, capture_output=True, text=True, **options).stdout


def read(path):
    return wavfile.read(path)[1]


def lilv_hosts(tmp, ambiora):
    assert set(run("lv2ls").split()) == {URI + job[0] for job in JOBS}
    rng = np.random.default_rng(17)
    for name, inputs, outputs, modes, settings, latency, rates in JOBS:
        info = run("lv2info", URI + name)
        symbols = set(re.findall(r"^\t\tSymbol:\s+(\w+)", info, re.M))
        wanted = {"mode", "latency"} | {k.replace("-", "_") for k in settings}
        assert wanted <= symbols and len(symbols) >= inputs + outputs + len(wanted) and (
            "lowFrequencyEffects" in info) == (6 in (inputs, outputs)) and "by port" in info, info
        controls = [a for k, v in settings.items() for a in ("-c", k.replace("-", "_"), str(v))]
        options = [a for k, v in settings.items() for a in (f"--{k}", str(v))]
        for rate, mode in [(rate, mode) for rate in rates for mode in modes]:
            source, plugin_out, render_out = (f"{tmp}/{f}.wav" for f in ("in", "lv2", "ref"))
            wavfile.write(source, rate, rng.standard_normal((FRAMES, inputs), np.float32) / 5)
            run("lv2apply", "-i", source, "-o", plugin_out, "-c", "mode", str(mode), *controls,
                URI + name)
            run(ambiora, "render", source, render_out, "--mode", str(mode), "--chunk", "1",
                "--quiet", *options)
            plugin, rendered = read(plugin_out), read(render_out)
            case = f"{name} mode {mode} at {rate} Hz: {plugin.shape} {rendered.shape}"
            assert plugin.shape == (FRAMES, outputs) == rendered.shape, case
            assert not plugin[:latency].any() and plugin[latency:].any(), case
            assert np.array_equal(plugin[latency:], rendered[:FRAMES - latency]), case


def wait_for_port(name):
    for _ in range(200):
        if name in run("pw-link", "-io").split():
            return
        time.sleep(0.2)
    raise SystemExit(f"PipeWire never showed {name}")


def pipewire_session(tmp):
    # On the private D-Bus: the daemons, the playback and the recording.
    logs = open(f"{tmp}/daemons.log", "w")
    daemons = [subprocess.Popen([d], stdout=logs, stderr=logs) for d in ["pipewire", "wireplumber"]]
    try:
        wait_for_port("ambiora_headphones.output:output_FL")
        wait_for_port("ambiora_upmix.output:output_FL")  # as many as the sink it feeds has
        recorder = subprocess.Popen(["pw-record", "--target", "test_sink", "--format", "f32",
                                     "--channels", "2", "--rate", "48000", f"{tmp}/captured.wav"])
        time.sleep(1)
        run("pw-cat", "--playback", "--target", "ambiora_headphones", "--channel-map",
            "FL,FR,FC,LFE,RL,RR", f"{tmp}/in.wav")
        time.sleep(1)
        recorder.send_signal(2)
        recorder.wait(10)
    finally:
        for daemon in reversed(daemons):
            daemon.terminate()
            daemon.wait(10)


def pipewire_chain(tmp, ambiora, docs):
    if not all(shutil.which(t) for t in ["pipewire", "wireplumber", "dbus-run-session", "pw-cat",
                                         "pw-record", "pw-link"]):
        print("skipped: PipeWire, WirePlumber or D-Bus is not installed")
        sys.exit(77)
    conf_d = f"{tmp}/config/pipewire/pipewire.conf.d"
    os.makedirs(conf_d)
    os.makedirs(f"{tmp}/run", mode=0o700)
    open(f"{conf_d}/test-sink.conf", "w").write(NULL_SINK)
    shutil.copy(f"{docs}/ambiora-upmix.conf", conf_d)
    chain = open(f"{docs}/ambiora-headphone.conf").read()  # its output to the sink we record
    open(f"{conf_d}/ambiora-headphone.conf", "w").write(
        chain.replace("node.passive   = true", 'node.passive = true target.object = "test_sink"'))
    source = np.random.default_rng(5).standard_normal((3 * 48000, 6)) * 0.1
    wavfile.write(f"{tmp}/in.wav", 48000, source.astype(np.float32))
    environment = dict(os.environ, XDG_RUNTIME_DIR=f"{tmp}/run",
                       XDG_CONFIG_HOME=f"{tmp}/config")
    run(ambiora, "render", f"{tmp}/in.wav", f"{tmp}/ref.wav", "--mode", "5", "--quiet")
    rendered = read(f"{tmp}/ref.wav")
    for _ in range(5):  # a busy machine can make PipeWire drop a quantum early on: try again
        try:
            run("dbus-run-session", "--", sys.executable, __file__, "session", tmp,
                env=environment, timeout=120)
            captured = read(f"{tmp}/captured.wav")
        except (subprocess.SubprocessError, OSError) as failure:
            print("the session failed:", failure, (getattr(failure, "stderr", "") or "")[-2000:])
            continue
        # The capture starts at an arbitrary moment: from where the sound rises above the
        # transforms' rounding (which moves by a few 1e-8 with where the 8192-frame blocks fall).
        start = int(np.argmax(np.abs(captured).max(axis=1) > 1e-6))
        aligned = captured[start:start + len(rendered)]
        wrong = np.nonzero(np.abs(aligned - rendered[:len(aligned)]).max(axis=1) > 1e-6)[0]
        exact = int(wrong[0]) if len(wrong) else len(aligned)
        print(f"the capture equals the render for {exact} of {len(rendered)} frames")
        if exact >= 2 * 48000:
            return
    raise SystemExit("no capture held two unbroken seconds of the render")


if __name__ == "__main__":
    if sys.argv[1] == "session":
        sys.exit(pipewire_session(sys.argv[2]))
    os.environ["LV2_PATH"] = os.path.abspath(sys.argv[2])  # lilv takes no relative path
    os.environ["AMBIORA_PLAN_SECONDS"] = "0.01"
    with tempfile.TemporaryDirectory() as tmp:
        if sys.argv[1] == "lilv":
            lilv_hosts(tmp, sys.argv[3])
        else:
            pipewire_chain(tmp, sys.argv[3], sys.argv[4])
