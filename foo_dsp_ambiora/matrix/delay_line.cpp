#include "matrix/delay_line.h"

#include <algorithm>
#include <cstring>

#include "engine/contain_damage.h"

namespace ambiora {

void delay_line::restart(std::uint32_t samples) {
    ring.resize_discarding(samples);
    ring.zero_used();
    position = 0;
}

void delay_line::reset() {
    ring.zero_used();
}

// Only the samples this block wrote are checked; the rest were checked by the blocks before. That
// keeps the cost small even for a 100 ms line at 192 kHz.
void delay_line::contain_non_finite(std::uint32_t frames_in) {
    const std::uint32_t written = std::min(frames_in, ring.size);
    if (written <= position) {
        scrub(ring.data + (position - written), written);
    } else {
        scrub(ring.data, position);
        const std::uint32_t wrapped = written - position;
        scrub(ring.data + (ring.size - wrapped), wrapped);
    }
}

void delay_line::release() {
    ring.release();
    position = 0;
}

}  // namespace ambiora
