#include "engine/surround_engine.h"

namespace ambiora {

void destroy_engine(surround_engine& engine) {
    reset_engine(engine);
    std::apply([](auto&... state) { (state.release(), ...); }, engine.stage_states());
}

}  // namespace ambiora
