#pragma once

// The component as a host sees it once it has called the export and walked the factory
// list: what the tests, the fuzzers and the benchmarks drive it through.

#include <vector>

#include "host/component_client.h"
#include "host/componentversion.h"
#include "host/host_api.h"
#include "host/initquit.h"
#include "host/play_callback.h"
#include "host/playlist_callback.h"

namespace support {

struct component_services {
    component_client* client = nullptr;
    initquit* startup = nullptr;
    play_callback_static* playback_events = nullptr;
    playlist_callback_static* playlist_events = nullptr;
    componentversion* version = nullptr;
    std::vector<const GUID*> factory_guids; // in list order
};

// Calls the export with `host` and finds every published service; a service the list does
// not publish stays null.
component_services connect(host_api* host);

} // namespace support
