#pragma once

#include "host/guid.h"
#include "host/host_api.h"
#include "host/service_ptr.h"

// The host's service directory as the export received it (null before the first call).
host_api* current_host_api() noexcept;
void set_current_host_api(host_api* api) noexcept;

// Returns a counted reference to the host's one instance of class `guid`. Throws
// exception_service_not_found when the host has none (or no directory was passed),
// exception_service_duplicated when it has several, varo::exception_bug_check when it
// fails to create it or creates nothing.
service_ptr acquire_service(const GUID& guid);

// The acquired service as its interface I; the pointer stays the owner.
template <typename I>
I* service_as(const service_ptr& ptr) noexcept {
    return static_cast<I*>(ptr.get());
}
