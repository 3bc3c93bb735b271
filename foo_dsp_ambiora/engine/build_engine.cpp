#include "engine/surround_engine.h"
#include "matrix/steered_kernels.h"

namespace ambiora {

// `engine` is freshly constructed or destroyed: every buffer empty, every memory, counter and
// plan zero. Only the headphone renderer has anything to make; the other stages' buffers grow
// with the first blocks.
//
// The steered decoder's kernels are chosen here too. The choice is made once per process, on the
// first call, and that call asks the processor what it supports and initialises a guarded static;
// made here, it never falls to the playback thread inside the engine lock.
void build_engine(surround_engine& engine, const float* hrir_tables) {
    engine.headphone.build(hrir_tables);
    fastest_steered_kernels();
}

}  // namespace ambiora
