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

namespace {

// The widest instruction set the choice may take: everything, unless a tool has asked for less.
std::string_view widest_allowed = "avx512";
bool chosen = false;

int width_rank(std::string_view instruction_set) {
    const std::string_view by_width[] = {"sse2", "avx2", "avx512"};
    for (int rank = 0; rank < 3; ++rank)
        if (by_width[rank] == instruction_set) return rank;
    return -1;
}

const steered_kernels& choose_kernels() {
    chosen = true;
    const auto usable = usable_steered_kernels();
    for (auto k = usable.rbegin(); k != usable.rend(); ++k)
        if (width_rank((*k)->instruction_set) <= width_rank(widest_allowed)) return **k;
    return *usable.front();
}

}  // namespace

bool limit_steered_kernels(std::string_view widest) {
    if (chosen || width_rank(widest) < 0) return false;
    widest_allowed = widest;
    return true;
}

const steered_kernels& fastest_steered_kernels() {
    static const steered_kernels& choice = choose_kernels();
    return choice;
}

}  // namespace ambiora
