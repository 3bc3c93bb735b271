#include "dsp/dsp_ambiora.h"

#include <array>
#include <cstring>
#include <type_traits>

#include "dsp/chunk_layout.h"
#include "dsp/denormal_guard.h"
#include "dsp_dummy_preset.h"
#include "runtime_state.h"
#include "settings.h"
#include "shared_engine.h"
#include "ui/config_dialog.h"

namespace ambiora {
namespace {

constexpr GUID dsp_guid = {
    0xb51fbad2, 0x8ba9, 0x4427, {0xbb, 0xd6, 0x5b, 0x03, 0xa3, 0xf5, 0xc3, 0xc0}};

// Interleaved chunk samples -> work frames, for one channel count known at compile time so that
// each frame is a handful of fixed moves. Slots the layout does not use are written as zeros.
// Every slot is stored straight into the frame: a frame assembled on the stack and copied out
// read back stores it had only just made, which stalled the processor on every frame.
template <std::uint32_t channels>
void spread_frames(const audio_sample* in, std::uint32_t frames, float* work) {
    if constexpr (channels == frame_width && std::is_same_v<audio_sample, float>) {
        // Six channels arrive in slot order: the samples are the frames as they stand.
        std::memcpy(work, in, std::size_t(frames) * frame_width * sizeof(float));
        return;
    }
    // The channel each slot takes, or -1 for a slot left silent.
    constexpr auto source = [] {
        std::array<int, frame_width> from{};
        from.fill(-1);
        for (std::uint32_t c = 0; c < channels; ++c) from[channel_slots<channels>[c]] = int(c);
        return from;
    }();
    for (std::uint32_t f = 0; f < frames; ++f, in += channels, work += frame_width) {
#pragma GCC unroll 6
        for (std::uint32_t slot = 0; slot < frame_width; ++slot)
            work[slot] = source[slot] < 0 ? 0.0f : static_cast<float>(in[source[slot]]);
    }
}

// Calls `with_count` with the channel count as a compile-time constant when it is one the engine
// takes (1, 2, 4, 5 or 6) and returns true; returns false for any other count.
template <class Action>
bool for_channel_count(std::uint32_t channels, Action&& with_count) {
    switch (channels) {
        case 1:
            with_count(std::integral_constant<std::uint32_t, 1>{});
            return true;
        case 2:
            with_count(std::integral_constant<std::uint32_t, 2>{});
            return true;
        case 4:
            with_count(std::integral_constant<std::uint32_t, 4>{});
            return true;
        case 5:
            with_count(std::integral_constant<std::uint32_t, 5>{});
            return true;
        case 6:
            with_count(std::integral_constant<std::uint32_t, 6>{});
            return true;
        default:
            return false;
    }
}

// Counts the engine does not take (3, or 7 and more) give silent frames.
void spread_into_frames(const audio_sample* in, std::uint32_t frames, std::uint32_t channels,
                        float* work) {
    const bool taken =
        for_channel_count(channels, [&](auto count) { spread_frames<count()>(in, frames, work); });
    if (!taken) std::memset(work, 0, std::size_t(frames) * frame_width * sizeof(float));
}

// Work frames -> interleaved output channels in the host's order for that count.
static_assert(channel_slots<frame_width> == std::array<std::uint32_t, 6>{0, 1, 2, 3, 4, 5});

template <std::uint32_t channels>
void gather_frames(const float* work, std::uint32_t frames, float* out) {
    constexpr auto slots = channel_slots<channels>;
    if constexpr (channels == frame_width) {
        // Six channels leave in slot order: the frames are the output as they stand.
        std::memcpy(out, work, std::size_t(frames) * frame_width * sizeof(float));
        return;
    }
    for (std::uint32_t f = 0; f < frames; ++f, work += frame_width, out += channels) {
#pragma GCC unroll 6
        for (std::uint32_t c = 0; c < channels; ++c) out[c] = work[slots[c]];
    }
}

// `channels` is one that has a default mask (1, 2, 4, 5 or 6).
void gather_from_frames(const float* work, std::uint32_t frames, std::uint32_t channels,
                        float* out) {
    for_channel_count(channels, [&](auto count) { gather_frames<count()>(work, frames, out); });
}

// A host whose samples are floats takes the frames straight into the chunk; one whose samples
// are doubles, through `staging`.
template <typename sample>
void gather_into_chunk(const float* work, std::uint32_t frames, std::uint32_t channels, sample* out,
                       aligned_buffer& staging) {
    if constexpr (std::is_same_v<sample, float>) {
        gather_from_frames(work, frames, channels, out);
    } else {
        const std::size_t samples = std::size_t(frames) * channels;
        staging.resize_discarding(samples);
        gather_from_frames(work, frames, channels, staging.data);
        for (std::size_t i = 0; i < samples; ++i) out[i] = staging.data[i];
    }
}

}  // namespace

GUID dsp_ambiora::g_get_guid() {
    return dsp_guid;
}

bool dsp_ambiora::g_get_default_preset(dsp_preset& out) {
    const dsp_dummy_preset& dummy = dsp_dummy_preset::instance();
    out.set_owner(dsp_guid);
    out.set_data(dummy.get_data(), dummy.get_data_size());
    return true;
}

bool dsp_ambiora::g_show_config_popup(dsp_preset&, HWND parent) {
    return run_config_dialog(parent);
}

void dsp_ambiora::flush_dsp() {
    reset_shared_engine();
    forget_last_input();
}

bool dsp_ambiora::process_chunk(audio_chunk* chunk) {
    const audio_sample* in = chunk->get_data();
    const auto frames = static_cast<std::uint32_t>(chunk->get_sample_count());
    work_.resize_discarding(frames * frame_width);
    const std::uint32_t channels = chunk->get_channels();
    last_input_channels.store(channels, std::memory_order_relaxed);
    last_input_rate.store(chunk->get_srate(), std::memory_order_relaxed);

    block_context ctx;
    snapshot_settings(ctx);
    ctx.input_channels = static_cast<std::int32_t>(channels);
    ctx.sample_rate = static_cast<std::int32_t>(chunk->get_srate());
    ctx.frame_count = frames;
    ctx.work = &work_;
    {
        // Flush-to-zero only while our own arithmetic runs. The host's calls on the chunk below
        // may throw, and its unwinding would not restore a state of ours left live across them.
        denormal_guard flush_denormals;
        spread_into_frames(in, frames, channels, work_.data);
        process_shared_block(ctx);
    }

    auto out_channels = static_cast<std::uint32_t>(ctx.output_channels);
    std::uint32_t out_frames = ctx.frame_count;
    std::uint32_t mask = default_channel_mask(out_channels);
    if (mask == 0) {
        // A layout the host has no default for (only 3 or 7+ channels get here) is written back
        // as an empty chunk rather than guessed at.
        out_channels = 0;
        out_frames = 0;
    }
    if (ctx.frame_count == 0) return false;

    // The engine may have moved the work buffer; read its pointer only now. The chunk's own
    // samples have been read into it, so the output may overwrite them.
    chunk->set_data_size(std::size_t(out_channels) * out_frames);
    if (out_frames != 0)
        gather_into_chunk(work_.data, out_frames, out_channels, chunk->get_data(), output_);
    chunk->set_sample_count(out_frames);
    chunk->set_channels(out_channels, mask);
    chunk->set_srate(static_cast<unsigned>(ctx.sample_rate));
    return true;
}

}  // namespace ambiora
