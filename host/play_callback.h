#pragma once

#include <cstdint>

#include "host/service.h"
#include "host/track_handle.h"

// Playback events. A track_handle* argument carries one reference that the receiver owns
// for the call and releases exactly once; null is an empty handle.
class play_callback {
public:
    // Event 1, not used by this component.
    virtual void playback_event_1(uint32_t word1, uint32_t word2) = 0;
    // A track from the playing playlist has started.
    virtual void track_started(track_handle* track) = 0;
    // Playback has stopped for `reason` (a host-defined code).
    virtual void playback_stopped(uint32_t reason) = 0;
    // Event 4, not used by this component.
    virtual void playback_event_4(double value) = 0;
    // Event 5, not used by this component.
    virtual void playback_event_5(uint32_t word) = 0;
    // Event 6, not used by this component; the handle is still released.
    virtual void playback_event_6(track_handle* track) = 0;
    // Event 7, not used by this component.
    virtual void playback_event_7(uint32_t word) = 0;
    // Event 8, not used by this component.
    virtual void playback_event_8(uint32_t word) = 0;
    // Event 9, not used by this component.
    virtual void playback_event_9(double value) = 0;
    // Event 10, not used by this component.
    virtual void playback_event_10(float value) = 0;
};

// A playback-event service as the host enumerates it.
class play_callback_static : public service_base, public play_callback {
public:
    // Mask of the events the service wants delivered.
    virtual uint32_t get_flags() = 0;

    static constexpr GUID class_guid = {
        0x8E4EED7A, 0xC6B8, 0x49C7, {0x99, 0xFE, 0x97, 0xE0, 0x4A, 0xAA, 0x63, 0xA8}};
};
