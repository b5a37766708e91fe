#pragma once

#include <cstdint>

#include "config/cfg_structlist.h"

// Entry i is the playback order remembered for the playlist at position i. While the
// component runs it holds exactly one entry per host playlist.
extern cfg_structlist_t<unsigned int> cfg_playlist_order;

// Configuration GUID of the store.
constexpr GUID cfg_playlist_order_guid = {
    0x38844CF8, 0x9FAE, 0x4ED0, {0xB6, 0xC7, 0x28, 0xE8, 0xB7, 0x1F, 0xCC, 0x4D}};

enum : int {
    state_not_started = 0, // loaded; start-up has not run
    state_stopped = 1,     // shut-down has run
    state_running = 2,     // start-up has completed
};

// Lifecycle flag; only activation and creation look at it.
extern int init_state;

// The order remembered for `playlist`; false when the index names no entry (all ones, or
// not below the count). Inline: every event handler asks it once per event.
inline bool remembered_order(uint32_t playlist, uint32_t& order) noexcept {
    if (playlist >= cfg_playlist_order.item_count())
        return false;
    order = cfg_playlist_order[playlist];
    return true;
}
