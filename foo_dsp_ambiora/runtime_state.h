// Values shared at run time between chunk processing, the play callback and the dialog. Not
// persisted. Each is one 32-bit word written and read whole from any thread, with no ordering:
// a reader that sees a mix of old and new values only shows a status one tick late.
#pragma once

#include <atomic>
#include <cstdint>

namespace ambiora {

// Channel count and sample rate of the last chunk seen; 0 after a stop, seek or flush.
inline std::atomic<std::uint32_t> last_input_channels{0};
inline std::atomic<std::uint32_t> last_input_rate{0};
// 1 while the player is playing (kept by the play callback).
inline std::atomic<std::uint32_t> playback_active{0};

inline void forget_last_input() {
    last_input_channels.store(0, std::memory_order_relaxed);
    last_input_rate.store(0, std::memory_order_relaxed);
}

}  // namespace ambiora
