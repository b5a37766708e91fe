#pragma once

#include "host/service.h"
#include "host/service_ptr.h"

// Head of the factory list; filled during static initialisation.
extern service_factory_base* service_list_head;

// A service class T as a static singleton: counting does nothing, and the query answers
// exactly the class GUID T is published under.
template <typename T>
class service_impl_single_t : public T {
public:
    template <typename... Args>
    explicit service_impl_single_t(Args&&... args) : T(static_cast<Args&&>(args)...) {}

    int release() override { return 1; }
    int add_ref() override { return 1; }
    bool query(service_ptr& out, const GUID& guid) override {
        if (!guid_equal(guid, T::class_guid))
            return false;
        out = static_cast<service_base*>(this);
        return true;
    }
};

// A factory for a service published under T's class GUID; constructing it pushes it at the
// head of the factory list.
template <typename T>
class service_factory_base_t : public service_factory_base {
protected:
    service_factory_base_t() noexcept {
        next = service_list_head;
        guid = &T::class_guid;
        service_list_head = this;
    }
};

// A factory holding its service object after the two list fields.
template <typename T>
class service_factory_single_t : public service_factory_base_t<T> {
public:
    void create_instance(service_ptr& out) override {
        out = static_cast<service_base*>(&instance_);
    }

private:
    service_impl_single_t<T> instance_;
};

// A factory that is its own service object.
template <typename T>
class service_factory_single_transparent_t : public service_factory_base_t<T>,
                                             public service_impl_single_t<T> {
public:
    template <typename... Args>
    explicit service_factory_single_transparent_t(Args&&... args)
        : service_impl_single_t<T>(static_cast<Args&&>(args)...) {}

    void create_instance(service_ptr& out) override {
        out = static_cast<service_base*>(static_cast<service_impl_single_t<T>*>(this));
    }
};

template <typename T>
class play_callback_static_factory_t : public service_factory_single_t<T> {};

template <typename T>
class initquit_factory_t : public service_factory_single_t<T> {};
