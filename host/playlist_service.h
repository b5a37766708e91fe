#pragma once

#include <cstdint>

#include "host/service.h"

// The host's playlist manager. Playlist index 0xFFFFFFFF means no playlist.
class playlist_service : public service_base {
public:
    // Number of playlists.
    virtual uint32_t playlist_count() = 0;
    // Index of the active playlist, or all ones.
    virtual uint32_t active_playlist() = 0;
    // Index of the playlist playback comes from, or all ones.
    virtual uint32_t playing_playlist() = 0;
    // Playback-order mode currently in force.
    virtual uint32_t active_order() = 0;
    // Puts playback-order mode `order` in force; the host may notify playlist callbacks
    // synchronously before returning.
    virtual void set_active_order(uint32_t order) = 0;

    static constexpr GUID class_guid = {
        0xD8D51855, 0xD79D, 0x49B8, {0x97, 0xA8, 0x06, 0x57, 0x85, 0xFA, 0x24, 0x26}};
};
