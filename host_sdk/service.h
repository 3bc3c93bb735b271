// The host's service model: reference-counted services that answer interface queries by class
// GUID, and the one-pointer smart pointer that holds them.
//
// Binary-layout rules that every interface in this folder follows, because the player is built
// with Microsoft's compiler and we are not:
//  - no virtual destructors (Microsoft uses one slot for them, g++ two); destructors of interfaces
//    are protected and non-virtual;
//  - a virtual that returns a struct (a GUID) is declared `GUID* f(GUID* out)` returning `out`,
//    which is exactly the machine code of Microsoft's struct return on x86 and x64;
//  - an overloaded virtual pair is declared in the order Microsoft lays it out (reversed);
//  - nothing throws out of a function the player calls.
#pragma once

#include <utility>

#include "platform.h"

class service_base;

// A pointer to a service that holds one reference. Exactly one raw pointer wide, because the
// player passes these by reference and reads them as plain pointers.
template <typename T>
class service_ptr_t {
  public:
    service_ptr_t() = default;
    service_ptr_t(T* p) : ptr_(p) {
        if (ptr_ != nullptr) ptr_->service_add_ref();
    }
    service_ptr_t(const service_ptr_t& other) : service_ptr_t(other.ptr_) {}
    service_ptr_t(service_ptr_t&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ~service_ptr_t() { release(); }

    service_ptr_t& operator=(const service_ptr_t& other) { return assign(other.ptr_); }
    service_ptr_t& operator=(service_ptr_t&& other) noexcept {
        if (this != &other) {
            release();
            ptr_ = std::exchange(other.ptr_, nullptr);
        }
        return *this;
    }
    // Adds a reference to the new object before releasing the old one, so self-assignment and
    // assigning an object that the old one owns are both safe.
    service_ptr_t& assign(T* p) {
        if (p != nullptr) p->service_add_ref();
        T* old = std::exchange(ptr_, p);
        if (old != nullptr) old->service_release();
        return *this;
    }
    void release() {
        if (T* old = std::exchange(ptr_, nullptr)) old->service_release();
    }
    // Takes over a pointer that already carries a reference.
    void attach(T* p) {
        release();
        ptr_ = p;
    }
    T* detach() { return std::exchange(ptr_, nullptr); }

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    T& operator*() const { return *ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    bool is_valid() const { return ptr_ != nullptr; }

  private:
    T* ptr_ = nullptr;
};

using service_ptr = service_ptr_t<service_base>;
static_assert(sizeof(service_ptr) == sizeof(void*));

class service_base {
  public:
    virtual int service_release() noexcept = 0;
    virtual int service_add_ref() noexcept = 0;
    // Hands out a reference to the interface named by `guid` if this object implements it.
    virtual bool service_query(service_ptr& out, const GUID& guid) = 0;

  protected:
    service_base() = default;
    ~service_base() = default;
};

// Queries `obj` for interface T; returns a null pointer when it does not implement it.
template <typename T, typename S>
service_ptr_t<T> service_query_t(S* obj) {
    service_ptr answer;
    service_ptr_t<T> result;
    if (obj != nullptr && obj->service_query(answer, T::class_guid)) {
        result.attach(static_cast<T*>(answer.detach()));
    }
    return result;
}
