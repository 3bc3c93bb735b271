// Steady playback allocates nothing: once every buffer has seen the largest chunk, a stream of
// chunks in any mode, with mode switches, layout changes and flushes, runs without a single call
// to the allocator.
//
// The count covers global operator new, replaced here so that calls from the C++ library count
// too (each form hands over to the allocator it replaces, so the matching delete is untouched),
// and the C allocator's entry points as the component and the simulator call them, routed here by
// the linker's --wrap option; aligned_buffer's storage is one of those.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <random>
#include <vector>

#include "component_host.h"
#include "engine/aligned_buffer.h"
#include "settings.h"

namespace {

std::atomic<bool> counting{false};
std::atomic<std::size_t> allocations{0};

void note_allocation() {
    if (counting.load(std::memory_order_relaxed)) ++allocations;
}

// The definition this file's replacement of `symbol` hides.
template <class function>
function* next_definition(const char* symbol) {
    return reinterpret_cast<function*>(::dlsym(RTLD_NEXT, symbol));
}

}  // namespace

void* operator new(std::size_t bytes) {
    static auto* next = next_definition<void*(std::size_t)>("_Znwm");
    note_allocation();
    return next(bytes);
}
void* operator new(std::size_t bytes, std::align_val_t alignment) {
    static auto* next =
        next_definition<void*(std::size_t, std::align_val_t)>("_ZnwmSt11align_val_t");
    note_allocation();
    return next(bytes, alignment);
}

#define COUNT_CALLS_TO(result, name, parameters, arguments) \
    extern "C" result __real_##name parameters;             \
    extern "C" result __wrap_##name parameters {            \
        note_allocation();                                  \
        return __real_##name arguments;                     \
    }
COUNT_CALLS_TO(void*, malloc, (std::size_t n), (n))
COUNT_CALLS_TO(void*, calloc, (std::size_t count, std::size_t n), (count, n))
COUNT_CALLS_TO(void*, realloc, (void* p, std::size_t n), (p, n))
COUNT_CALLS_TO(void*, aligned_alloc, (std::size_t alignment, std::size_t n), (alignment, n))
COUNT_CALLS_TO(int, posix_memalign, (void** p, std::size_t alignment, std::size_t n),
               (p, alignment, n))

namespace {

// The allocations `run` makes.
template <class action>
std::size_t allocations_in(action run) {
    allocations = 0;
    counting = true;
    run();
    counting = false;
    return allocations;
}

struct step {
    int mode;
    unsigned channels, rate, frames;
    bool flush_after;
};

// Every mode with a stereo and a six-channel source, in an order that switches modes in and out
// of the headphone ones, at both headphone rates, with chunk sizes from tiny to large.
std::vector<step> script() {
    std::vector<step> steps;
    std::mt19937 rng(11);
    std::uniform_int_distribution<unsigned> frames(1, 6000);
    int n = 0;
    for (const int mode : {0, 1, 5, 2, 3, 6, 4, 7, 8, 5, 0, 6, 8, 7, 1}) {
        for (const unsigned channels : {2u, 6u}) {
            for (const unsigned rate : {44100u, 48000u}) {
                for (int k = 0; k < 3; ++k)
                    steps.push_back({mode, channels, rate, frames(rng), ++n % 17 == 0});
            }
        }
    }
    return steps;
}

// Runs the script through `instance`, expecting no allocation inside the DSP calls if `count`.
void play(dsp& instance, const std::vector<step>& steps, bool count) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> sample(-0.5f, 0.5f);
    for (const step& s : steps) {
        // The chunk's storage has room for any output it can turn into (a headphone block of 8192
        // stereo frames, or the frames a headphone mode held coming back as six channels), so
        // writing it back allocates nothing in the simulator either.
        std::vector<audio_sample> storage((s.frames + 2 * 8192) * 6);
        for (auto& x : storage) x = sample(rng);
        host_sim::host_chunk_list list;
        host_sim::host_chunk& chunk =
            list.add(host_sim::host_chunk(std::move(storage), s.channels, s.rate));
        chunk.set_data_size(std::size_t(s.frames) * s.channels);
        chunk.set_sample_count(s.frames);
        ambiora::cfg_mode = s.mode;
        const metadb_handle_ptr no_track;
        const std::size_t made = allocations_in([&] {
            instance.run_chunks(&list, no_track, 0);
            if (s.flush_after) instance.flush_dsp();
        });
        if (count) {
            EXPECT_EQ(made, 0u) << "mode " << s.mode << ", " << s.channels << " ch, " << s.rate
                                << " Hz, " << s.frames << " frames";
        }
    }
}

TEST(steady_state, no_allocation_once_the_buffers_have_grown) {
    // The counter must see both allocators, or the test below proves nothing.
    ASSERT_EQ(allocations_in([] {
                  int* volatile boxed = new int(3);  // volatile: the pair may not be elided
                  delete boxed;
              }),
              1u);
    ambiora::aligned_buffer grown;
    ASSERT_EQ(allocations_in([&] { grown.resize_discarding(1000); }), 1u);

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
    play(*instance, steps, true);
}

}  // namespace
