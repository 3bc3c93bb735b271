// The steered decoder's loops for processors with AVX-512 (F, DQ, VL): eight doubles per
// instruction. Built with those extensions and without fused multiply-adds (see CMakeLists.txt);
// run only where fastest_steered_kernels() found the processor and the system ready for them.
#include "matrix/steered_loops.h"

namespace ambiora {

extern const steered_kernels steered_kernels_avx512 = {"avx512", measure_dominance, decode_block};

}  // namespace ambiora
