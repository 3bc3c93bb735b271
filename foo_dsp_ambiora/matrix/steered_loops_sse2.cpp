// The steered decoder's loops with SSE2 only: every x86-64 processor, and the floor of our 32-bit
// build.
#include "matrix/steered_loops.h"

namespace ambiora {

extern const steered_kernels steered_kernels_sse2 = {"sse2", measure_dominance, decode_block};

}  // namespace ambiora
