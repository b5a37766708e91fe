#pragma once

#include <cstdint>

#include "varo/bit_array.h"
#include "host/service.h"

// Playlist events. Events this component does not act on keep their argument words so
// that every position of the table matches the host's.
class playlist_callback {
public:
    // Event 1, not used by this component.
    virtual void playlist_event_1(uint32_t w1, uint32_t w2, uint32_t w3, uint32_t w4) = 0;
    // Event 2, not used by this component.
    virtual void playlist_event_2(uint32_t w1, uint32_t w2, uint32_t w3) = 0;
    // Event 3, not used by this component.
    virtual void playlist_event_3(uint32_t w1, uint32_t w2, uint32_t w3, uint32_t w4) = 0;
    // Event 4, not used by this component.
    virtual void playlist_event_4(uint32_t w1, uint32_t w2, uint32_t w3, uint32_t w4) = 0;
    // Event 5, not used by this component.
    virtual void playlist_event_5(uint32_t w1, uint32_t w2, uint32_t w3) = 0;
    // Event 6, not used by this component.
    virtual void playlist_event_6(uint32_t w1, uint32_t w2, uint32_t w3) = 0;
    // Event 7, not used by this component.
    virtual void playlist_event_7(uint32_t w1, uint32_t w2) = 0;
    // Event 8, not used by this component.
    virtual void playlist_event_8(uint32_t w1, uint32_t w2, uint32_t w3) = 0;
    // Event 9, not used by this component.
    virtual void playlist_event_9(uint32_t w1, uint32_t w2, uint32_t w3) = 0;
    // Event 10, not used by this component.
    virtual void playlist_event_10(uint32_t w1, uint32_t w2) = 0;
    // The active playlist changed from `old_index` to `new_index` (all ones: none).
    virtual void playlist_activated(uint32_t old_index, uint32_t new_index) = 0;
    // A playlist was created at `index`; the name is not zero-terminated.
    virtual void playlist_created(uint32_t index, const char* name, uint32_t name_length) = 0;
    // Playlists were reordered: new position i holds the playlist that was at order[i].
    virtual void playlists_reordered(const uint32_t* order, uint32_t count) = 0;
    // Event 14, not used by this component.
    virtual void playlist_event_14(uint32_t w1, uint32_t w2, uint32_t w3) = 0;
    // The playlists whose bits are set in `removed` (old positions) were removed.
    virtual void playlists_removed(const bit_array& removed, uint32_t old_count,
                                   uint32_t new_count) = 0;
    // Event 16, not used by this component.
    virtual void playlist_event_16(uint32_t w1, uint32_t w2, uint32_t w3) = 0;
    // Event 17, not used by this component.
    virtual void playlist_event_17() = 0;
    // The user made playback-order mode `order` the one in force.
    virtual void playback_order_changed(uint32_t order) = 0;
    // Event 19, not used by this component.
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
