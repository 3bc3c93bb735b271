#include "matrix/steered_kernels.h"

#include <array>

namespace ambiora {

extern const steered_kernels steered_kernels_sse2;
extern const steered_kernels steered_kernels_avx2;
extern const steered_kernels steered_kernels_avx512;

namespace {

struct kernel_choice {
    std::array<const steered_kernels*, 3> usable{};
    std::size_t count = 0;
};

// The processor's report, as the compiler's run-time library reads it: a feature counts only when
// the system also saves the registers it needs across thread switches (checked through XGETBV).
kernel_choice find_usable_kernels() {
    kernel_choice choice;
    choice.usable[choice.count++] = &steered_kernels_sse2;
    // This may run from a static constructor, before the run-time library has looked.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) choice.usable[choice.count++] = &steered_kernels_avx2;
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
        __builtin_cpu_supports("avx512vl"))
        choice.usable[choice.count++] = &steered_kernels_avx512;
    return choice;
}

const kernel_choice& usable_kernels() {
    static const kernel_choice choice = find_usable_kernels();
    return choice;
}

}  // namespace

std::span<const steered_kernels* const> usable_steered_kernels() {
    const kernel_choice& choice = usable_kernels();
    return {choice.usable.data(), choice.count};
}

const steered_kernels& fastest_steered_kernels() {
    return *usable_steered_kernels().back();
}

}  // namespace ambiora
