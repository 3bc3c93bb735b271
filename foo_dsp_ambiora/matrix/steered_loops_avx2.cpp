// The steered decoder's loops for processors with AVX2: four doubles per instruction. Built with
// -mavx2 and without fused multiply-adds (see CMakeLists.txt); run only where
// fastest_steered_kernels() found the processor and the system ready for it.
#include "matrix/steered_loops.h"

namespace ambiora {

extern const steered_kernels steered_kernels_avx2 = {"avx2", measure_dominance, decode_block};

}  // namespace ambiora
