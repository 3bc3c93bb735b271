// Counts calls to the C allocator made by anything in the process (the plugin binary included)
// while counting is on, with those made by FFTW itself apart. The test executable defines the
// allocator's entry points; the dynamic linker then binds every library's calls to them, and each
// hands over to the C library's own allocator.
//
// FFTW is counted apart so that a failure says where: its buffered plans take scratch storage each
// time they run, inside the library, which is why the renderer plans unbuffered ones.
#include <dlfcn.h>

#include <atomic>
#include <cerrno>
#include <cstring>

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
}

namespace lv2_test {

std::atomic<bool> counting{false};  // set by the test around each run()
std::atomic<std::size_t> allocations_ours{0}, allocations_in_fftw{0};

// `caller` is the return address of the allocator's entry point. dladdr takes no storage.
__attribute__((noinline)) void note(void* caller) {
    if (!counting.load(std::memory_order_relaxed)) return;
    Dl_info place{};
    const bool in_fftw = dladdr(caller, &place) != 0 && place.dli_fname != nullptr &&
                         std::strstr(place.dli_fname, "libfftw3f") != nullptr;
    (in_fftw ? allocations_in_fftw : allocations_ours).fetch_add(1, std::memory_order_relaxed);
}

}  // namespace lv2_test

// clang-format off
#define NOTE_CALLER lv2_test::note(__builtin_return_address(0))
extern "C" {
void* malloc(std::size_t n) { NOTE_CALLER; return __libc_malloc(n); }
void* calloc(std::size_t k, std::size_t n) { NOTE_CALLER; return __libc_calloc(k, n); }
void* realloc(void* p, std::size_t n) { NOTE_CALLER; return __libc_realloc(p, n); }
void* memalign(std::size_t a, std::size_t n) { NOTE_CALLER; return __libc_memalign(a, n); }
void* aligned_alloc(std::size_t a, std::size_t n) { NOTE_CALLER; return __libc_memalign(a, n); }
int posix_memalign(void** out, std::size_t a, std::size_t n) {
    NOTE_CALLER;
    *out = __libc_memalign(a, n);
    return *out != nullptr || n == 0 ? 0 : ENOMEM;
}
}
// clang-format on
