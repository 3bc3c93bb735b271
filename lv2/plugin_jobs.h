// The plugins of the LV2 bundle, one per job, described once.
//
// LV2 ports are fixed when a plugin is described, so the engine's one entry point becomes several
// plugins by channel layout: an upmixer (stereo in, 5.1 out) for the decoder modes, a headphone
// renderer for stereo sources and one for 5.1 sources, and an encoder (5.1 in, stereo out). Each
// row names the modes the job offers and the settings it exposes as controls; the settings' names,
// ranges, defaults and units come from `setting_table` and the modes' names from `mode_table`. The
// plugin library and the generator of the bundle's descriptions both read these rows, so the port
// indices the library serves are the ones the descriptions announce.
//
// Threading: constant data, read from any thread.
#pragma once

#include <cstdint>
#include <span>

#include "engine/block_context.h"
#include "headphone/headphone_renderer_state.h"
#include "modes.h"
#include "settings.h"

namespace ambiora_lv2 {

using ambiora::setting_name;

enum class channel_layout { stereo, five_one };

constexpr std::uint32_t channel_count(channel_layout layout) {
    return layout == channel_layout::stereo ? 2 : 6;
}

struct plugin_job {
    const char* symbol;  // "upmix": the end of the plugin's URI and the name of its description
    const char* name;    // what hosts list
    const char* about;  // the description's comment: what it does, and where it only passes through
    channel_layout input;
    channel_layout output;
    std::int32_t first_mode;  // the job's modes are first_mode..last_mode of mode_table
    std::int32_t last_mode;
    std::int32_t default_mode;
    const char* mode_label;                  // "Mode", or "Room" where the modes are rooms
    std::span<const setting_name> controls;  // settings offered, in port order after the mode
    std::uint32_t latency_frames;            // reported, and kept exactly, by the plugin
};

// Every processing setting the decoders read.
inline constexpr setting_name decoder_controls[] = {
    "surround-delay", "centre-width",   "centre-trim", "surround-trim",
    "bass-frequency", "bass-enable",    "bass-trim",   "bass-invert",
    "bass-boost",     "virtual-centre", "speaker-l",   "speaker-r",
    "speaker-c",      "speaker-sl",     "speaker-sr",  "master-gain"};
// The headphone modes ignore the centre, trims and bass redirection; the surround delay matters
// only to a stereo source, which is decoded first.
inline constexpr setting_name stereo_headphone_controls[] = {
    "surround-delay", "speaker-l",  "speaker-r",  "speaker-c",
    "speaker-sl",     "speaker-sr", "master-gain"};
inline constexpr setting_name surround_headphone_controls[] = {
    "speaker-l", "speaker-r", "speaker-c", "speaker-sl", "speaker-sr", "master-gain"};
inline constexpr setting_name encoder_controls[] = {"master-gain"};

// clang-format off
inline constexpr plugin_job plugin_jobs[] = {
    {"upmix", "Ambiora Upmixer",
     "Upmixes stereo to 5.1 (L, R, C, LFE, SL, SR) with the fixed or the logic-steered decoders. "
     "Works at every sample rate. No latency.",
     channel_layout::stereo, channel_layout::five_one, ambiora::mode_plus_c, ambiora::mode_as2,
     ambiora::mode_as2, "Mode", decoder_controls, 0},
    {"headphone", "Ambiora Headphone (stereo source)",
     "Renders a stereo source binaurally for headphones: it is decoded to five speakers, which are "
     "convolved with head-related responses of the chosen room. Renders at 44.1 to 48 kHz; at "
     "other rates it passes the audio through unchanged. Latency 8192 frames at every rate.",
     channel_layout::stereo, channel_layout::stereo, ambiora::mode_headphone,
     ambiora::mode_headphone_movie, ambiora::mode_headphone, "Room", stereo_headphone_controls,
     ambiora::hrir_length},
    {"headphone51", "Ambiora Headphone (5.1 source)",
     "Renders a 5.1 source binaurally for headphones with head-related responses of the chosen "
     "room. Renders at 44.1 to 48 kHz; at other rates it passes the front left and right channels "
     "through unchanged (a stereo output has no place for the others). Latency 8192 frames at "
     "every rate.",
     channel_layout::five_one, channel_layout::stereo, ambiora::mode_headphone,
     ambiora::mode_headphone_movie, ambiora::mode_headphone, "Room", surround_headphone_controls,
     ambiora::hrir_length},
    {"encode", "Ambiora Encoder",
     "Folds 5.1 into matrix-encoded stereo, with one surround signal (Encode) or both kept apart "
     "(Encode2). Works at every sample rate. No latency.",
     channel_layout::five_one, channel_layout::stereo, ambiora::mode_encode, ambiora::mode_encode2,
     ambiora::mode_encode, "Mode", encoder_controls, 0},
};
// clang-format on

inline constexpr std::uint32_t plugin_job_count = std::uint32_t(std::size(plugin_jobs));

inline constexpr const char* bundle_uri = "urn:ambiora-processor:lv2:";

// Port indices: the audio inputs, the audio outputs, the latency report, the mode, then the
// settings in the row's order.
struct port_map {
    std::uint32_t inputs;
    std::uint32_t outputs;

    constexpr explicit port_map(const plugin_job& job)
        : inputs(channel_count(job.input)), outputs(channel_count(job.output)) {}
    constexpr std::uint32_t first_output() const { return inputs; }
    constexpr std::uint32_t latency() const { return inputs + outputs; }
    constexpr std::uint32_t mode() const { return latency() + 1; }
    constexpr std::uint32_t first_control() const { return mode() + 1; }
    constexpr std::uint32_t count(const plugin_job& job) const {
        return first_control() + std::uint32_t(job.controls.size());
    }
};

// Every setting a job offers feeds the engine, and the mode is never among them (it has its own
// port with only the job's modes).
static_assert([] {
    for (const plugin_job& job : plugin_jobs) {
        for (const setting_name& name : job.controls) {
            const ambiora::setting_row& row = ambiora::setting_table[name.row];
            if (!row.processing() || row.unit == ambiora::setting_unit::mode) return false;
        }
        if (job.default_mode < job.first_mode || job.default_mode > job.last_mode) return false;
    }
    return true;
}());

}  // namespace ambiora_lv2
