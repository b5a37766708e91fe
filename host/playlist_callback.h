#pragma once

// Playlist events, delivered to the component's playlist_callback_static services.
//
// Who calls: the host, one event at a time, each event only to the services whose
// get_flags mask has its bit: bit k-1 for the operation at position k. Positions the
// component does not act on keep their slots and argument words, so that every position of
// the table matches the host's. playback_order_changed can arrive from inside the
// component's own call of playlist_service::set_active_order.
// Lifetimes: the removal mask, the order array and the name live for the call only; the
// component keeps none of them.
// Throwing: a handler may throw the errors of a failed service acquisition, std::bad_alloc
// and whatever the host's services or the mask throw; get_flags never throws.

#include <cstdint>

#include "host/service.h"
#include "varo/bit_array.h"

// get_flags bits of the events that carry a meaning in this interface, and all of them.
constexpr uint32_t playlist_callback_flag_activated = 1u << 10;     // position 11
constexpr uint32_t playlist_callback_flag_created = 1u << 11;       // position 12
constexpr uint32_t playlist_callback_flag_reordered = 1u << 12;     // position 13
constexpr uint32_t playlist_callback_flag_removed = 1u << 14;       // position 15
constexpr uint32_t playlist_callback_flag_order_changed = 1u << 17; // position 18
constexpr uint32_t playlist_callback_flags_all = 0xFFFFFFFF;

class playlist_callback {
public:
    // Position 1: four argument words.
    virtual void playlist_event_1(uint32_t w1, uint32_t w2, uint32_t w3, uint32_t w4) = 0;
    // Position 2: three words.
    virtual void playlist_event_2(uint32_t w1, uint32_t w2, uint32_t w3) = 0;
    // Position 3: four words.
    virtual void playlist_event_3(uint32_t w1, uint32_t w2, uint32_t w3, uint32_t w4) = 0;
    // Position 4: four words.
    virtual void playlist_event_4(uint32_t w1, uint32_t w2, uint32_t w3, uint32_t w4) = 0;
    // Position 5: three words.
    virtual void playlist_event_5(uint32_t w1, uint32_t w2, uint32_t w3) = 0;
    // Position 6: three words.
    virtual void playlist_event_6(uint32_t w1, uint32_t w2, uint32_t w3) = 0;
    // Position 7: two words.
    virtual void playlist_event_7(uint32_t w1, uint32_t w2) = 0;
    // Position 8: three words.
    virtual void playlist_event_8(uint32_t w1, uint32_t w2, uint32_t w3) = 0;
    // Position 9: three words.
    virtual void playlist_event_9(uint32_t w1, uint32_t w2, uint32_t w3) = 0;
    // Position 10: two words.
    virtual void playlist_event_10(uint32_t w1, uint32_t w2) = 0;
    // Position 11: the active playlist changed from `old_index` to `new_index` (either may
    // be no_playlist).
    virtual void playlist_activated(uint32_t old_index, uint32_t new_index) = 0;
    // Position 12: a playlist was created at `index`; the name is not zero-terminated.
    virtual void playlist_created(uint32_t index, const char* name, uint32_t name_length) = 0;
    // Position 13: playlists were reordered: new position i holds the playlist that was at
    // order[i]; `order` has `count` entries.
    virtual void playlists_reordered(const uint32_t* order, uint32_t count) = 0;
    // Position 14: three words.
    virtual void playlist_event_14(uint32_t w1, uint32_t w2, uint32_t w3) = 0;
    // Position 15: the playlists whose bits are set in `removed` (old positions) were
    // removed; `old_count` playlists were there before, `new_count` are left.
    virtual void playlists_removed(const bit_array& removed, uint32_t old_count,
                                   uint32_t new_count) = 0;
    // Position 16: three words.
    virtual void playlist_event_16(uint32_t w1, uint32_t w2, uint32_t w3) = 0;
    // Position 17: no arguments.
    virtual void playlist_event_17() = 0;
    // Position 18: the user made playback-order mode `order` the one in force.
    virtual void playback_order_changed(uint32_t order) = 0;
    // Position 19: two words.
    virtual void playlist_event_19(uint32_t w1, uint32_t w2) = 0;
};

// A playlist-event service as the host enumerates it.
class playlist_callback_static : public service_base, public playlist_callback {
public:
    // Mask of the events the service wants delivered.
    virtual uint32_t get_flags() = 0;

    static constexpr GUID class_guid = {
        0x242D9341, 0x211A, 0x4637, {0xA6, 0x9F, 0xF6, 0x68, 0x4B, 0x52, 0xF9, 0xD6}};
};
