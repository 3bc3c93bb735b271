// Resets and settings written from other threads while the playback thread runs blocks. Run under
// ThreadSanitizer this proves the engine is never touched by both at once and that a chunk reads
// each setting whole.
#include <atomic>
#include <thread>

#include "component_fixture.h"
#include "settings.h"

namespace ambiora_test {
namespace {

class concurrency : public component_test {};

TEST_F(concurrency, stops_seeks_and_settings_from_other_threads_never_land_inside_a_block) {
    std::atomic<bool> done{false};
    std::thread callbacks([&] {
        for (int n = 0; !done.load(); ++n) {
            if (n % 2 == 0)
                host().playback_seek(1.0);
            else
                host().playback_stop();
            std::this_thread::yield();
        }
    });
    std::thread dialog([&] {
        for (int n = 0; !done.load(); ++n) ambiora::setting("master-gain") = -(n % 13);
    });

    const auto stereo = make_samples(3000, 2, test_tone);
    const auto surround = make_samples(3000, 6, test_tone);
    for (int i = 0; i < 120; ++i) {
        const int mode = i % 9;
        ambiora::cfg_mode = mode;
        const bool six = (i / 9) % 2 == 1;
        for (const auto& chunk : run(six ? surround : stereo, six ? 6 : 2, 44100)) {
            // Whatever the resets did, a headphone block is whole and every sample finite.
            if (mode == 5 || mode == 6) {
                ASSERT_EQ(chunk.get_sample_count() % 8192, 0u);
            }
            for (audio_sample s : chunk.samples()) ASSERT_TRUE(std::isfinite(s));
        }
    }
    done = true;
    callbacks.join();
    dialog.join();
}

}  // namespace
}  // namespace ambiora_test
