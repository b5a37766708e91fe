#pragma once

#include <cstdint>
#include <vector>

#include "host/component_client.h"
#include "host/initquit.h"
#include "host/play_callback.h"
#include "host/playlist_callback.h"

namespace bench {

// The component as the host sees it: the client from the export and the services from the
// factory list, connected to the bench host on first use.
struct component_services {
    component_client* client = nullptr;
    initquit* startup = nullptr;
    play_callback* playback_events = nullptr;
    playlist_callback* playlist_events = nullptr;
};

const component_services& component();

// Replaces the order store's entries with `values`.
void fill_store(const std::vector<uint32_t>& values);
// The order store's entries.
std::vector<uint32_t> store_values();

} // namespace bench
