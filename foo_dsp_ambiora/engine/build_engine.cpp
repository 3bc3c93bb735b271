#include "engine/surround_engine.h"

namespace ambiora {

// `engine` is freshly constructed or destroyed: every buffer empty, every memory, counter and
// plan zero. Only the headphone renderer has anything to make; the other stages' buffers grow
// with the first blocks.
void build_engine(surround_engine& engine, const float* hrir_tables) {
    engine.headphone.build(hrir_tables);
}

}  // namespace ambiora
