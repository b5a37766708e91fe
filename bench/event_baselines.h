#pragma once

#include <cstdint>
#include <vector>

#include "host/host_api.h"
#include "host/track_handle.h"

// The host calls each event handler makes, written out directly over a vector, without the
// component. Defined in their own file so that, like the handlers, they are not inlined
// into the loop that calls them.
namespace bench {

void baseline_track_started(host_api& api, const std::vector<uint32_t>& store, track_handle* track);
void baseline_playlist_activated(host_api& api, const std::vector<uint32_t>& store,
                                 uint32_t new_index);
void baseline_playback_order_changed(host_api& api, std::vector<uint32_t>& store, uint32_t order);

} // namespace bench
