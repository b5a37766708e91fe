#pragma once

// The component's library, loaded at run time as the player loads its components.

#include <filesystem>
#include <vector>

#include "host/component_client.h"

namespace velmora_host {

class component_library {
public:
    // Loads `file` and finds its export; throws host_failure when either fails.
    explicit component_library(const std::filesystem::path& file);
    ~component_library();
    component_library(const component_library&) = delete;
    component_library& operator=(const component_library&) = delete;

    velmora_get_interface_fn entry() const { return entry_; }
    module_instance_handle instance() const;

private:
    void close() noexcept;

    void* handle_ = nullptr;
    velmora_get_interface_fn entry_ = nullptr;
};

// Of the files loaded through component_library since the last call, those the system still
// has mapped (to be called once every component_library of theirs is gone); forgets them
// all, so that each call speaks of the libraries loaded since the one before.
std::vector<std::filesystem::path> component_libraries_left_loaded();

// The directory of the running executable; `argv0` serves where the system cannot tell.
std::filesystem::path executable_directory(const char* argv0);

// The component library built beside the executable.
std::filesystem::path default_component_path(const char* argv0);

} // namespace velmora_host
