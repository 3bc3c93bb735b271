#include "engine/surround_engine.h"

namespace ambiora {

// Clears the stream's history. Nothing is freed or resized, so a reset never allocates.
void reset_engine(surround_engine& engine) {
    std::apply([](auto&... state) { (state.reset(), ...); }, engine.stage_states());
}

}  // namespace ambiora
