#pragma once

// The base of every object the host and the component hand each other, and the nodes of the
// component's factory list.
//
// Who calls: the host calls the operations of the component's services; the component calls
// those of the host's services, only through service_ptr. One call at a time: the host never
// calls into the component from two threads at once.
// Ownership: a reference is released exactly once by whoever holds it. The component's
// published services are static objects: counting does nothing and they live as long as the
// module. The factory list lives as long as the module too; the host walks it from
// component_client::get_factory_list() and never frees a node.
// Throwing: none of these operations throws.

#include "host/guid.h"

class service_ptr;

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

// One node of the component's factory list.
class service_factory_base {
public:
    // Stores the factory's service object into `out`, releasing what `out` held.
    virtual void create_instance(service_ptr& out) = 0;

    service_factory_base* next; // null at the tail
    const GUID* guid;           // class GUID of the service this factory produces
};
