// Keeps one block's bad samples from poisoning the rest of the stream: after every block each
// stage rids the state it carries of NaN, infinities and huge values (engine/contain_damage.h
// explains why and what counts as damage). The block that carried the damage may still come out
// non-finite; the next one starts from clean memories.
#include "engine/surround_engine.h"

namespace ambiora {

void contain_non_finite(surround_engine& engine, std::uint32_t frames_in) {
    std::apply([frames_in](auto&... state) { (state.contain_non_finite(frames_in), ...); },
               engine.stage_states());
}

}  // namespace ambiora
