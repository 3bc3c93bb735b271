// Service factories and the list the player walks to find a component's services.
//
// The player reads two data members of every factory directly: right after the table pointer,
// the next factory, then a pointer to the class GUID. Their order here is therefore part of the
// binary interface, not a matter of taste.
#pragma once

#include "service.h"
#include "service_impl.h"

class service_factory_base {
  public:
    virtual void instance_create(service_ptr& out) = 0;

    service_factory_base* next() const { return next_; }
    const GUID& class_guid() const { return class_guid_; }

    // Head of this module's factory list; every factory puts itself at the head when it is built.
    static service_factory_base*& list_head() {
        static constinit service_factory_base* head = nullptr;
        return head;
    }

  protected:
    explicit service_factory_base(const GUID& class_guid)
        : next_(list_head()), class_guid_(class_guid) {
        list_head() = this;
    }
    ~service_factory_base() = default;

  private:
    service_factory_base* next_;  // read by the player
    const GUID& class_guid_;      // read by the player (a pointer in memory)
};

// A factory that hands out references to one static service of type T (held with a fixed count).
template <typename T>
class service_factory_single_t : public service_factory_base {
  public:
    template <typename... Args>
    explicit service_factory_single_t(Args&&... args)
        : service_factory_base(T::class_guid), instance_(std::forward<Args>(args)...) {}

    void instance_create(service_ptr& out) override {
        out = static_cast<service_base*>(&instance_);
    }
    T& get_static_instance() { return instance_; }

  private:
    service_impl_single_t<T> instance_;
};
