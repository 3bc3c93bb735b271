// The chunk path flushes denormals for the length of one chunk and gives the host back its own
// floating-point state. Runs in every build the suites run in, so the 32-bit and 64-bit Windows
// DLLs (under Wine) are checked as well as the native one.
#include <limits>

#include "component_fixture.h"
#include "dsp/denormal_guard.h"
#include "settings.h"

#if defined(AMBIORA_HAVE_MXCSR)

namespace ambiora_test {
namespace {

// The control bits of MXCSR; the low six are sticky exception flags that any arithmetic may set.
constexpr unsigned control_bits = ~0x3fu;

// Kept out of the optimiser's reach so the multiplication happens at run time.
volatile float smallest_normal = std::numeric_limits<float>::min();

class denormal_guard_test : public component_test {};

// The host's own state comes back whatever it was: here as the process started, and with
// flush-to-zero already on and rounding toward zero.
TEST_F(denormal_guard_test, a_chunk_runs_with_denormals_flushed_and_the_host_state_comes_back) {
    // Outside a chunk the host's arithmetic keeps its denormals: this test means something only
    // if the flush is not simply on all the time.
    ASSERT_NE(smallest_normal * 0.25f, 0.0f);
    const unsigned original = _mm_getcsr();
    const audio_sample tiny = audio_sample(smallest_normal * 0.5f);
    ambiora::cfg_mode = 0;
    for (const unsigned host_state :
         {original & control_bits, (original | 0x8000u | 0x6000u) & control_bits}) {
        _mm_setcsr(host_state);
        // A subnormal sample at the -3 dB of "Bypass": read as zero (DAZ) or its product flushed
        // (FTZ), it comes out as an exact zero; a normal sample next to it passes as usual.
        const auto out = run({tiny, 0.5f, tiny, -0.5f}, 2, 44100);
        const unsigned after = _mm_getcsr() & control_bits;
        _mm_setcsr(original);
        EXPECT_EQ(after, host_state);
        ASSERT_EQ(out.size(), 1u);
        const auto samples = out[0].samples();
        ASSERT_EQ(samples.size(), 4u);
        EXPECT_EQ(samples[0], 0.0f);
        EXPECT_EQ(samples[2], 0.0f);
        EXPECT_NEAR(samples[1], 0.5 * 0.7079, 1e-4);
    }
    EXPECT_NE(smallest_normal * 0.25f, 0.0f);
}

}  // namespace
}  // namespace ambiora_test

#endif
