#include "allocation_counter.h"

#include <dlfcn.h>

#include <atomic>
#include <cerrno>
#include <cstring>

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);
}

namespace lv2_test {
namespace {

std::atomic<bool> counting{false};
std::atomic<std::size_t> counted_ours{0};
std::atomic<std::size_t> counted_fftw{0};

// `caller` is the return address of the allocator's entry point. dladdr takes no storage.
__attribute__((noinline)) void note(void* caller) {
    if (!counting.load(std::memory_order_relaxed)) return;
    Dl_info place{};
    const bool in_fftw = dladdr(caller, &place) != 0 && place.dli_fname != nullptr &&
                         std::strstr(place.dli_fname, "libfftw3f") != nullptr;
    (in_fftw ? counted_fftw : counted_ours).fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

void count_allocations(bool on) {
    counting.store(on);
}

allocation_tally allocations_counted() {
    return {counted_ours.load(), counted_fftw.load()};
}

}  // namespace lv2_test

extern "C" {
void* malloc(std::size_t bytes) {
    lv2_test::note(__builtin_return_address(0));
    return __libc_malloc(bytes);
}
void* calloc(std::size_t count, std::size_t bytes) {
    lv2_test::note(__builtin_return_address(0));
    return __libc_calloc(count, bytes);
}
void* realloc(void* old, std::size_t bytes) {
    lv2_test::note(__builtin_return_address(0));
    return __libc_realloc(old, bytes);
}
void* memalign(std::size_t alignment, std::size_t bytes) {
    lv2_test::note(__builtin_return_address(0));
    return __libc_memalign(alignment, bytes);
}
void* aligned_alloc(std::size_t alignment, std::size_t bytes) {
    lv2_test::note(__builtin_return_address(0));
    return __libc_memalign(alignment, bytes);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t bytes) {
    lv2_test::note(__builtin_return_address(0));
    *out = __libc_memalign(alignment, bytes);
    return *out != nullptr || bytes == 0 ? 0 : ENOMEM;
}
void free(void* block) {
    __libc_free(block);
}
}
