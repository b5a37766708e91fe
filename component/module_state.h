#pragma once

#include "host/component_client.h"
#include "varo/array.h"

// Module-wide state the client keeps for the host.

using module_text = varo::array_t<char, varo::alloc_exact>;

extern module_instance_handle module_instance;
extern module_text library_path;
extern module_text library_file_name;
// The last value the host passed to set_services_ready.
extern bool services_initialized;
// Set the first time the host passes true; never cleared.
extern bool services_ever_initialized;

// The text of a module string: empty while nothing has been assigned.
inline const char* module_text_value(const module_text& text) noexcept {
    return text.size() == 0 ? "" : text.data();
}
