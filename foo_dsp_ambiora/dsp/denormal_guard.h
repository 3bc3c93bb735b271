// Flushes denormal floats to zero for the lifetime of the guard, then restores the caller's
// floating-point state.
//
// Recursive filters decaying into silence produce denormals, which cost the x86 FPU up to a hundred
// times the work of a normal number; a quiet passage after a loud one would then cost more than
// the music did. The guard sets flush-to-zero and denormals-are-zero on the SSE unit for one
// chunk and puts the host's own mode back afterwards, so the player's arithmetic is untouched.
#pragma once

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64) || \
    (defined(_M_IX86_FP) && _M_IX86_FP >= 1)
#include <xmmintrin.h>
#define AMBIORA_HAVE_MXCSR 1
#elif defined(__i386__) || defined(_M_IX86)
// Without SSE the 32-bit build would do its arithmetic on the x87 unit, which has no flush-to-zero
// mode at all, and the guard would silently do nothing.
#error "32-bit x86 builds need SSE2 arithmetic (-msse2 -mfpmath=sse)"
#endif

namespace ambiora {

class denormal_guard {
  public:
#if defined(AMBIORA_HAVE_MXCSR)
    denormal_guard() : saved_(_mm_getcsr()) {
        _mm_setcsr(saved_ | flush_to_zero | denormals_are_zero);
    }
    ~denormal_guard() {
        _mm_setcsr(saved_);
    }
#else
    denormal_guard() = default;
#endif
    denormal_guard(const denormal_guard&) = delete;
    denormal_guard& operator=(const denormal_guard&) = delete;

  private:
#if defined(AMBIORA_HAVE_MXCSR)
    static constexpr unsigned flush_to_zero = 0x8000;       // MXCSR bit 15
    static constexpr unsigned denormals_are_zero = 0x0040;  // MXCSR bit 6
    unsigned saved_;
#endif
};

}  // namespace ambiora
