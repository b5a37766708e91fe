#pragma once

// The host's service directory, handed to the component by the export.
//
// Who calls: the component, from inside the calls the host makes into it (its handlers look
// up a host service for the length of one call). The pointer the export receives stays valid
// until the host unloads the module.
// Ownership: a service_ptr that create fills owns one reference, which the component gives
// back before the handler returns, also when an error passes through.
// Throwing: the host's operations may throw; the component lets such errors pass to the host.

#include <cstdint>

#include "host/guid.h"

class service_ptr;

// Opaque handle the host returns for a class GUID and accepts back.
struct service_class;
using service_class_handle = service_class*;

class host_api {
public:
    // Returns the handle of the class named by `guid`; may be null when the host knows none.
    virtual service_class_handle find_class(const GUID& guid) = 0;
    // On true, `out` holds a new reference to instance `index` of the class.
    virtual bool create(service_ptr& out, service_class_handle handle, uint32_t index) = 0;
    // Number of instances the host knows of the class.
    virtual uint32_t count(service_class_handle handle) = 0;
};
