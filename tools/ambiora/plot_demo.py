#!/usr/bin/env python3
"""Draws the pictures of `ambiora demo` from the numbers it left in its folder.

usage: plot_demo.py DIR

Reads DIR/levels.json (each output channel's level over time, per programme and mode) and
DIR/hrir_tables.f32 (the twenty responses the headphone modes used) and writes
DIR/levels-<programme>.png and DIR/responses.png. Exits with 3 when matplotlib is missing, so the
demo can say why it has no pictures.
"""
import json
import os
import sys

try:
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    import numpy as np
except ImportError as missing:
    print(f"plot_demo.py: {missing}", file=sys.stderr)
    sys.exit(3)

# One colour per speaker, the same in every picture.
CHANNEL_COLOURS = {
    "L": "#1f77b4",
    "R": "#d62728",
    "C": "#2ca02c",
    "LFE": "#7f7f7f",
    "SL": "#9467bd",
    "SR": "#ff7f0e",
}
SPEAKERS = ["L", "R", "C", "SL", "SR"]
BANKS = ["bank 0: Headphone (small room)", "bank 1: Headphone Movie (larger room)"]
TABLE_LENGTH = 8192
FLOOR_DB = -60.0


def draw_levels(programme, window_seconds, path):
    modes = programme["modes"]
    fig, axes = plt.subplots(len(modes), 1, figsize=(12, 2.0 * len(modes) + 1), sharex=True,
                             constrained_layout=True)
    fig.suptitle(f"{programme['title']}: level of each output channel, per mode", fontsize=13)
    for ax, mode in zip(axes, modes):
        for channel in mode["channels"]:
            levels = np.maximum(np.array(channel["db"]), FLOOR_DB)
            times = (np.arange(len(levels)) + 0.5) * window_seconds
            ax.plot(times, levels, lw=1.1, label=channel["name"],
                    color=CHANNEL_COLOURS.get(channel["name"]))
        for start, end, label in programme["sections"]:
            ax.axvline(start, color="#bbbbbb", lw=0.6)
        ax.set_ylim(FLOOR_DB, 3)
        ax.set_ylabel("dBFS")
        ax.set_title(f"{mode['mode']}  {mode['name']}  ({len(mode['channels'])} ch)", loc="left",
                     fontsize=10)
        ax.legend(loc="center left", bbox_to_anchor=(1.0, 0.5), fontsize=8, frameon=False)
        ax.grid(alpha=0.25)
    top = axes[0]
    for start, end, label in programme["sections"]:
        top.annotate(label, xy=((start + end) / 2, 1.0), xycoords=("data", "axes fraction"),
                     xytext=(0, 14), textcoords="offset points", ha="center", fontsize=8)
    axes[-1].set_xlabel("time (s)")
    fig.savefig(path, dpi=90)
    plt.close(fig)


def table_index(bank, speaker, ear):
    return 10 * bank + 2 * speaker + ear


def smoothed_db(h, octaves=1.0 / 3.0):
    """Magnitude in dB, averaged in power over a band `octaves` wide around each bin."""
    power = np.abs(np.fft.rfft(h)) ** 2
    cumulative = np.concatenate(([0.0], np.cumsum(power)))
    bins = np.arange(len(power))
    low = np.clip((bins * 2 ** (-octaves / 2)).astype(int), 0, len(power) - 1)
    high = np.clip((bins * 2 ** (octaves / 2)).astype(int) + 1, 1, len(power))
    mean = (cumulative[high] - cumulative[low]) / (high - low)
    return 10 * np.log10(np.maximum(mean, 1e-12))


def draw_responses(tables, rate, path):
    fig, axes = plt.subplots(4, len(SPEAKERS), figsize=(18, 11), constrained_layout=True)
    fig.suptitle("The twenty head-related responses: start in time, and 1/3-octave magnitude "
                 "(left ear blue, right ear red)", fontsize=13)
    ear_colours = ["#1f77b4", "#d62728"]
    shown = 300
    freqs = np.fft.rfftfreq(TABLE_LENGTH, 1.0 / rate)
    for bank in range(2):
        for s, speaker in enumerate(SPEAKERS):
            time_ax = axes[2 * bank, s]
            freq_ax = axes[2 * bank + 1, s]
            for ear in range(2):
                h = tables[table_index(bank, s, ear)]
                time_ax.plot(np.arange(shown) / rate * 1000.0, h[:shown], lw=0.8,
                             color=ear_colours[ear])
                freq_ax.semilogx(freqs[1:], smoothed_db(h)[1:], lw=0.9, color=ear_colours[ear])
            time_ax.set_title(f"{speaker} speaker, {BANKS[bank]}", fontsize=9)
            time_ax.set_xlabel("ms", fontsize=8)
            freq_ax.set_xlim(20, rate / 2)
            freq_ax.set_ylim(-40, 20)
            freq_ax.set_xlabel("Hz", fontsize=8)
            for ax in (time_ax, freq_ax):
                ax.tick_params(labelsize=7)
                ax.grid(alpha=0.25)
    axes[0, 0].set_ylabel("amplitude")
    axes[1, 0].set_ylabel("dB")
    axes[2, 0].set_ylabel("amplitude")
    axes[3, 0].set_ylabel("dB")
    fig.savefig(path, dpi=80)
    plt.close(fig)


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    folder = sys.argv[1]
    with open(os.path.join(folder, "levels.json"), encoding="utf-8") as f:
        levels = json.load(f)
    for programme in levels["programmes"]:
        draw_levels(programme, levels["window_seconds"],
                    os.path.join(folder, f"levels-{programme['name']}.png"))
    tables = np.fromfile(os.path.join(folder, "hrir_tables.f32"), dtype="<f4")
    draw_responses(tables.reshape(20, TABLE_LENGTH), 44100,
                   os.path.join(folder, "responses.png"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
