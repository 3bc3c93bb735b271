// The surround delay: a ring of N floats per surround channel, carried from block to block.
//
// N is worked out from the rate and the delay on every call, so a change of either takes effect at
// the next block. Whenever N changes the ring is cleared: a new delay starts from silence rather
// than replaying samples that were queued for a different length. The ring keeps its storage, so
// only a delay longer than any seen before allocates.
#include <algorithm>

#include "engine/surround_engine.h"

namespace ambiora {
namespace {

// 10^-6 as a single-precision value, which is a little below 10^-6: whole-number products come
// out just under the integer and truncate one sample short (20 ms at 44.1 kHz gives 881, not 882).
constexpr float seconds_per_microsecond = 1e-6f;

// Far beyond any setting (100 ms) at any real rate; it only keeps the conversion to an integer
// defined for absurd inputs.
constexpr double longest_delay_samples = 1u << 24;

// Double precision is enough to truncate exactly: a whole-number product falls short of its
// integer by 2.5e-9 of itself, some ten million times more than double's rounding error.
// We avoid long double on purpose: the 32-bit build would compute it on the x87 unit, whose
// precision the host (not us) sets, so results could differ from the 64-bit build.
std::uint32_t delay_length(std::int32_t sample_rate, std::uint32_t delay_us) {
    const double samples = double(sample_rate) * double(seconds_per_microsecond) * double(delay_us);
    if (!(samples >= 1.0)) return 0;                                 // also a non-positive rate
    return std::uint32_t(std::min(samples, longest_delay_samples));  // truncates toward zero
}

}  // namespace

void delay_channel(delay_line& line, std::uint32_t delay_us, const block_context& ctx, float* data,
                   std::uint32_t channel) {
    const std::uint32_t length = delay_length(ctx.sample_rate, delay_us);
    if (length != line.ring.size) line.restart(length);
    // A delay shorter than one sample (1 ms below 1 kHz) is no delay: the channel passes as it is.
    // The line is still emptied above, so a later real delay starts from silence like any change.
    if (length == 0) return;

    float* ring = line.ring.data;
    std::uint32_t position = line.position;
    float* sample = data + channel;
    for (std::uint32_t k = 0; k < ctx.frame_count; ++k, sample += frame_width) {
        const float delayed = ring[position];
        ring[position] = *sample;
        *sample = delayed;
        if (++position == length) position = 0;
    }
    line.position = position;
}

}  // namespace ambiora
