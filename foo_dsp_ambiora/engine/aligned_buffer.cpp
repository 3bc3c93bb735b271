#include "engine/aligned_buffer.h"

#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <malloc.h>
#endif

namespace ambiora {
namespace {

// The allocation result is not checked: a failed allocation of a few hundred kilobytes means the
// process is already lost, and the signal path has no way to report it. A null pointer with a
// non-zero capacity would crash at once rather than corrupt audio quietly.
float* allocate_floats(std::uint32_t count) {
    std::size_t bytes = std::size_t(count) * sizeof(float);
    bytes = (bytes + buffer_alignment - 1) / buffer_alignment * buffer_alignment;
#if defined(_WIN32)
    return static_cast<float*>(_aligned_malloc(bytes, buffer_alignment));
#else
    return static_cast<float*>(std::aligned_alloc(buffer_alignment, bytes));
#endif
}

void free_floats(float* p) {
#if defined(_WIN32)
    _aligned_free(p);
#else
    std::free(p);
#endif
}

}  // namespace

void aligned_buffer::resize_discarding(std::uint32_t n) {
    if (n > size && n > capacity) {
        free_floats(data);
        data = allocate_floats(n);
        capacity = n;
    }
    size = n;
}

void aligned_buffer::grow_keeping(std::uint32_t m) {
    if (std::uint64_t(size) + m > capacity) {
        float* grown = allocate_floats(size + m);
        if (data != nullptr && size != 0)
            std::memcpy(grown, data, std::size_t(size) * sizeof(float));
        free_floats(data);
        data = grown;
        capacity = size + m;
    }
    if (m != 0) std::memset(data + size, 0, std::size_t(m) * sizeof(float));
    size += m;
}

void aligned_buffer::zero_used() {
    if (data != nullptr) std::memset(data, 0, std::size_t(size) * sizeof(float));
}

void aligned_buffer::release() {
    free_floats(data);
    data = nullptr;
    size = 0;
    capacity = 0;
}

}  // namespace ambiora
