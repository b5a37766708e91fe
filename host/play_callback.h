#pragma once

// Playback events, delivered to the component's play_callback_static services.
//
// Who calls: the host, one event at a time, each event only to the services whose
// get_flags mask has its bit: bit k-1 for the operation at position k. Positions the
// component does not act on keep their slots and argument words, so that every position of
// the table matches the host's.
// Ownership: a track_handle argument carries one reference that the receiver owns for the
// call and releases exactly once, on every way out; null is an empty handle.
// Throwing: a handler may throw the errors of a failed service acquisition and whatever the
// host's services throw; get_flags never throws.

#include <cstdint>

#include "host/service.h"
#include "host/track_handle.h"

// get_flags bits of the events that carry a meaning in this interface, and all of them.
constexpr uint32_t play_callback_flag_track_started = 1u << 1;    // position 2
constexpr uint32_t play_callback_flag_playback_stopped = 1u << 2; // position 3
constexpr uint32_t play_callback_flags_all = 0xFFFFFFFF;

// Stop reasons are the host's codes. After this one the order in force is to stay as it
// is: the component does not put the active playlist's order back.
constexpr uint32_t stop_reason_keeps_order = 2;

class play_callback {
public:
    // Position 1: two argument words.
    virtual void playback_event_1(uint32_t word1, uint32_t word2) = 0;
    // Position 2: a track from the playing playlist has started.
    virtual void track_started(track_handle* track) = 0;
    // Position 3: playback has stopped for `reason` (a host-defined code).
    virtual void playback_stopped(uint32_t reason) = 0;
    // Position 4: one double.
    virtual void playback_event_4(double value) = 0;
    // Position 5: one word.
    virtual void playback_event_5(uint32_t word) = 0;
    // Position 6: a track handle, which carries a reference as any other does.
    virtual void playback_event_6(track_handle* track) = 0;
    // Position 7: one word.
    virtual void playback_event_7(uint32_t word) = 0;
    // Position 8: one word.
    virtual void playback_event_8(uint32_t word) = 0;
    // Position 9: one double.
    virtual void playback_event_9(double value) = 0;
    // Position 10: one float.
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
