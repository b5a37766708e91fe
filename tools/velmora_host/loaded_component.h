#pragma once

// The component while it is loaded: its library, its client and the services the host
// found on its factory list.

#include <cstdint>
#include <memory>
#include <vector>

#include "component_library.h"
#include "host/componentversion.h"
#include "host/initquit.h"
#include "host/play_callback.h"
#include "host/playlist_callback.h"
#include "host/service_ptr.h"

namespace velmora_host {

template <typename Service>
struct subscribed {
    Service* service;
    uint32_t flags; // bit k-1 set: deliver the event at position k of the interface
};

struct loaded_component {
    explicit loaded_component(const std::filesystem::path& file) : library(file) {}
    loaded_component(const loaded_component&) = delete;
    loaded_component& operator=(const loaded_component&) = delete;
    // Declared first, so it is unloaded after the references below go back.
    component_library library;
    component_client* client = nullptr;
    std::vector<service_ptr> held; // one reference to every service created
    std::vector<initquit*> startup;
    std::vector<subscribed<play_callback_static>> playback_events;
    std::vector<subscribed<playlist_callback_static>> playlist_events;
    componentversion* version = nullptr;
};

} // namespace velmora_host
