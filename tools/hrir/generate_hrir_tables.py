#!/usr/bin/python3
"""Regenerate the twenty built-in head-related impulse responses of the headphone virtualiser.

    /usr/bin/python3 tools/hrir/generate_hrir_tables.py           # write the tables and the picture
    /usr/bin/python3 tools/hrir/generate_hrir_tables.py --check   # compare with the committed set
    /usr/bin/python3 tools/hrir/generate_hrir_tables.py --sofa me.sofa --out me.f32
                                                 # the same twenty, made from a personal HRTF

Outputs (paths relative to the repository root):
    foo_dsp_ambiora/headphone/hrir_tables.bin         20 x 8192 little-endian float32, back to back
    foo_dsp_ambiora/headphone/hrir_tables.bin.sha256  its checksum, in sha256sum format
    docs/hrir_responses.png                           the twenty responses in time and frequency

Table t = 10 x bank + 2 x speaker + ear; speakers L, R, C, SL, SR; ear 0 = left, 1 = right.
Bank 0 is a small, fairly dry room; bank 1 a larger and livelier one.

How one response is built:
  1. Direct sound. The MIT KEMAR measurements (Bill Gardner and Keith Martin, MIT Media Lab, 1994;
     Debian's libmysofa1 ships them as SOFA) are equalised against their power average over all
     directions, smoothed to 1/6 octave and held flat below 150 Hz and above 18 kHz, and turned
     into minimum-phase responses. The ear nearer the speaker starts at sample 0; the far ear is
     delayed by a spherical-head (Woodworth) model, 10 samples at 30 degrees, 21 at 110 degrees.
  2. Early reflections. Image sources of a shoebox room, each rendered with the minimum-phase
     response of the nearest measured direction and its own interaural delay, then low-passed:
     full-band copies would pile up energy at Nyquist and ring there.
  3. Late tail. Band-limited noise, partly coherent between the ears, rising where the
     reflections thin out and decaying exponentially to the end of the table. Each table starts
     with a noise of its own and cross-fades into one tail per ear and bank, so that from a fixed
     sample on all five speakers' tables of one ear are identical.
  4. Level. Each speaker's direct and reflected sound is scaled so the near-ear peak meets the
     bank's target, and a first-order low shelf on that part brings every table's sum (its gain
     at 0 Hz) to the same value. The shared tail is left out of the shelf so it stays shared.
  5. Every value is rounded to a multiple of 2^-23 (a 24-bit sample).

Every random choice comes from fixed seeds, so a run reproduces the committed file bit for bit on
the same numpy/scipy; on other library versions --check falls back to comparing properties.
"""

import argparse
import dataclasses
import hashlib
import os
import shutil
import sys
import tempfile
from fractions import Fraction

import h5py
import numpy as np
import scipy.signal as sig

REPO_ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
TABLE_FILE = os.path.join("foo_dsp_ambiora", "headphone", "hrir_tables.bin")
PICTURE_FILE = os.path.join("docs", "hrir_responses.png")
SOFA_PATH = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa"

FS = 44100
TAPS = 8192
BANKS = 2
SPEAKERS = (("L", 30.0), ("R", -30.0), ("C", 0.0), ("SL", 110.0), ("SR", -110.0))  # azimuth, left +
TABLE_COUNT = BANKS * len(SPEAKERS) * 2
QUANTUM = 2.0**-23

SPEED_OF_SOUND = 343.0  # m/s
HEAD_RADIUS = 0.076  # m; puts the far ear 10 samples late at 30 degrees and 21 at 110 degrees
ANALYSIS_FFT = 8192  # grid on which the measured responses are equalised and made minimum-phase
DIRECT_TAPS = 256  # length kept of each minimum-phase response
DIRECT_FADE = 96  # half-Hann fade at its end
FLAT_BELOW_HZ = 150.0
FLAT_ABOVE_HZ = 18000.0
SMOOTHING_OCTAVES = 1.0 / 6.0
TARGET_SUM = 0.7375  # middle of the 0.725..0.750 every table's sum must land in
EARLY_SAMPLES = 256  # the "early share" is the energy fraction in the first 256 samples
SHELF_CORNER_HZ = 120.0
REFLECTION_HIGHPASS_HZ = 120.0


