#pragma once

// How the component reaches a host service: for the length of one handler call, through
// the directory the export received.
//
// Who calls: the component's handlers, from inside a call the host made. One at a time.
// Ownership: a host_service owns one reference to the host's instance and releases it when
// it goes out of scope, also when an error passes through.
// Throwing: acquisition throws exception_service_not_found when the host has no instance of
// the class (or no directory was passed), exception_service_duplicated when it has several,
// varo::exception_bug_check when it fails to create it or creates nothing; and whatever the
// host's own directory operations throw.

#include "host/guid.h"
#include "host/host_api.h"
#include "host/service_ptr.h"

// The host's service directory as the export received it (null before the first call).
host_api* current_host_api() noexcept;
void set_current_host_api(host_api* api) noexcept;

// Returns a counted reference to the host's one instance of class `guid`; throws as above.
service_ptr acquire_service(const GUID& guid);

// The host's one instance of `Service`, acquired on construction (the same host calls as
// acquire_service) and released on destruction:
//     const host_service<playlist_service> playlists;
//     playlists->set_active_order(order);
template <typename Service>
class host_service {
public:
    host_service() : reference_(acquire_service(Service::class_guid)) {}
    host_service(const host_service&) = delete;
    host_service& operator=(const host_service&) = delete;

    // The service; valid while this handle lives.
    Service* operator->() const noexcept { return static_cast<Service*>(reference_.get()); }
    Service& operator*() const noexcept { return *operator->(); }

private:
    service_ptr reference_;
};
