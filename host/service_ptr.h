#pragma once

// A counted reference to a service_base: exactly one pointer, so it crosses the ABI by
// reference (host_api::create and service_base::query fill one the caller owns).
//
// Ownership: holding an object means owning one reference to it; every way of letting go
// (assignment, reset, destruction) releases it exactly once. Throwing: never.

#include "host/service.h"

class service_ptr {
public:
    service_ptr() noexcept = default;
    explicit service_ptr(service_base* object) noexcept : object_(object) {
        if (object_ != nullptr)
            object_->add_ref();
    }
    service_ptr(const service_ptr& other) noexcept : service_ptr(other.object_) {}
    service_ptr(service_ptr&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    ~service_ptr() { reset(); }

    service_ptr& operator=(const service_ptr& other) noexcept {
        assign(other.object_);
        return *this;
    }
    service_ptr& operator=(service_ptr&& other) noexcept {
        if (this != &other) {
            reset();
            object_ = other.object_;
            other.object_ = nullptr;
        }
        return *this;
    }
    // Adds a reference to `object` (if any), then releases the object held before.
    service_ptr& operator=(service_base* object) noexcept {
        assign(object);
        return *this;
    }

    // Releases the object held, if any; the pointer is empty afterwards.
    void reset() noexcept {
        service_base* old = object_;
        object_ = nullptr;
        if (old != nullptr)
            old->release();
    }

    service_base* get() const noexcept { return object_; }
    bool is_empty() const noexcept { return object_ == nullptr; }

private:
    void assign(service_base* object) noexcept {
        if (object != nullptr)
            object->add_ref();
        service_base* old = object_;
        object_ = object;
        if (old != nullptr)
            old->release();
    }

    service_base* object_ = nullptr;
};

static_assert(sizeof(service_ptr) == sizeof(void*), "a service pointer is one pointer wide");
