// Counts every allocation the process makes while counting is switched on: global operator new in
// all its forms (replaced here) and the C allocator's entry points (malloc, calloc, realloc,
// aligned_alloc, posix_memalign), which the test executable routes through this file with the
// linker's --wrap option. That covers aligned_buffer's storage as well as any container.
#pragma once

#include <cstddef>

namespace alloc_test {

void start_counting();
// Stops counting and returns how many allocations were made since start_counting.
std::size_t stop_counting();

}  // namespace alloc_test
