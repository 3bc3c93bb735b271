#include "dsp/chunk_layout.h"

namespace ambiora {
namespace {

// Slots L R C LFE SL SR = 0 1 2 3 4 5.
constexpr int slots_1[] = {0};
constexpr int slots_2[] = {0, 1};
constexpr int slots_4[] = {0, 1, 4, 5};
constexpr int slots_5[] = {0, 1, 2, 4, 5};
constexpr int slots_6[] = {0, 1, 2, 3, 4, 5};

const int* slots_for(std::uint32_t channels) {
    switch (channels) {
        case 1: return slots_1;
        case 2: return slots_2;
        case 4: return slots_4;
        case 5: return slots_5;
        case 6: return slots_6;
        default: return nullptr;
    }
}

}  // namespace

int input_slot(std::uint32_t channels, std::uint32_t i) {
    const int* slots = slots_for(channels);
    return slots != nullptr && i < channels ? slots[i] : -1;
}

int output_slot(std::uint32_t channels, std::uint32_t i) { return input_slot(channels, i); }

std::uint32_t default_channel_mask(std::uint32_t channels) {
    switch (channels) {
        case 1: return 0x4;   // front centre
        case 2: return 0x3;   // front left, front right
        case 4: return 0x33;  // front pair, back pair
        case 5: return 0x3b;  // front pair, LFE, back pair: the host's default names LFE, not centre
        case 6: return 0x3f;  // 5.1
        default: return 0;
    }
}

}  // namespace ambiora
