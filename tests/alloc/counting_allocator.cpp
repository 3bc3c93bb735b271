#include "counting_allocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

extern "C" {
void* __real_malloc(std::size_t bytes);
void* __real_calloc(std::size_t count, std::size_t bytes);
void* __real_realloc(void* p, std::size_t bytes);
void* __real_aligned_alloc(std::size_t alignment, std::size_t bytes);
int __real_posix_memalign(void** out, std::size_t alignment, std::size_t bytes);
}

namespace alloc_test {
namespace {

std::atomic<bool> counting{false};
std::atomic<std::size_t> allocations{0};

void note_allocation() {
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
}

void* allocate(std::size_t bytes) {
    note_allocation();
    void* p = __real_malloc(bytes != 0 ? bytes : 1);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

void* allocate_aligned(std::size_t bytes, std::align_val_t alignment) {
    note_allocation();
    const auto a = static_cast<std::size_t>(alignment);
    void* p = nullptr;
    if (__real_posix_memalign(&p, a < sizeof(void*) ? sizeof(void*) : a, bytes != 0 ? bytes : 1) !=
        0)
        throw std::bad_alloc();
    return p;
}

}  // namespace

void start_counting() {
    allocations.store(0);
    counting.store(true);
}

std::size_t stop_counting() {
    counting.store(false);
    return allocations.load();
}

}  // namespace alloc_test

extern "C" {
void* __wrap_malloc(std::size_t bytes) {
    alloc_test::note_allocation();
    return __real_malloc(bytes);
}
void* __wrap_calloc(std::size_t count, std::size_t bytes) {
    alloc_test::note_allocation();
    return __real_calloc(count, bytes);
}
void* __wrap_realloc(void* p, std::size_t bytes) {
    alloc_test::note_allocation();
    return __real_realloc(p, bytes);
}
void* __wrap_aligned_alloc(std::size_t alignment, std::size_t bytes) {
    alloc_test::note_allocation();
    return __real_aligned_alloc(alignment, bytes);
}
int __wrap_posix_memalign(void** out, std::size_t alignment, std::size_t bytes) {
    alloc_test::note_allocation();
    return __real_posix_memalign(out, alignment, bytes);
}
}

void* operator new(std::size_t bytes) {
    return alloc_test::allocate(bytes);
}
void* operator new[](std::size_t bytes) {
    return alloc_test::allocate(bytes);
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    try {
        return alloc_test::allocate(bytes);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    return operator new(bytes, std::nothrow);
}
void* operator new(std::size_t bytes, std::align_val_t a) {
    return alloc_test::allocate_aligned(bytes, a);
}
void* operator new[](std::size_t bytes, std::align_val_t a) {
    return alloc_test::allocate_aligned(bytes, a);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
