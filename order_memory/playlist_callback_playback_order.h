#pragma once

#include <cstdint>

#include "host/playlist_callback.h"

// Keeps the store aligned with the host's playlists and records or applies orders as the
// user switches playlists or picks another order.
//
// Only activation, creation, reordering, removal and order changes move a playlist or its
// order; the other positions of the interface leave both alone, so they are accepted and
// ignored. The mask asks for every event all the same: a host that delivers one too many
// costs nothing, one too few would let the store drift from the playlists.
class playlist_callback_playback_order : public playlist_callback_static {
public:
    uint32_t get_flags() override { return playlist_callback_flags_all; }

    void playlist_event_1(uint32_t, uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_2(uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_3(uint32_t, uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_4(uint32_t, uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_5(uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_6(uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_7(uint32_t, uint32_t) override {}
    void playlist_event_8(uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_9(uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_10(uint32_t, uint32_t) override {}
    // While running and nothing plays, applies the new playlist's remembered order.
    void playlist_activated(uint32_t old_index, uint32_t new_index) override;
    // While running, inserts the order in force at the new playlist's position.
    void playlist_created(uint32_t index, const char* name, uint32_t name_length) override;
    // With counts that agree and a valid permutation, permutes the store the same way;
    // otherwise leaves it alone.
    void playlists_reordered(const uint32_t* order, uint32_t count) override;
    void playlist_event_14(uint32_t, uint32_t, uint32_t) override {}
    // Drops the entries of the removed playlists.
    void playlists_removed(const bit_array& removed, uint32_t old_count,
                           uint32_t new_count) override;
    void playlist_event_16(uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_17() override {}
    // Records `order` for the playing playlist, or the active one when nothing plays.
    void playback_order_changed(uint32_t order) override;
    void playlist_event_19(uint32_t, uint32_t) override {}
};
