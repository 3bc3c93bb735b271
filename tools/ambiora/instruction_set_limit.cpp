// AMBIORA_INSTRUCTION_SET: the widest instruction set the steered decoder's loops may use
// (sse2, avx2 or avx512; see matrix/steered_kernels.h).
//
// The component picks the widest its processor offers. Most of the player's 32-bit users have
// nothing wider than SSE2, so benchmarks on a newer machine set this to sse2 to see what those
// users get. The output is bit for bit the same whichever loops run.
#include <cstdio>
#include <cstdlib>

#include "matrix/steered_kernels.h"

namespace {

// Runs before the component's settings (priority 1000) and engine (2000) are built.
__attribute__((constructor(500))) void limit_instruction_set() {
    const char* text = std::getenv("AMBIORA_INSTRUCTION_SET");
    if (text == nullptr || *text == '\0') return;
    if (!ambiora::limit_steered_kernels(text)) {
        std::fprintf(stderr,
                     "ambiora: AMBIORA_INSTRUCTION_SET must be sse2, avx2 or avx512, not '%s'; "
                     "ignored\n",
                     text);
    }
}

}  // namespace
