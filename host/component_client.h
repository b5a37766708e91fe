#pragma once

#include <cstdint>

#include "host/host_api.h"
#include "host/service.h"
#include "host/stream.h"

// The object through which the host drives the component.
class component_client {
public:
    // Revision of this interface (72).
    virtual uint32_t get_client_version() = 0;
    // Head of the factory list; valid for the module's lifetime.
    virtual service_factory_base* get_factory_list() = 0;
    // Serialises every configuration variable into `writer`; errors pass to the caller.
    virtual void write_config(stream_writer& writer, abort_token& abort) = 0;
    // Restores configuration variables from `reader`; damaged records are passed over,
    // other errors pass to the caller.
    virtual void read_config(stream_reader& reader, abort_token& abort) = 0;
    // Copies both zero-terminated strings; throws std::bad_alloc when they cannot be kept.
    virtual void set_module_path(const char* path, const char* file_name) = 0;
    // Tells the component whether the host's services are ready.
    virtual void set_services_ready(bool ready) = 0;
    // False for every release of the component.
    virtual bool is_debug_build() = 0;
};

#ifdef _WIN32
struct HINSTANCE__;
using module_instance_handle = HINSTANCE__*;
#define VELMORA_EXPORT extern "C" __declspec(dllexport)
#else
using module_instance_handle = void*;
#define VELMORA_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The one exported function: keeps `api` and `instance`, returns the client (never null).
VELMORA_EXPORT component_client* velmora_get_interface(host_api* api,
                                                       module_instance_handle instance);

// Type of the export, for hosts that look it up at run time.
using velmora_get_interface_fn = component_client* (*)(host_api*, module_instance_handle);
