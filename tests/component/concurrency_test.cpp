// Resets requested from the play-callback thread while the playback thread runs blocks. Run under
// ThreadSanitizer this proves the engine is never touched by both at once.
#include <atomic>
#include <thread>

#include "component_fixture.h"
#include "settings.h"

namespace ambiora_test {
namespace {

class concurrency : public component_test {};

TEST_F(concurrency, stop_and_seek_from_another_thread_never_land_inside_a_block) {
    std::atomic<bool> done{false};
    std::thread callbacks([&] {
        int n = 0;
        while (!done.load()) {
            if (++n % 2 == 0) {
                host().playback_seek(1.0);
            } else {
                host().playback_stop();
            }
            std::this_thread::yield();
        }
    });

    const auto stereo = make_samples(3000, 2, test_tone);
    const auto surround = make_samples(3000, 6, test_tone);
    for (int i = 0; i < 120; ++i) {
        ambiora::cfg_mode = i % 9;
        const bool six = (i / 9) % 2 == 1;
        auto out = run(six ? surround : stereo, six ? 6 : 2, 44100);
        for (const auto& chunk : out) {
            // Whatever the resets did, a headphone block is whole and every sample finite.
            if (ambiora::cfg_mode == 5 || ambiora::cfg_mode == 6) {
                ASSERT_EQ(chunk.get_sample_count() % 8192, 0u);
            }
            for (audio_sample s : chunk.samples()) ASSERT_TRUE(std::isfinite(s));
        }
    }
    done = true;
    callbacks.join();
}

TEST_F(concurrency, settings_written_while_chunks_run_are_picked_up_whole) {
    std::atomic<bool> done{false};
    std::thread dialog([&] {
        int n = 0;
        while (!done.load()) {
            ambiora::setting("master-gain") = -(n++ % 13);
            ambiora::cfg_mode = n % 2 == 0 ? 0 : 4;
        }
    });
    const auto in = make_samples(512, 2, test_tone);
    for (int i = 0; i < 200; ++i) {
        auto out = run(in, 2, 48000);
        ASSERT_EQ(out.size(), 1u);
        const unsigned ch = out[0].get_channels();
        ASSERT_TRUE(ch == 2 || ch == 6);
    }
    done = true;
    dialog.join();
}

}  // namespace
}  // namespace ambiora_test
