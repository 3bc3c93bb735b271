"""The PipeWire filter-chain configurations in docs/pipewire, in a headless PipeWire: a private
daemon and session manager on a private D-Bus, a null sink for the chain's output, no hardware.

Both chains must load and show their ports; a 5.1 file played into the headphone chain with pw-cat
and recorded from the null sink must equal `ambiora render` once aligned. PipeWire may insert a
quantum of silence when a stream drains or the machine is busy, so the check is that the capture
holds the rendered sound (within transform rounding), unbroken from its start, for at least
two seconds, and nothing before it.

usage: pipewire_chain_test.py BUNDLE_PARENT AMBIORA DOCS_DIR   (exit 77: PipeWire not installed)
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import warnings

import numpy as np
import scipy.io.wavfile as wavfile
from scipy.signal import correlate

RATE = 48000
SECONDS = 3
NULL_SINK = """context.objects = [
    { factory = adapter
      args = { factory.name = support.null-audio-sink node.name = "test_sink"
               media.class = "Audio/Sink" audio.position = [ FL FR ] } }
]
"""


def wait_for_port(name, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        listed = subprocess.run(["pw-link", "-io"], capture_output=True, text=True).stdout
        if name in listed.split():
            return listed
        time.sleep(0.2)
    raise SystemExit(f"PipeWire never showed {name}; its ports:\n{listed}")


def inside_session(tmp):
    """Runs on the private D-Bus: the daemons, the playback and the recording."""
    logs = open(os.path.join(tmp, "daemons.log"), "w")
    daemons = [subprocess.Popen(["pipewire"], stdout=logs, stderr=logs)]
    daemons.append(subprocess.Popen(["wireplumber"], stdout=logs, stderr=logs))
    try:
        listed = wait_for_port("ambiora_headphones.output:output_FL")
        wait_for_port("ambiora_upmix.output:output_FL")  # as many as the sink it feeds has
        with open(os.path.join(tmp, "ports.txt"), "w") as ports:
            ports.write(listed)
        recorder = subprocess.Popen(["pw-record", "--target", "test_sink", "--format", "f32",
                                     "--channels", "2", "--rate", str(RATE),
                                     os.path.join(tmp, "captured.wav")])
        time.sleep(1)
        subprocess.run(["pw-cat", "--playback", "--target", "ambiora_headphones",
                        "--channel-map", "FL,FR,FC,LFE,RL,RR", os.path.join(tmp, "in.wav")],
                       check=True)
        time.sleep(1)
        recorder.send_signal(2)
        recorder.wait(10)
    finally:
        for daemon in reversed(daemons):
            daemon.terminate()
            daemon.wait(10)


def main(bundle_parent, ambiora, docs):
    tools = ["pipewire", "wireplumber", "dbus-run-session", "pw-cat", "pw-record", "pw-link"]
    missing = [t for t in tools if shutil.which(t) is None]
    if missing:
        print("skipped: not installed:", " ".join(missing))
        return 77
    with tempfile.TemporaryDirectory() as tmp:
        conf_d = os.path.join(tmp, "config", "pipewire", "pipewire.conf.d")
        os.makedirs(conf_d)
        os.makedirs(os.path.join(tmp, "run"), mode=0o700)
        with open(os.path.join(conf_d, "test-sink.conf"), "w") as f:
            f.write(NULL_SINK)
        shutil.copy(os.path.join(docs, "ambiora-upmix.conf"), conf_d)
        # The headphone chain as documented, its output sent to the null sink we record.
        with open(os.path.join(docs, "ambiora-headphone.conf")) as f:
            chain = f.read().replace("node.passive   = true",
                                     'node.passive = true target.object = "test_sink"')
        with open(os.path.join(conf_d, "ambiora-headphone.conf"), "w") as f:
            f.write(chain)

        source = (np.random.default_rng(5).standard_normal((RATE * SECONDS, 6)) * 0.1)
        wavfile.write(os.path.join(tmp, "in.wav"), RATE, source.astype(np.float32))
        environment = dict(os.environ, XDG_RUNTIME_DIR=os.path.join(tmp, "run"),
                           XDG_CONFIG_HOME=os.path.join(tmp, "config"),
                           LV2_PATH=os.path.abspath(bundle_parent), AMBIORA_PLAN_SECONDS="0.01")
        subprocess.run(["dbus-run-session", "--", sys.executable, __file__, "--inside", tmp],
                       env=environment, check=True, timeout=120)
        subprocess.run([ambiora, "render", os.path.join(tmp, "in.wav"),
                        os.path.join(tmp, "rendered.wav"), "--mode", "5", "--quiet"],
                       env=environment, check=True)
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            captured = wavfile.read(os.path.join(tmp, "captured.wav"))[1].astype(np.float64)
            rendered = wavfile.read(os.path.join(tmp, "rendered.wav"))[1].astype(np.float64)

    # The capture starts at an arbitrary moment: align on the left ears' correlation.
    peak = np.argmax(correlate(captured[:, 0], rendered[:, 0], mode="full", method="fft"))
    start = max(0, int(peak) - (len(rendered) - 1))
    aligned = captured[start:start + len(rendered)]
    frames = min(len(aligned), len(rendered))
    # Where the chain's 8192-frame blocks fall depends on when the graph started, which moves the
    # transforms' rounding by a few 1e-8: hence the tolerance, also for the silence before.
    wrong = np.nonzero(np.abs(aligned[:frames] - rendered[:frames]).max(axis=1) > 1e-6)[0]
    exact = int(wrong[0]) if len(wrong) else frames
    print(f"capture equals the render for {exact} of {len(rendered)} frames from frame {start}")
    return 0 if exact >= 2 * RATE and np.abs(captured[:start]).max(initial=0) <= 1e-6 else 1


if __name__ == "__main__":
    if sys.argv[1] == "--inside":
        inside_session(sys.argv[2])
        sys.exit(0)
    sys.exit(main(*sys.argv[1:]))
