#include "dsp/chunk_layout.h"

namespace ambiora {

std::uint32_t default_channel_mask(std::uint32_t channels) {
    switch (channels) {
        case 1:
            return 0x4;  // front centre
        case 2:
            return 0x3;  // front left, front right
        case 4:
            return 0x33;  // front pair, back pair
        case 5:
            return 0x3b;  // front pair, LFE, back pair: the host's default names LFE, not centre
        case 6:
            return 0x3f;  // 5.1
        default:
            return 0;
    }
}

}  // namespace ambiora
