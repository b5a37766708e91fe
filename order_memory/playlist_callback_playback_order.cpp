#include "order_memory/playlist_callback_playback_order.h"

#include "host/playback_service.h"
#include "host/playlist_service.h"
#include "host/service_access.h"
#include "order_memory/order_store.h"
#include "varo/bit_array_not.h"

void playlist_callback_playback_order::playlist_activated(uint32_t, uint32_t new_index) {
    if (init_state != state_running || new_index == no_playlist)
        return;
    const host_service<playback_service> playback;
    if (playback->is_playing())
        return; // the playing playlist's order stays in force
    const host_service<playlist_service> playlists;
    uint32_t order;
    if (remembered_order(new_index, order))
        playlists->set_active_order(order);
}

void playlist_callback_playback_order::playlist_created(uint32_t index, const char*, uint32_t) {
    if (init_state != state_running)
        return;
    const host_service<playlist_service> playlists;
    cfg_playlist_order.insert_one(playlists->active_order(), index);
}

void playlist_callback_playback_order::playlists_reordered(const uint32_t* order, uint32_t count) {
    // The order array comes from the host: act only on a permutation of exactly the
    // store's positions.
    if (count != cfg_playlist_order.item_count() || (count != 0 && order == nullptr))
        return;
    cfg_playlist_order.reorder_range_checked(0, order, count);
}

void playlist_callback_playback_order::playlists_removed(const bit_array& removed, uint32_t,
                                                         uint32_t) {
    cfg_playlist_order.keep_masked_with(bit_array_not(removed));
}

void playlist_callback_playback_order::playback_order_changed(uint32_t order) {
    const host_service<playback_service> playback;
    const host_service<playlist_service> playlists;
    const uint32_t target =
        playback->is_playing() ? playlists->playing_playlist() : playlists->active_playlist();
    if (target < cfg_playlist_order.item_count())
        cfg_playlist_order.set_item(target, order);
}
