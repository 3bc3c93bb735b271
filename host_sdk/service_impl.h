// Implementations of the service base's reference counting.
//
//  - service_impl_t<T>: a heap object with an interlocked count, deleted at zero (DSP instances).
//  - service_impl_single_t<T>: a static single instance whose count is fixed at 1 (the services
//    the factories hand out); add-reference and release do nothing.
#pragma once

#include <atomic>
#include <new>

#include "service.h"

template <typename T>
class service_impl_t final : public T {
  public:
    template <typename... Args>
    explicit service_impl_t(Args&&... args) : T(std::forward<Args>(args)...) {}

    int service_release() noexcept override {
        int count = --count_;
        if (count == 0) delete this;
        return count;
    }
    int service_add_ref() noexcept override { return ++count_; }

    // Creates an instance whose only reference is the one stored in `out`. Never throws: on
    // allocation failure `out` is left empty.
    template <typename Base, typename... Args>
    static bool create(service_ptr_t<Base>& out, Args&&... args) noexcept {
        auto* p = new (std::nothrow) service_impl_t(std::forward<Args>(args)...);
        if (p == nullptr) return false;
        out = p;  // the pointer takes the first reference
        return true;
    }

  private:
    // `delete this` is only ever reached through service_release on the most derived type, so
    // the interface's non-virtual destructor never destroys a partial object.
    ~service_impl_t() = default;
    std::atomic<int> count_{0};
};

template <typename T>
class service_impl_single_t final : public T {
  public:
    template <typename... Args>
    explicit service_impl_single_t(Args&&... args) : T(std::forward<Args>(args)...) {}
    ~service_impl_single_t() = default;

    int service_release() noexcept override { return 1; }
    int service_add_ref() noexcept override { return 1; }
};