@dataclasses.dataclass(frozen=True)
class RoomDesign:
    """Everything that tells one bank's room apart from the other's."""

    dimensions: tuple  # x (front), y (left), z (up), metres
    listener: tuple  # head centre, metres; centred across the room so C stays symmetric
    speaker_distance: float  # metres, speakers at ear height
    reflectance: float  # pressure reflection factor of every surface
    reflection_cutoff_hz: float  # the walls and the air take the top off every reflection
    reflections_until: int  # samples; later image sources are left to the noise tail
    reflections_fade: int  # samples over which the reflections hand over to the tail
    near_peak: float  # direct peak at the near ear (L, R, SL, SR)
    centre_peak: float  # direct peak of C at either ear
    tail_rise: tuple  # (start, end) samples of the raised-cosine rise of the noise tail
    tail_rt60: float  # seconds
    tail_level: float  # noise amplitude (RMS) where the rise ends
    tail_cutoff_hz: float
    tail_coherence: float  # fraction of the tail's power common to both ears
    shared_from: tuple  # (left ear, right ear): first sample of the shared tail
    crossfade: int  # samples over which each table's own noise turns into the shared tail
    seed: int


ROOMS = (
    RoomDesign(
        dimensions=(4.6, 3.9, 2.6),
        listener=(2.55, 1.95, 1.2),
        speaker_distance=1.6,
        reflectance=0.66,
        reflection_cutoff_hz=7000.0,
        reflections_until=2400,
        reflections_fade=800,
        near_peak=0.732,
        centre_peak=0.475,
        tail_rise=(250, 1400),
        tail_rt60=0.28,
        tail_level=0.0045,
        tail_cutoff_hz=5000.0,
        tail_coherence=0.35,
        shared_from=(6264, 5492),
        crossfade=1024,
        seed=0x5A17_0001,
    ),
    RoomDesign(
        dimensions=(7.4, 5.6, 3.3),
        listener=(4.1, 2.8, 1.2),
        speaker_distance=2.4,
        reflectance=0.74,
        reflection_cutoff_hz=5500.0,
        reflections_until=3600,
        reflections_fade=1200,
        near_peak=0.602,
        centre_peak=0.390,
        tail_rise=(350, 2000),
        tail_rt60=0.42,
        tail_level=0.0032,
        tail_cutoff_hz=4200.0,
        tail_coherence=0.35,
        shared_from=(5462, 5018),
        crossfade=1024,
        seed=0x5A17_0002,
    ),
)


def table_index(bank, speaker, ear):
    return 10 * bank + 2 * speaker + ear


# ------------------------------------------------------------------------------------------------
# Direct sound from the measurements


def unit_vectors(azimuth_deg, elevation_deg):
    az = np.radians(azimuth_deg)
    el = np.radians(elevation_deg)
    return np.stack([np.cos(el) * np.cos(az), np.cos(el) * np.sin(az), np.sin(el)], axis=-1)


def smooth_power(power, octaves):
    """Averages power spectra (last axis, bins 0..N/2) over `octaves` around each bin."""
    bins = power.shape[-1]
    centre = np.arange(bins, dtype=float)
    half = 2.0 ** (octaves / 2.0)
    lo = np.clip(np.floor(centre / half), 0, bins - 1).astype(int)
    hi = np.clip(np.ceil(centre * half), 0, bins - 1).astype(int)
    cumulative = np.concatenate(
        [np.zeros(power.shape[:-1] + (1,)), np.cumsum(power, axis=-1)], axis=-1
    )
    return (cumulative[..., hi + 1] - cumulative[..., lo]) / (hi - lo + 1)


