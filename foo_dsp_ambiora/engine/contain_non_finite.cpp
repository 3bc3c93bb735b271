// Keeps one block's bad samples from poisoning the rest of the stream.
//
// A NaN or an infinity that reaches a recursive filter stays in its memory for ever: every later
// output of that filter is NaN, and so is everything downstream, until a reset. The same holds for
// a delay line (it replays the value one delay later) and for the headphone overlap tail. A huge
// but finite sample is no better: a filter fed 3e38 overflows to infinity on its next step, and
// the convolution overflows well before that.
//
// So after every block the engine's carried state is checked, and whatever is not a plausible
// sample is removed: a filter memory holding such a value is cleared as a whole (its four values
// only make sense together), a delay line, the pending headphone feeds and the overlap tail lose
// just the bad entries. The block that carried the damage may still come out non-finite; the next
// one starts from clean memories.
//
// "Plausible" means finite and no larger than 2^64 in magnitude, some 385 dB above full scale:
// no sound reaches that, and below it no stage can overflow a float in the following block (the
// largest gain on any path, the convolution's included, is far below 2^64). Finite audio is never
// touched, so its output stays exactly what it was.
//
// The checks run on every block, so they are written to vectorise: a branch-free scan of the bit
// patterns first, and a second pass only for a buffer that holds damage.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "engine/surround_engine.h"

namespace ambiora {
namespace {

constexpr std::uint32_t magnitude_mask = 0x7fffffff;
constexpr std::uint32_t largest_kept_bits = 0x5f800000;  // 2^64; NaN and infinity lie above

inline bool is_damaged(float value) {
    return (std::bit_cast<std::uint32_t>(value) & magnitude_mask) > largest_kept_bits;
}

// Sixteen values at a time in a fixed-length inner loop, which the compiler turns into a few
// vector compares even where it will not vectorise a loop of unknown length (g++ at -O2).
bool holds_damage(const float* values, std::uint32_t count) {
    constexpr std::uint32_t group = 16;
    std::uint32_t damaged = 0;
    std::uint32_t i = 0;
    for (; i + group <= count; i += group) {
        std::uint32_t bits[group];
        std::memcpy(bits, values + i, sizeof bits);
        for (std::uint32_t j = 0; j < group; ++j)
            damaged |= (bits[j] & magnitude_mask) > largest_kept_bits ? 1u : 0u;
    }
    for (; i < count; ++i) damaged |= is_damaged(values[i]) ? 1u : 0u;
    return damaged != 0;
}

void scrub(float* values, std::uint32_t count) {
    if (values == nullptr || !holds_damage(values, count)) return;
    for (std::uint32_t i = 0; i < count; ++i)
        if (is_damaged(values[i])) values[i] = 0.0f;
}

bool holds_damage(const biquad_state& s) {
    return is_damaged(s.x1) || is_damaged(s.x2) || is_damaged(s.y1) || is_damaged(s.y2);
}

void contain(biquad_state& s) {
    if (holds_damage(s)) s = {};
}

// The four sections run in cascade, so damage in one reaches the others within a sample; the
// network starts afresh as a whole.
void contain(phase_shift_memory& m) {
    for (const biquad_state& s : m.section) {
        if (holds_damage(s)) {
            m = {};
            return;
        }
    }
}

}  // namespace

void contain_non_finite(surround_engine& engine, std::uint32_t frames_in) {
    for (biquad_state& s : engine.bass_highpass) contain(s);
    for (biquad_state& s : engine.surround_lowpass) contain(s);
    contain(engine.encoder_highpass_a);
    contain(engine.encoder_lowpass_a);
    contain(engine.encoder_highpass_b);
    contain(engine.encoder_lowpass_b);
    contain(engine.phase_shift_a);
    contain(engine.phase_shift_b);
    for (biquad_state& s : engine.band_split) contain(s);
    contain(engine.steer_lr_high_memory);
    contain(engine.steer_fb_high_memory);
    contain(engine.steer_lr_low_memory);
    contain(engine.steer_fb_low_memory);

    // The buffers are checked only where this block can have written: everything else was
    // checked by the blocks before. That keeps the cost at a few microseconds even with 100 ms
    // delay lines at 192 kHz and a headphone block almost collected.
    //
    // A delay line took one sample per frame, the last ones just before its ring position.
    for (aligned_buffer& line : engine.surround_delay_line) {
        const std::uint32_t written = std::min(frames_in, line.size);
        if (written <= line.position) {
            scrub(line.data + (line.position - written), written);
        } else {
            scrub(line.data, line.position);
            const std::uint32_t wrapped = written - line.position;
            scrub(line.data + (line.size - wrapped), wrapped);
        }
    }

    // Frames collected towards the next headphone block are stream state too: they would reach
    // the output only with a later block, and through the transforms would spoil all of it. The
    // newest of them came with this block.
    const std::uint32_t fill = engine.feed_fill;
    const std::uint32_t collected = std::min(fill, frames_in);
    if (collected != 0) {
        for (aligned_buffer& feed : engine.speaker_feed)
            scrub(feed.data + (fill - collected), collected);
    }

    // The tail changes only when a headphone block was rendered. Without one, every frame of the
    // block would still wait in the feeds (fill >= frames_in); with one, fewer than frames_in do,
    // since a rendered block took 8192 frames and at most 8191 were waiting before.
    if (engine.tail_in_use && fill < frames_in)
        scrub(engine.overlap_tail.data, engine.overlap_tail.size);
}

}  // namespace ambiora
