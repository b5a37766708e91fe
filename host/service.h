#pragma once

#include "host/guid.h"

class service_ptr;

// Every object the host and the component hand each other derives from this.
class service_base {
public:
    // Drops one reference; returns the new count (static objects return 1).
    virtual int release() = 0;
    // Adds one reference; returns the new count (static objects return 1).
    virtual int add_ref() = 0;
    // On the object's own class GUID: stores it into `out` (counted) and returns true;
    // any other GUID returns false and leaves `out` alone.
    virtual bool query(service_ptr& out, const GUID& guid) = 0;
};

// One node of the component's factory list; the host walks it from the head.
class service_factory_base {
public:
    // Stores the factory's service object into `out`, releasing what `out` held.
    virtual void create_instance(service_ptr& out) = 0;

    service_factory_base* next; // null at the tail
    const GUID* guid;           // class GUID of the service this factory produces
};