def minimum_phase(magnitude, n_fft):
    """Minimum-phase impulse responses (last axis) with the given one-sided magnitudes."""
    cepstrum = np.fft.irfft(np.log(magnitude), n_fft, axis=-1)
    fold = np.zeros(n_fft)
    fold[0] = 1.0
    fold[1 : n_fft // 2] = 2.0
    fold[n_fft // 2] = 1.0
    return np.fft.irfft(np.exp(np.fft.rfft(cepstrum * fold, axis=-1)), n_fft, axis=-1)


def read_sofa(path):
    """Unit vectors [D, 3] of the measured directions and their responses [D, 2 ears, N] at FS.

    Any SimpleFreeFieldHRIR file: source positions spherical (azimuth counter-clockwise from the
    front, so positive is left, as here) or cartesian, at any sample rate (resampled to FS).
    """
    try:
        sofa = h5py.File(path, "r")
    except OSError as e:
        raise SystemExit(f"{path}: not a SOFA file ({e})")
    with sofa:
        try:
            rate = float(np.ravel(sofa["Data.SamplingRate"][:])[0])
            positions = np.array(sofa["SourcePosition"][:], dtype=float)
            kind = sofa["SourcePosition"].attrs.get("Type", b"spherical")
            measured = np.array(sofa["Data.IR"][:], dtype=float)  # [D, 2, N]
        except KeyError as e:
            raise SystemExit(f"{path}: not a SOFA HRIR file (no {e})")
    if measured.ndim != 3 or measured.shape[1] != 2 or measured.shape[0] != positions.shape[0]:
        raise SystemExit(f"{path}: expected responses of two ears for each source position")
    if positions.ndim != 2 or positions.shape[1] != 3:
        raise SystemExit(f"{path}: expected three coordinates per source position")
    if not np.all(np.isfinite(measured)) or not np.any(measured):
        raise SystemExit(f"{path}: the responses are silent or not finite numbers")
    if isinstance(kind, bytes):
        kind = kind.decode()
    if kind == "cartesian":
        lengths = np.linalg.norm(positions, axis=1, keepdims=True)
        directions = positions / np.maximum(lengths, 1e-12)
    else:
        directions = unit_vectors(positions[:, 0], positions[:, 1])
    if rate != FS:
        ratio = Fraction(FS, int(round(rate))).limit_denominator(1000)
        measured = sig.resample_poly(measured, ratio.numerator, ratio.denominator, axis=-1)
    return directions, measured


def load_direct_responses(sofa_path=SOFA_PATH):
    """Equalised minimum-phase responses of every measured direction.

    Returns (unit vectors [D, 3], responses [D, 2 ears, DIRECT_TAPS]).
    """
    directions, measured = read_sofa(sofa_path)
    spectrum = np.fft.rfft(measured, ANALYSIS_FFT, axis=-1)
    power = smooth_power(np.abs(spectrum) ** 2, SMOOTHING_OCTAVES)
    average = power.mean(axis=(0, 1))
    magnitude = np.sqrt(power / average)

    # Below 150 Hz the measurements say little (the loudspeaker used rolls off) and above 18 kHz
    # the ratio is mostly noise; hold the equalised magnitude flat outside that band.
    freqs = np.fft.rfftfreq(ANALYSIS_FFT, 1.0 / FS)
    low_bin = int(np.searchsorted(freqs, FLAT_BELOW_HZ))
    high_bin = int(np.searchsorted(freqs, FLAT_ABOVE_HZ))
    magnitude[..., :low_bin] = magnitude[..., low_bin : low_bin + 1]
    magnitude[..., high_bin:] = magnitude[..., high_bin : high_bin + 1]
    magnitude = np.maximum(magnitude, 10.0 ** (-40.0 / 20.0))

    responses = minimum_phase(magnitude, ANALYSIS_FFT)[..., :DIRECT_TAPS]
    fade = np.ones(DIRECT_TAPS)
    fade[-DIRECT_FADE:] = 0.5 * (1.0 + np.cos(np.pi * np.arange(1, DIRECT_FADE + 1) / DIRECT_FADE))
    return directions, responses * fade


def ear_offset_seconds(direction, ear):
    """Arrival at one ear relative to the head centre for a far source (Woodworth's sphere)."""
    towards_ear = direction[..., 1] if ear == 0 else -direction[..., 1]
    lateral = np.arcsin(np.clip(np.abs(towards_ear), 0.0, 1.0))
    near = -np.sin(lateral)
    far = lateral
    return HEAD_RADIUS / SPEED_OF_SOUND * np.where(towards_ear >= 0.0, near, far)


# ------------------------------------------------------------------------------------------------
# Room: image sources and the noise tail


def image_sources(room, speaker_position, max_distance):
    """Image positions and reflection counts of a shoebox room, the direct path left out."""
    dims = np.array(room.dimensions)
    reach = np.ceil(max_distance / (2.0 * dims)).astype(int) + 1
    per_axis = []
    for axis in range(3):
        n = np.arange(-reach[axis], reach[axis] + 1)
        coords = []
        hits = []
        for mirrored in (0, 1):
            sign = 1.0 - 2.0 * mirrored
            coords.append(sign * speaker_position[axis] + 2.0 * n * dims[axis])
            hits.append(np.abs(2 * n - mirrored))
        per_axis.append((np.concatenate(coords), np.concatenate(hits)))
    (x, hx), (y, hy), (z, hz) = per_axis
    positions = np.stack(np.meshgrid(x, y, z, indexing="ij"), axis=-1).reshape(-1, 3)
    order = (hx[:, None, None] + hy[None, :, None] + hz[None, None, :]).reshape(-1)
    keep = order > 0
    return positions[keep], order[keep]


def reflections(room, speaker_azimuth, directions, direct):
    """The band-limited early reflections at both ears, timed against the direct near-ear sound."""
    listener = np.array(room.listener)
    speaker_dir = unit_vectors(speaker_azimuth, 0.0)
    speaker = listener + room.speaker_distance * speaker_dir
    reference = room.speaker_distance / SPEED_OF_SOUND + min(
        ear_offset_seconds(speaker_dir, 0), ear_offset_seconds(speaker_dir, 1)
    )
    max_distance = (room.reflections_until / FS + reference) * SPEED_OF_SOUND + 0.5
    positions, order = image_sources(room, speaker, max_distance)
    offsets = positions - listener
    distance = np.linalg.norm(offsets, axis=1)
    arrival = offsets / distance[:, None]
    gain = room.reflectance**order * room.speaker_distance / distance
    nearest = np.argmax(arrival @ directions.T, axis=1)

    n_fft = 2 * TAPS
    out = np.zeros((2, TAPS))
    for ear in range(2):
        delay = np.rint(
            (distance / SPEED_OF_SOUND + ear_offset_seconds(arrival, ear) - reference) * FS
        ).astype(int)
        # Late image sources fade out (raised cosine) as the noise tail takes over.
        remaining = np.clip((room.reflections_until - delay) / room.reflections_fade, 0.0, 1.0)
        fade = np.sin(0.5 * np.pi * remaining) ** 2
        used = delay < room.reflections_until
        spectrum = np.zeros(n_fft // 2 + 1, dtype=complex)
        for d in np.unique(nearest[used]):
            pick = used & (nearest == d)
            train = np.zeros(TAPS)
            np.add.at(train, delay[pick], gain[pick] * fade[pick])
            spectrum += np.fft.rfft(train, n_fft) * np.fft.rfft(direct[d, ear], n_fft)
        out[ear] = np.fft.irfft(spectrum, n_fft)[:TAPS]
    # The image sources stop at a fixed time, so whatever they add up to at 0 Hz depends on where
    # they stop; a real room's low end is modal anyway. Keep them out of the bass and leave the
    # level at 0 Hz to the direct sound and the shelf.
    bandpass = np.concatenate(
        [
            sig.butter(4, room.reflection_cutoff_hz, fs=FS, output="sos"),
            sig.butter(2, REFLECTION_HIGHPASS_HZ, btype="highpass", fs=FS, output="sos"),
        ]
    )
    return sig.sosfilt(bandpass, out, axis=-1)


def tail_envelope(room):
    n = np.arange(TAPS, dtype=float)
    start, end = room.tail_rise
    rise = np.clip((n - start) / (end - start), 0.0, 1.0)
    rise = 0.5 * (1.0 - np.cos(np.pi * rise))
    decay = 10.0 ** (-3.0 * np.maximum(n - end, 0.0) / (room.tail_rt60 * FS))
    return room.tail_level * rise * decay


def coloured_noise(rng, room, count):
    bandpass = np.concatenate(
        [
            sig.butter(2, 80.0, btype="highpass", fs=FS, output="sos"),
            sig.butter(2, room.tail_cutoff_hz, fs=FS, output="sos"),
        ]
    )
    white = rng.standard_normal((count, TAPS + 1024))
    coloured = sig.sosfilt(bandpass, white, axis=-1)[:, 1024:]  # let the filter settle first
    return coloured / np.sqrt(np.mean(coloured**2, axis=-1, keepdims=True))


def ear_pair(rng, room):
    """Two unit-power noises whose common part carries `tail_coherence` of the power."""
    common, left, right = coloured_noise(rng, room, 3)
    a = np.sqrt(room.tail_coherence)
    b = np.sqrt(1.0 - room.tail_coherence)
    return np.stack([a * common + b * left, a * common + b * right])


def room_tails(room):
    """[speaker, ear, TAPS] tails: each table's own noise turning into one shared tail per ear."""
    rng = np.random.default_rng(room.seed)
    shared = ear_pair(rng, room)
    envelope = tail_envelope(room)
    n = np.arange(TAPS)
    tails = np.zeros((len(SPEAKERS), 2, TAPS))
    for speaker in range(len(SPEAKERS)):
        own = ear_pair(rng, room)
        for ear in range(2):
            begin = room.shared_from[ear]
            phase = np.clip((n - (begin - room.crossfade)) / room.crossfade, 0.0, 1.0)
            # Equal-power cross-fade: the two noises are uncorrelated.
            angle = 0.5 * np.pi * phase
            mixed = own[ear] * np.cos(angle) + shared[ear] * np.sin(angle)
            tails[speaker, ear] = np.where(n >= begin, shared[ear], mixed) * envelope
    return tails


# ------------------------------------------------------------------------------------------------
# Level: peak and low shelf


def shelf_parts(x):
    """Splits a first-order low shelf (unity at Nyquist, G at 0 Hz) as A(x) + G * B(x)."""
    k = np.tan(np.pi * SHELF_CORNER_HZ / FS)
    den = [1.0 + k, k - 1.0]
    return sig.lfilter([1.0, -1.0], den, x), sig.lfilter([k, k], den, x)


def quantise(x):
    return np.round(x / QUANTUM) * QUANTUM


def build_tables(sofa_path=SOFA_PATH):
    directions, direct = load_direct_responses(sofa_path)
    tables = np.zeros((TABLE_COUNT, TAPS))
    shelf_gains = np.zeros(TABLE_COUNT)
    for bank, room in enumerate(ROOMS):
        tails = room_tails(room)
        for speaker, (_, azimuth) in enumerate(SPEAKERS):
            speaker_dir = unit_vectors(azimuth, 0.0)
            measured = int(np.argmax(directions @ speaker_dir))
            offsets = [float(ear_offset_seconds(speaker_dir, ear)) for ear in range(2)]
            reflected = reflections(room, azimuth, directions, direct)
            near_ear = 0 if azimuth >= 0.0 else 1
            parts = []
            for ear in range(2):
                lag = int(round((offsets[ear] - min(offsets)) * FS))
                own = reflected[ear].copy()
                own[lag : lag + DIRECT_TAPS] += direct[measured, ear]
                # The direct and reflected sound must not reach into the shared tail.
                stop = room.shared_from[ear] - room.crossfade
                own[stop:] = 0.0
                a, b = shelf_parts(own)
                a[room.shared_from[ear] :] = 0.0  # the shelf's own decay, long gone by now
                b[room.shared_from[ear] :] = 0.0
                parts.append((a, b, tails[speaker, ear]))

            # A table is scale * (A + G * B) + tail. At the near ear two conditions fix the
            # speaker's scale and the shelf's gain G: the peak at sample 0 and the sum. The far
            # ear keeps the speaker's scale and gets its own G for its sum.
            peak = room.centre_peak if azimuth == 0.0 else room.near_peak
            a, b, tail = parts[near_ear]
            rest = TARGET_SUM - tail.sum()
            near_gain = (rest * a[0] - peak * a.sum()) / (peak * b.sum() - rest * b[0])
            scale = peak / (a[0] + near_gain * b[0])
            for ear in range(2):
                a, b, tail = parts[ear]
                gain = near_gain
                if ear != near_ear:
                    gain = (TARGET_SUM - tail.sum() - scale * a.sum()) / (scale * b.sum())
                t = table_index(bank, speaker, ear)
                tables[t] = quantise(scale * (a + gain * b) + tail)
                shelf_gains[t] = gain
    return tables.astype("<f4"), shelf_gains


# ------------------------------------------------------------------------------------------------
# Properties, checks and the picture


def properties(tables):
    x = tables.astype(float)
    rows = []
    for t in range(TABLE_COUNT):
        magnitude = np.abs(x[t])
        peak_at = int(np.argmax(magnitude))
        energy = float(np.sum(x[t] ** 2))
        rows.append(
            dict(
                onset=int(np.argmax(magnitude > 0.1 * magnitude[peak_at])),
                peak=float(x[t, peak_at]),
                peak_at=peak_at,
                energy=energy,
                early=float(np.sum(x[t, :EARLY_SAMPLES] ** 2)) / energy,
                late=float(np.sum(x[t, TAPS // 2 :] ** 2)),
                sum=float(np.sum(x[t])),
                last_nonzero=int(np.flatnonzero(x[t])[-1]),
            )
        )
    return rows


def shared_tail_report(tables):
    """(bank, ear, first shared sample, identical from there, differs just before) per tail."""
    report = []
    for bank, room in enumerate(ROOMS):
        for ear in range(2):
            begin = room.shared_from[ear]
            group = tables[[table_index(bank, s, ear) for s in range(len(SPEAKERS))]]
            identical = bool(np.all(group[:, begin:] == group[0, begin:]))
            differs_before = bool(np.any(group[:, begin - 1] != group[0, begin - 1]))
            report.append((bank, ear, begin, identical, differs_before))
    return report


def structure_problems(tables):
    """Everything the engine relies on; an empty list means the set is sound."""
    problems = []
    x = tables.astype(float)
    rows = properties(tables)
    if not np.all(np.round(x / QUANTUM) * QUANTUM == x):
        problems.append("values not on the 2^-23 grid")
    for t, row in enumerate(rows):
        if not 0.725 <= row["sum"] <= 0.750:
            problems.append(f"table {t}: sum {row['sum']:.4f} outside 0.725..0.750")
        if row["last_nonzero"] != TAPS - 1:
            problems.append(f"table {t}: silent before its end")
    for bank in range(BANKS):
        pairs = ((0, 1, (10,)), (3, 2, (10,)), (6, 7, (21, 22)), (9, 8, (21, 22)), (4, 5, (0,)))
        for near, far, lags in pairs:
            near_row, far_row = rows[10 * bank + near], rows[10 * bank + far]
            if near_row["onset"] != 0 or far_row["onset"] - near_row["onset"] not in lags:
                problems.append(f"bank {bank}: onsets {near_row['onset']}/{far_row['onset']}")
    for bank, ear, begin, identical, differs_before in shared_tail_report(tables):
        if not (identical and differs_before):
            problems.append(f"bank {bank} ear {ear}: tail not shared from sample {begin}")
    late = [sum(rows[10 * bank + i]["late"] for i in range(10)) for bank in range(BANKS)]
    if late[1] < 2.0 * late[0]:
        problems.append("bank 1 is not markedly livelier than bank 0")
    return problems


def print_properties(tables, shelf_gains=None):
    rows = properties(tables)
    header = " t  bank spk ear  onset   peak   at  energy  early  late(4096+)   sum"
    if shelf_gains is not None:
        header += "   shelf@0Hz"
    print(header)
    for t, row in enumerate(rows):
        bank, speaker, ear = t // 10, (t % 10) // 2, t % 2
        line = (
            f"{t:2d}  {bank:3d}  {SPEAKERS[speaker][0]:>3} {'LR'[ear]:>3}  {row['onset']:5d}"
            f" {row['peak']:7.3f} {row['peak_at']:4d}  {row['energy']:6.3f}  {row['early']:5.2f}"
            f"  {row['late']:10.5f}  {row['sum']:6.4f}"
        )
        if shelf_gains is not None:
            line += f"   {20 * np.log10(abs(shelf_gains[t])):+6.2f} dB"
        print(line)
    for bank in range(BANKS):
        late = sum(rows[10 * bank + i]["late"] for i in range(10))
        print(f"bank {bank}: energy in samples 4096..8191, all ten tables: {late:.4f}")
    late0 = sum(rows[i]["late"] for i in range(10))
    late1 = sum(rows[10 + i]["late"] for i in range(10))
    print(f"bank 1 / bank 0 late energy: {late1 / late0:.2f}")
    print(f"value range: {tables.min():.4f} .. {tables.max():.4f}")
    for bank, ear, begin, identical, differs_before in shared_tail_report(tables):
        verdict = "identical" if identical else "NOT identical"
        print(
            f"bank {bank} {'left ' if ear == 0 else 'right'} ear: five tables {verdict} from "
            f"sample {begin}; {'differ' if differs_before else 'ALSO EQUAL'} at {begin - 1}"
        )


def level_envelope(h, window=64):
    """Short-time level in dB: RMS over consecutive windows, placed at each window's centre."""
    frames = h[: len(h) // window * window].reshape(-1, window)
    rms = np.sqrt(np.mean(frames**2, axis=1))
    return np.arange(len(rms)) * window + window / 2, 20 * np.log10(np.maximum(rms, 1e-9))


def smoothed_magnitude(h):
    """Magnitude response in dB, smoothed to 1/6 octave so the room's fine ripple does not hide
    the head's shape."""
    n_fft = 2 * TAPS
    power = smooth_power(np.abs(np.fft.rfft(h, n_fft)) ** 2, SMOOTHING_OCTAVES)
    return np.fft.rfftfreq(n_fft, 1.0 / FS), 10 * np.log10(np.maximum(power, 1e-12))


def draw_picture(tables, path):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    x = tables.astype(float)
    fig, axes = plt.subplots(len(SPEAKERS), 5, figsize=(22, 17), constrained_layout=True)
    colours = ("tab:blue", "tab:red")
    ear_names = ("left", "right")
    n = np.arange(TAPS)
    for speaker, (name, azimuth) in enumerate(SPEAKERS):
        spectrum_ax = axes[speaker, 4]
        for bank in range(BANKS):
            early_ax = axes[speaker, 2 * bank]
            level_ax = axes[speaker, 2 * bank + 1]
            for ear in range(2):
                t = table_index(bank, speaker, ear)
                h = x[t]
                label = f"t{t} {ear_names[ear]} ear"
                early_ax.plot(n[:400], h[:400], color=colours[ear], lw=0.8, label=label)
                level_ax.plot(*level_envelope(h), color=colours[ear], lw=0.9, label=label)
                level_ax.axvline(ROOMS[bank].shared_from[ear], color=colours[ear], ls=":", lw=1)
                spectrum_ax.semilogx(
                    *smoothed_magnitude(h),
                    color=colours[ear],
                    lw=0.9,
                    ls="-" if bank == 0 else "--",
                    label=f"t{t} bank {bank} {ear_names[ear]}",
                )
            early_ax.set_title(f"{name} ({azimuth:+.0f} deg), bank {bank}: first 400 samples")
            early_ax.set_ylim(-0.25, 0.8)
            early_ax.grid(alpha=0.3)
            early_ax.legend(loc="upper right", fontsize=8)
            level_ax.set_title(f"{name}, bank {bank}: level (dB, 64-sample RMS)")
            level_ax.set_ylim(-100, 0)
            level_ax.set_xlim(0, TAPS)
            level_ax.grid(alpha=0.3)
            level_ax.legend(loc="upper right", fontsize=8, title="dotted: shared tail from")
        spectrum_ax.set_title(f"{name}: magnitude (dB, 1/6 octave)")
        spectrum_ax.set_xlim(20, FS / 2)
        spectrum_ax.set_ylim(-35, 15)
        spectrum_ax.grid(alpha=0.3, which="both")
        spectrum_ax.legend(loc="lower left", fontsize=8)
    for ax in axes[-1, :4]:
        ax.set_xlabel("sample (44.1 kHz)")
    axes[-1, 4].set_xlabel("frequency (Hz)")
    fig.suptitle(
        "Built-in head-related impulse responses: bank 0 small room, bank 1 larger and livelier"
        " room; blue left ear, red right ear",
        fontsize=15,
    )
    fig.savefig(path, dpi=80)
    plt.close(fig)


def sha256_of(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def write_outputs(root, draw=True):
    tables, shelf_gains = build_tables()
    table_path = os.path.join(root, TABLE_FILE)
    os.makedirs(os.path.dirname(table_path), exist_ok=True)
    with open(table_path, "wb") as f:
        f.write(tables.tobytes())
    with open(table_path + ".sha256", "w") as f:
        f.write(f"{sha256_of(table_path)}  {os.path.basename(table_path)}\n")
    if draw:
        picture_path = os.path.join(root, PICTURE_FILE)
        os.makedirs(os.path.dirname(picture_path), exist_ok=True)
        draw_picture(tables, picture_path)
    return tables, shelf_gains


def read_tables(path):
    data = np.fromfile(path, dtype="<f4")
    if data.size != TABLE_COUNT * TAPS:
        raise SystemExit(f"{path}: {data.size * 4} bytes, expected {TABLE_COUNT * TAPS * 4}")
    return data.reshape(TABLE_COUNT, TAPS)


def check(root):
    """Regenerates into a temporary tree and compares with the committed set; returns exit code."""
    committed_path = os.path.join(root, TABLE_FILE)
    committed = read_tables(committed_path)
    with open(committed_path + ".sha256") as f:
        recorded = f.read().split()[0]
    failures = []
    if sha256_of(committed_path) != recorded:
        failures.append("the committed table file does not match its recorded checksum")

    scratch = tempfile.mkdtemp(prefix="hrir_check_")
    try:
        fresh, shelf_gains = write_outputs(scratch, draw=False)
        fresh_sum = sha256_of(os.path.join(scratch, TABLE_FILE))
    finally:
        shutil.rmtree(scratch)
    print_properties(fresh, shelf_gains)
    print()

    problems = structure_problems(committed)
    failures += [f"committed set: {p}" for p in problems]
    if fresh_sum == recorded:
        print(f"regenerated: identical to the committed set (sha256 {fresh_sum})")
    else:
        # Another numpy/scipy may round differently in the last bits; accept the result when
        # every sample agrees to a few quanta and every printed property matches.
        worst = float(np.max(np.abs(fresh.astype(float) - committed.astype(float))))
        same_props = all(
            round(a[k], 3) == round(b[k], 3)
            for a, b in zip(properties(fresh), properties(committed))
            for k in a
        )
        if worst <= 64 * QUANTUM and same_props and not structure_problems(fresh):
            print(
                f"regenerated: property-equal, not bit-identical (library versions differ; "
                f"largest sample difference {worst:.3g}, sha256 {fresh_sum})"
            )
        else:
            failures.append(
                f"regenerated set differs (largest sample difference {worst:.3g}, "
                f"properties {'match' if same_props else 'differ'})"
            )
    for failure in failures:
        print(f"MISMATCH: {failure}")
    return 1 if failures else 0


def write_personal_set(sofa_path, out_path):
    """The built-in recipe (equalisation, rooms, levels) on another person's measurements."""
    tables, shelf_gains = build_tables(sofa_path)
    print_properties(tables, shelf_gains)
    problems = structure_problems(tables)
    for p in problems:
        print(f"PROBLEM: {p}")
    if problems:
        return 1
    with open(out_path, "wb") as f:
        f.write(tables.tobytes())
    print(f"wrote {out_path}: use it with ambiora render IN OUT --mode 5 --hrir {out_path}")
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument(
        "--check",
        action="store_true",
        help="regenerate into a temporary directory and compare with the committed tables",
    )
    parser.add_argument(
        "--sofa",
        metavar="FILE",
        help="make the twenty responses from this SOFA file (a personal HRTF) instead of the "
        "built-in measurements; needs --out",
    )
    parser.add_argument(
        "--out",
        metavar="FILE",
        help="with --sofa: where to write the set (20 x 8192 float32, for ambiora render --hrir)",
    )
    args = parser.parse_args()
    if (args.sofa is None) != (args.out is None):
        parser.error("--sofa and --out go together")
    if args.sofa is not None:
        return write_personal_set(args.sofa, args.out)
    if args.check:
        return check(REPO_ROOT)
    tables, shelf_gains = write_outputs(REPO_ROOT)
    print_properties(tables, shelf_gains)
    problems = structure_problems(tables)
    for p in problems:
        print(f"PROBLEM: {p}")
    print(f"wrote {TABLE_FILE}, {TABLE_FILE}.sha256 and {PICTURE_FILE}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
