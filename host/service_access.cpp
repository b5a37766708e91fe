#include "host/service_access.h"

#include "varo/exceptions.h"

namespace {
host_api* the_host_api = nullptr;
}

host_api* current_host_api() noexcept {
    return the_host_api;
}
void set_current_host_api(host_api* api) noexcept {
    the_host_api = api;
}

service_ptr acquire_service(const GUID& guid) {
    if (the_host_api == nullptr)
        throw exception_service_not_found();
    const service_class_handle handle = the_host_api->find_class(guid);
    const uint32_t n = the_host_api->count(handle);
    if (n == 0)
        throw exception_service_not_found();
    if (n != 1)
        throw exception_service_duplicated();
    service_ptr out;
    // A host that claims success without handing out an instance is as broken as one that
    // fails outright; every caller relies on a non-empty pointer.
    if (!the_host_api->create(out, handle, 0) || out.is_empty())
        throw varo::exception_bug_check();
    return out;
}
