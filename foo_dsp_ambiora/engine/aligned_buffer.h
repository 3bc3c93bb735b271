// A growable, aligned float array whose storage only ever grows.
//
// Every scratch array, delay line and transform buffer of the engine is one of these. Keeping the
// storage between blocks is what lets steady playback run without touching the allocator: once a
// buffer has seen the largest block, resizing it is just a store to `size`.
//
// Threading: a buffer belongs to whoever owns it (the engine or one DSP instance) and is used by
// one thread at a time; it has no synchronisation of its own.
#pragma once

#include <cstdint>

namespace ambiora {

// Storage is aligned to this many bytes. FFTW wants at least 16 for its SIMD kernels; 32 also
// keeps AVX loads on the x64 build from straddling cache lines.
inline constexpr std::uint32_t buffer_alignment = 32;

struct aligned_buffer {
    float* data = nullptr;       // owned storage, `capacity` floats, aligned to buffer_alignment
    std::uint32_t size = 0;      // floats in use
    std::uint32_t capacity = 0;  // floats allocated

    aligned_buffer() = default;
    aligned_buffer(const aligned_buffer&) = delete;
    aligned_buffer& operator=(const aligned_buffer&) = delete;
    ~aligned_buffer() { release(); }

    // Sets size to n. New storage is taken only when n exceeds both the size and the capacity,
    // and then the old contents are gone; otherwise the contents stay.
    void resize_discarding(std::uint32_t n);

    // Appends m zeroed floats after the current size, keeping the contents.
    void grow_keeping(std::uint32_t m);

    // Sets the floats in use to 0; never allocates.
    void zero_used();

    // Frees the storage and leaves the buffer empty.
    void release();
};

}  // namespace ambiora
