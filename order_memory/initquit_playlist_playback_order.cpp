#include "order_memory/initquit_playlist_playback_order.h"

#include "host/playlist_service.h"
#include "host/service_access.h"
#include "order_memory/order_store.h"

namespace {
// Empties the store and appends `count` entries, each the order in force as the host
// reports it at that moment.
void refill_store(uint32_t count) {
    const host_service<playlist_service> playlists;
    cfg_playlist_order.clear();
    for (uint32_t i = 0; i < count; ++i)
        cfg_playlist_order.insert_one(playlists->active_order(), cfg_playlist_order.item_count());
}
} // namespace

void initquit_playlist_playback_order::on_startup() {
    const host_service<playlist_service> playlists;
    if (cfg_playlist_order.item_count() != playlists->playlist_count())
        refill_store(playlists->playlist_count());
    init_state = state_running;
}

void initquit_playlist_playback_order::on_shutdown() {
    init_state = state_stopped;
}
