// The headphone virtualiser: five speaker feeds convolved with a bank of ten head-related
// responses and summed per ear, by FFT overlap-add: five forward and two inverse transforms per
// block.
//
// Each block of 8192 frames is zero-padded to 16384 points, so its linear convolution with an
// 8192-tap response (16383 samples) fits the transform without circular wrap-around: the first
// 8192 samples finish the block, the rest is carried in `overlap_tail` into the next one. Output
// leaves only in whole blocks; frames of an unfinished block wait in the feeds (`feed_fill`).
//
// Scaling: one forward and one inverse unnormalised transform multiply by 16384. Dividing by 8192
// instead leaves every ear at twice the true convolution, and the output factor 0.354 brings the
// whole path to 0.708 x the convolution.
#include <emmintrin.h>
#include <fftw3.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/speaker_switches.h"
#include "engine/surround_engine.h"
#include "modes.h"

namespace ambiora {
namespace {

constexpr float inverse_scale = 1.0f / 8192.0f;  // 2^-13, see the note on scaling above
constexpr float output_factor = 0.354f;

// Slot of each feed in a work_frame; the LFE slot is never read, so the LFE is dropped.
constexpr std::uint32_t feed_slot[speaker_count] = {slot_l, slot_r, slot_c, slot_sl, slot_sr};

// Copies frames of `work` into entries first..last-1 of every feed, each times its switch (0 or 1),
// in one pass over the frames.
//
// Four frames at a time: their 24 floats in six SSE2 registers, shuffled into one register per
// slot (four frames of L, four of R, ...), multiplied by the switch and stored; the same
// multiplication per sample as one at a time, with a fifth of the loads and stores.
static_assert(frame_width == 6 && feed_slot[0] == 0 && feed_slot[1] == 1 && feed_slot[2] == 2 &&
                  feed_slot[3] == 4 && feed_slot[4] == 5,
              "collect_feeds shuffles L, R, C, SL and SR out of six-float frames");

void collect_feeds(headphone_renderer_state& renderer, const block_context& ctx,
                   const float* frames, std::uint32_t first, std::uint32_t last) {
    float* feed[speaker_count];
    float on[speaker_count];
    for (std::uint32_t k = 0; k < speaker_count; ++k) {
        feed[k] = renderer.speaker_feed[k].data;
        on[k] = switch_factor(ctx.speaker_on[k]);
    }
    const float* frame = frames;
    std::uint32_t j = first;
    for (; j + 4 <= last; j += 4, frame += 4 * frame_width) {
        __m128 v[6];
        for (int r = 0; r < 6; ++r) v[r] = _mm_loadu_ps(frame + 4 * r);
        // Frames 0 and 1 are in v[0..2], frames 2 and 3 in v[3..5]; first each slot pair of a
        // frame pair side by side, then the four frames of each slot.
        const __m128 fronts_01 = _mm_shuffle_ps(v[0], v[1], _MM_SHUFFLE(3, 2, 1, 0));
        const __m128 fronts_23 = _mm_shuffle_ps(v[3], v[4], _MM_SHUFFLE(3, 2, 1, 0));
        const __m128 centres_01 = _mm_shuffle_ps(v[0], v[2], _MM_SHUFFLE(1, 0, 3, 2));
        const __m128 centres_23 = _mm_shuffle_ps(v[3], v[5], _MM_SHUFFLE(1, 0, 3, 2));
        const __m128 surrounds_01 = _mm_shuffle_ps(v[1], v[2], _MM_SHUFFLE(3, 2, 1, 0));
        const __m128 surrounds_23 = _mm_shuffle_ps(v[4], v[5], _MM_SHUFFLE(3, 2, 1, 0));
        const __m128 slot[speaker_count] = {
            _mm_shuffle_ps(fronts_01, fronts_23, _MM_SHUFFLE(2, 0, 2, 0)),
            _mm_shuffle_ps(fronts_01, fronts_23, _MM_SHUFFLE(3, 1, 3, 1)),
            _mm_shuffle_ps(centres_01, centres_23, _MM_SHUFFLE(2, 0, 2, 0)),
            _mm_shuffle_ps(surrounds_01, surrounds_23, _MM_SHUFFLE(2, 0, 2, 0)),
            _mm_shuffle_ps(surrounds_01, surrounds_23, _MM_SHUFFLE(3, 1, 3, 1)),
        };
        for (std::uint32_t k = 0; k < speaker_count; ++k)
            _mm_storeu_ps(feed[k] + j, _mm_mul_ps(slot[k], _mm_set1_ps(on[k])));
    }
    for (; j < last; ++j, frame += frame_width) {
        for (std::uint32_t k = 0; k < speaker_count; ++k) feed[k][j] = frame[feed_slot[k]] * on[k];
    }
}

// Multiplies every feed spectrum by the spectra of its two responses in `bank` (t = 10 x bank +
// 2 x speaker + ear) and sums the products per ear into ear_spectrum[ear].
//
// Convolution is linear, so summing the five products per ear before the inverse transform gives
// the same ears as transforming each product and summing afterwards, for two inverse transforms
// per block instead of ten. Only the rounding moves, by a few parts in 10^7.
//
// In single precision, like the transforms around it, with the feeds added in order 0..4. One
// pass over the bins reads every spectrum once, front to back, and writes each ear once.
//
// Two bins at a time in SSE2 registers, each lane doing what the one-bin code below does: with a
// feed bin a + bi and a response bin c + di, the lanes multiply (a, a) by (c, d) and (-b, b) by
// (d, c) and add, giving a c - b d and a d + b c; negating b first is exact, so a c + (-b) d is
// a c - b d to the bit.
void sum_ear_spectra(headphone_renderer_state& renderer, std::uint32_t bank) {
    const float* feed[speaker_count];
    const float* left_response[speaker_count];
    const float* right_response[speaker_count];
    for (std::uint32_t k = 0; k < speaker_count; ++k) {
        feed[k] = renderer.speaker_feed[k].data;
        left_response[k] = renderer.hrir_spectrum[10 * bank + 2 * k].data;
        right_response[k] = renderer.hrir_spectrum[10 * bank + 2 * k + 1].data;
    }
    float* left = renderer.ear_spectrum[0].data;
    float* right = renderer.ear_spectrum[1].data;
    const __m128 negate_real = _mm_castsi128_ps(_mm_set_epi32(0, INT32_MIN, 0, INT32_MIN));
    std::size_t i = 0;
    for (; i + 4 <= spectrum_floats; i += 4) {
        __m128 left_sum = _mm_setzero_ps(), right_sum = _mm_setzero_ps();
#pragma GCC unroll 5
        for (std::uint32_t k = 0; k < speaker_count; ++k) {
            const __m128 x = _mm_loadu_ps(feed[k] + i);
            const __m128 real = _mm_shuffle_ps(x, x, _MM_SHUFFLE(2, 2, 0, 0));
            const __m128 imaginary =
                _mm_xor_ps(_mm_shuffle_ps(x, x, _MM_SHUFFLE(3, 3, 1, 1)), negate_real);
            auto product = [&](const float* response) {
                const __m128 h = _mm_loadu_ps(response + i);
                const __m128 swapped = _mm_shuffle_ps(h, h, _MM_SHUFFLE(2, 3, 0, 1));
                return _mm_add_ps(_mm_mul_ps(real, h), _mm_mul_ps(imaginary, swapped));
            };
            left_sum = _mm_add_ps(left_sum, product(left_response[k]));
            right_sum = _mm_add_ps(right_sum, product(right_response[k]));
        }
        _mm_storeu_ps(left + i, left_sum);
        _mm_storeu_ps(right + i, right_sum);
    }
    for (; i < spectrum_floats; i += 2) {
        float left_re = 0.0f, left_im = 0.0f, right_re = 0.0f, right_im = 0.0f;
        for (std::uint32_t k = 0; k < speaker_count; ++k) {
            const float a = feed[k][i], b = feed[k][i + 1];
            const float c = left_response[k][i], d = left_response[k][i + 1];
            const float g = right_response[k][i], h = right_response[k][i + 1];
            left_re += a * c - b * d;
            left_im += a * d + b * c;
            right_re += a * g - b * h;
            right_im += a * h + b * g;
        }
        left[i] = left_re;
        left[i + 1] = left_im;
        right[i] = right_re;
        right[i + 1] = right_im;
    }
}

// The inverse-transformed ears: the first half, plus the tail owed by the previous block,
// completes `block`; the second half becomes the new tail.
void overlap_add(headphone_renderer_state& renderer, float* block) {
    const float* left = renderer.ear_spectrum[0].data;
    const float* right = renderer.ear_spectrum[1].data;
    float* tail = renderer.overlap_tail.data;
    for (std::size_t n = 0; n < hrir_length; ++n) {
        const std::size_t later = hrir_length + n;
        block[2 * n] = left[n] * inverse_scale + tail[2 * n];
        block[2 * n + 1] = right[n] * inverse_scale + tail[2 * n + 1];
        tail[2 * n] = left[later] * inverse_scale;
        tail[2 * n + 1] = right[later] * inverse_scale;
    }
    // process_block clears the tail when a non-headphone mode follows, but only if this flag says
    // there is something to clear; otherwise a stale tail would come back as an echo the next
    // time a headphone mode is chosen.
    renderer.tail_in_use = true;
}

// Runs one complete block through the transforms and appends its 8192 stereo frames to `block`.
void convolve_block(headphone_renderer_state& renderer, std::uint32_t bank, float* block) {
    for (std::uint32_t k = 0; k < speaker_count; ++k) {
        float* feed = renderer.speaker_feed[k].data;
        std::fill(feed + hrir_length, feed + spectrum_floats, 0.0f);
    }
    for (fftwf_plan plan : renderer.feed_plan) fftwf_execute(plan);
    sum_ear_spectra(renderer, bank);
    for (fftwf_plan plan : renderer.ear_plan) fftwf_execute(plan);
    overlap_add(renderer, block);
}

}  // namespace

void render_headphone(surround_engine& engine, block_context& ctx) {
    headphone_renderer_state& renderer = engine.headphone;
    const std::uint32_t frames = ctx.frame_count;
    const std::uint32_t blocks = (frames + renderer.feed_fill) >> 13;
    const std::uint32_t block_floats = hrir_length * ear_count;

    aligned_buffer& binaural = renderer.binaural_block;
    binaural.resize_discarding(blocks * block_floats);
    if (blocks != 0)
        std::memset(binaural.data, 0, std::size_t(blocks) * block_floats * sizeof(float));

    const std::uint32_t bank = mode_behaviour(ctx.mode).hrir_bank;
    const float* input = ctx.work != nullptr ? ctx.work->data : nullptr;
    std::uint32_t consumed = 0;
    for (std::uint32_t b = 0; b < blocks; ++b) {
        collect_feeds(renderer, ctx, input + std::size_t(consumed) * frame_width,
                      renderer.feed_fill, hrir_length);
        consumed += hrir_length - renderer.feed_fill;
        renderer.feed_fill = 0;
        convolve_block(renderer, bank, binaural.data + std::size_t(b) * block_floats);
    }

    // Whatever does not complete a block waits in the feeds for the next call.
    const std::uint32_t left_over = frames - consumed;
    if (left_over != 0) {
        collect_feeds(renderer, ctx, input + std::size_t(consumed) * frame_width,
                      renderer.feed_fill, renderer.feed_fill + left_over);
        renderer.feed_fill += left_over;
    }

    if (blocks == 0) {
        ctx.frame_count = 0;
        return;
    }

    // The input has been consumed, so `work` may be resized without keeping it.
    const std::uint32_t out_frames = blocks * hrir_length;
    ctx.frame_count = out_frames;
    ctx.work->resize_discarding(out_frames * frame_width);
    float* out = ctx.work->data;
    const float* ears = binaural.data;
    for (std::uint32_t m = 0; m < out_frames; ++m, out += frame_width, ears += ear_count) {
        out[slot_l] = ears[0] * output_factor;
        out[slot_r] = ears[1] * output_factor;
        out[slot_c] = 0.0f;
        out[slot_lfe] = 0.0f;
        out[slot_sl] = 0.0f;
        out[slot_sr] = 0.0f;
    }
}

}  // namespace ambiora
