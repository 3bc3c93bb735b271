// The surround engine: the state of one stream, and the map of the stages that use it.
//
// One engine carries the history of one stream. Each stage that keeps anything from block to block
// owns a state struct in its subsystem's folder (filter memories, delay lines, scratch arrays, and
// for the headphone renderer its response spectra and transform plans), with its own reset,
// containment of damaged values and release; the engine is the composition of those states, and
// its lifecycle calls each of them once. Every stage is handed the engine explicitly and keeps
// nothing elsewhere, so engines are independent of each other. The component holds a single
// process-wide engine shared by all of its DSP instances (see foo_dsp_ambiora/shared_engine.h);
// tests and tools may build their own.
//
// A chunk's journey: the DSP instance spreads the chunk into six-float `work_frame`s, fills a
// `block_context` with one snapshot of the settings and calls `process_block`, which picks the
// stages from mode, channel count and sample rate:
//
//   stereo, modes 1-4   decode_passive | decode_steered  ->  redirect_bass           -> 6 channels
//   2/4/5/6 ch, 5-6     [decode_steered for stereo]      ->  render_headphone        -> 2 channels
//   4/5/6 ch, mode 7    fold_for_encode                  ->  encode_mono_surround    -> 2 channels
//   4/5/6 ch, mode 8    fold_for_encode2                 ->  encode_stereo_surround  -> 2 channels
//   anything else       apply_gain_db(-3 dB)                                         -> unchanged
//
// then appends the silence owed after leaving a headphone mode and applies the master gain.
//
// Threading: an engine is used by one thread at a time. `process_block` runs on the host's
// playback thread; the component serialises resets requested from other threads against it (see
// foo_dsp_ambiora/shared_engine.h). build_engine and destroy_engine run while no block can be in
// flight, and, because they plan transforms, for one engine at a time in the process (see
// headphone/headphone_renderer_state.h). Separate engines may process blocks on separate threads.
#pragma once

#include <cstdint>
#include <tuple>

#include "engine/aligned_buffer.h"
#include "engine/block_context.h"
#include "headphone/headphone_renderer_state.h"
#include "matrix/bass_redirect_state.h"
#include "matrix/encoder_state.h"
#include "matrix/steered_decoder_state.h"
#include "matrix/surround_ending_state.h"

namespace ambiora {

// ---------------------------------------------------------------------------------------------
// The engine: one state per stage that keeps any, all at rest after build_engine and reset_engine

struct surround_engine {
    steered_decoder_state steered_decoder;  // decode_steered: band split, steering smoothers
    surround_ending_state surround_ending;  // post_process_surround: 7 kHz low-pass, delay lines
    bass_redirect_state bass_redirect;      // redirect_bass: crossover memories, removed bass
    encoder_state encoders;                 // encode_*_surround: surround chains A and B
    headphone_renderer_state headphone;     // render_headphone: spectra, plans, feeds, tail

    // Non-finite samples of the output channels replaced by silence since the engine was built
    // (silence_non_finite_output). Resets leave it alone: it counts over the engine's life.
    std::uint64_t silenced_output_samples = 0;

    // Every stage's state, for the lifecycle steps that visit them all (reset_engine,
    // contain_non_finite, destroy_engine): a state named here needs no other line in the engine.
    auto stage_states() {
        return std::tie(steered_decoder, surround_ending, bass_redirect, encoders, headphone);
    }
};

// ---------------------------------------------------------------------------------------------
// Lifecycle (engine/build_engine.cpp, engine/reset_engine.cpp, engine/destroy_engine.cpp)

// Makes what must exist before the first block: the headphone renderer's response spectra from
// `hrir_tables` (20 x 8192 floats; null selects the built-in set) and its seven transform
// plans, and makes sure the steered decoder's kernels are chosen. `engine` is fresh or destroyed.
void build_engine(surround_engine& engine, const float* hrir_tables = nullptr);

// Clears the stream's history in every stage: filter memories, delay lines, the collected
// headphone frames and the overlap tail. Frees nothing and never allocates.
void reset_engine(surround_engine& engine);

// Resets, then releases every stage: destroys the plans and frees every buffer.
void destroy_engine(surround_engine& engine);

// ---------------------------------------------------------------------------------------------
// The block pipeline (engine/process_block.cpp and one file per small stage)

void process_block(surround_engine& engine, block_context& ctx);
void apply_gain_db(block_context& ctx, float db);
// Replaces the frames a headphone mode still held with as many silent frames at the block's end.
void append_headphone_silence(surround_engine& engine, block_context& ctx);
// Has every stage rid its carried state (memories, delay lines, feeds, tail) of NaN, infinities
// and huge values after a block that brought in `frames_in` frames.
void contain_non_finite(surround_engine& engine, std::uint32_t frames_in);
// Replaces every NaN and infinity left in the block by 0, and counts those in the slots the
// output's channels are written back from.
void silence_non_finite_output(surround_engine& engine, block_context& ctx);

// dB to linear factor: 10^(dB x 0.05), with 0.05 as a float and the power taken in double.
double db_to_factor(std::int32_t db);

// ---------------------------------------------------------------------------------------------
// Matrix filters and surround delay (matrix/)

// Second-order Butterworth filters by the bilinear transform, in place on
// data[channel + k * stride] for k < ctx.frame_count, at ctx.sample_rate.
void butterworth_highpass(biquad_state& state, float* data, std::uint32_t channel, float cutoff_hz,
                          std::uint32_t stride, const block_context& ctx);
void butterworth_lowpass(biquad_state& state, float* data, std::uint32_t channel, float cutoff_hz,
                         std::uint32_t stride, const block_context& ctx);

// Delays channel `channel` (stride 6) of `data` by delay_us microseconds through `line`.
void delay_channel(delay_line& line, std::uint32_t delay_us, const block_context& ctx, float* data,
                   std::uint32_t channel);

// ---------------------------------------------------------------------------------------------
// Matrix decoders (matrix/)

void decode_passive(surround_engine& engine, block_context& ctx);
void decode_steered(surround_engine& engine, block_context& ctx);
void steering_detector(const float* pairs, biquad_state& lr_memory, biquad_state& fb_memory,
                       float* lr_out, float* fb_out, const block_context& ctx);
// The decoders' shared ending: 7 kHz low-pass (modes 1-3 at >= 44.1 kHz) and the delay.
void post_process_surround(surround_engine& engine, block_context& ctx);
// After either decoder: L, R and C lose their bass below the crossover, and LFE receives it.
void redirect_bass(surround_engine& engine, block_context& ctx);

// ---------------------------------------------------------------------------------------------
// Matrix encoders (matrix/)

// The folds that bring a four-, five- or six-channel source into the shape each encoder reads.
void fold_for_encode(block_context& ctx);
void fold_for_encode2(block_context& ctx);
void encode_mono_surround(surround_engine& engine, block_context& ctx);
void encode_stereo_surround(surround_engine& engine, block_context& ctx);
void phase_shift_network(phase_shift_memory& memory, block_context& ctx, std::uint32_t channel);

// ---------------------------------------------------------------------------------------------
// Headphone virtualiser (headphone/)

// The built-in 20 x 8192 response tables (t = 10 x bank + 2 x speaker + ear).
const float* builtin_hrir_tables();

// Fills the renderer's 20 hrir_spectrum buffers from `tables` (same layout as the built-in set).
void prepare_hrir_spectra(headphone_renderer_state& renderer, const float* tables);

void render_headphone(surround_engine& engine, block_context& ctx);

}  // namespace ambiora
