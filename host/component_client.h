#pragma once

// The one export and the client object through which the host drives the component.
//
// Who calls: the host, one call at a time, in an order of its own choosing; no operation
// depends on another having run first. The component never calls its own client.
// Lifetimes: the client, and the factory list it hands out, live as long as the module. The
// streams and the abort object live for the call only; so do the strings of
// set_module_path, which may point into the text the component handed out before (the file
// name its version record wrote).
// Throwing: write_config passes on std::bad_alloc and whatever the writer throws.
// read_config passes over a record the component cannot use and goes on with the next; it
// passes on std::bad_alloc, whatever the reader throws, and
// velmora_io::exception_io_data_truncation for a record that runs past the stream's end.
// set_module_path throws std::bad_alloc when it cannot keep the strings. The other
// operations never throw.

#include <cstdint>

#include "host/host_api.h"
#include "host/service.h"
#include "host/stream.h"

// The revision of the client interface that get_client_version reports.
constexpr uint32_t component_client_revision = 72;

class component_client {
public:
    // Revision of this interface: component_client_revision.
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
// May be called more than once; each call replaces what the last one kept. Never throws.
VELMORA_EXPORT component_client* velmora_get_interface(host_api* api,
                                                       module_instance_handle instance);

// Type of the export, for hosts that look it up at run time.
using velmora_get_interface_fn = component_client* (*)(host_api*, module_instance_handle);
