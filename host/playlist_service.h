#pragma once

// The host's playlist manager.
//
// Who calls: the component, from inside its handlers, on a reference it acquired for that
// call. set_active_order may call the component's playlist callbacks before it returns
// (the player tells them of the new order at once), so a handler can be entered again from
// inside its own call.
// Throwing: every operation may throw; the component lets the error pass.

#include <cstdint>

#include "host/service.h"

// The playlist index that names no playlist.
constexpr uint32_t no_playlist = 0xFFFFFFFF;

class playlist_service : public service_base {
public:
    // Number of playlists.
    virtual uint32_t playlist_count() = 0;
    // Index of the active playlist, or no_playlist.
    virtual uint32_t active_playlist() = 0;
    // Index of the playlist playback comes from, or no_playlist.
    virtual uint32_t playing_playlist() = 0;
    // Playback-order mode currently in force.
    virtual uint32_t active_order() = 0;
    // Puts playback-order mode `order` in force; the host may notify playlist callbacks
    // synchronously before returning.
    virtual void set_active_order(uint32_t order) = 0;

    static constexpr GUID class_guid = {
        0xD8D51855, 0xD79D, 0x49B8, {0x97, 0xA8, 0x06, 0x57, 0x85, 0xFA, 0x24, 0x26}};
};
