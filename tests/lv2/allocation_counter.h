// Counts calls to the C allocator made by anything in the process (the plugin binary included)
// while counting is on, apart for calls made by FFTW itself. The test executable defines the
// allocator's entry points; the dynamic linker then binds every library's calls to them, and each
// hands over to the C library's own allocator.
//
// FFTW is counted apart because some of the plans it picks for the headphone renderer take
// scratch storage each time they are executed, inside the library, where our code cannot lend it
// any; those calls are reported, and everything else must be zero.
#pragma once

#include <cstddef>

namespace lv2_test {

struct allocation_tally {
    std::size_t ours = 0;  // the plugin, the engine, the C++ library on their behalf
    std::size_t fftw = 0;  // made from inside libfftw3f
};

void count_allocations(bool on);
allocation_tally allocations_counted();

}  // namespace lv2_test
