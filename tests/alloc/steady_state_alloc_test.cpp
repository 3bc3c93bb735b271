// Steady playback allocates nothing: once every buffer has seen the largest chunk, a stream of
// chunks in any mode, with mode switches, layout changes and flushes, runs without a single call
// to the allocator.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "component_host.h"
#include "counting_allocator.h"
#include "engine/aligned_buffer.h"
#include "settings.h"

namespace {

using ambiora::cfg_mode;

// The host side of one chunk, made before counting starts. Its storage is large enough for any
// output the chunk can turn into (a headphone block of 8192 stereo frames, or the frames a
// headphone mode held coming back as six channels), so writing it back allocates nothing in the
// simulator either.
host_sim::host_chunk make_chunk(unsigned frames, unsigned channels, unsigned rate, unsigned seed) {
    const std::size_t room = (std::size_t(frames) + 2 * 8192) * 6;
    std::vector<audio_sample> storage(room);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> sample(-0.5f, 0.5f);
    for (auto& s : storage) s = sample(rng);
    host_sim::host_chunk chunk(std::move(storage), channels, rate);
    chunk.set_data_size(std::size_t(frames) * channels);
    chunk.set_sample_count(frames);
    return chunk;
}

struct step {
    int mode;
    unsigned channels;
    unsigned rate;
    unsigned frames;
    bool flush_after;
};

// Every mode with a stereo and a six-channel source, in an order that switches modes in and out
// of the headphone ones, at both headphone rates, with chunk sizes from tiny to large.
std::vector<step> script() {
    std::vector<step> steps;
    std::mt19937 rng(11);
    std::uniform_int_distribution<unsigned> frames(1, 6000);
    const int modes[] = {0, 1, 5, 2, 3, 6, 4, 7, 8, 5, 0, 6, 8, 7, 1};
    int n = 0;
    for (const int mode : modes) {
        for (const unsigned channels : {2u, 6u}) {
            for (const unsigned rate : {44100u, 48000u}) {
                for (int k = 0; k < 3; ++k) {
                    steps.push_back({mode, channels, rate, frames(rng), ++n % 17 == 0});
                }
            }
        }
    }
    return steps;
}

// Runs the script through `instance`; counts allocations inside the DSP calls when `count`.
std::size_t play(dsp& instance, const std::vector<step>& steps, bool count) {
    std::size_t total = 0;
    unsigned seed = 0;
    for (const step& s : steps) {
        host_sim::host_chunk_list list;
        list.add(make_chunk(s.frames, s.channels, s.rate, ++seed));
        const metadb_handle_ptr no_track;
        cfg_mode = s.mode;
        if (count) alloc_test::start_counting();
        instance.run_chunks(&list, no_track, 0);
        if (s.flush_after) instance.flush_dsp();
        if (count) {
            const std::size_t made = alloc_test::stop_counting();
            EXPECT_EQ(made, 0u) << "mode " << s.mode << ", " << s.channels << " ch, " << s.rate
                                << " Hz, " << s.frames << " frames";
            total += made;
        }
    }
    return total;
}

TEST(steady_state, no_allocation_once_the_buffers_have_grown) {
    std::string error;
    auto host = host_sim::component_host::attach(&foobar2000_get_interface, error);
    ASSERT_TRUE(host) << error;
    host->start();
    ambiora::restore_default_settings();
    ambiora::cfg_bass_enable = 1;
    service_ptr_t<dsp> instance = host->instantiate_default();
    ASSERT_TRUE(instance);

    const std::vector<step> steps = script();
    play(*instance, steps, false);  // warm-up: every buffer grows to its largest size
    EXPECT_EQ(play(*instance, steps, true), 0u);
}

TEST(steady_state, the_counter_sees_both_allocators) {
    // Guards the test above against a counter that cannot see anything.
    alloc_test::start_counting();
    int* volatile boxed = new int(3);  // volatile: the pair may not be optimised away
    delete boxed;
    EXPECT_EQ(alloc_test::stop_counting(), 1u);

    ambiora::aligned_buffer grown;
    alloc_test::start_counting();
    grown.resize_discarding(1000);
    EXPECT_EQ(alloc_test::stop_counting(), 1u);
}

}  // namespace
