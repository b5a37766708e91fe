#pragma once

#include <cstdint>

#include "host/play_callback.h"

// Puts the playing playlist's order in force when a track starts, and the active
// playlist's when playback stops.
//
// The other positions of the interface say nothing about which playlist plays or which
// order belongs to it, so they are accepted and ignored; the host does not even deliver
// them, as the mask asks for track start and stop only. A track handle still carries its
// reference, so position 6 releases it.
class play_callback_playback_order : public play_callback_static {
public:
    uint32_t get_flags() override {
        return play_callback_flag_track_started | play_callback_flag_playback_stopped;
    }

    void playback_event_1(uint32_t, uint32_t) override {}
    // Applies the remembered order of the playing playlist; releases `track` on every way out.
    void track_started(track_handle* track) override;
    // Unless `reason` is stop_reason_keeps_order, applies the remembered order of the active
    // playlist.
    void playback_stopped(uint32_t reason) override;
    void playback_event_4(double) override {}
    void playback_event_5(uint32_t) override {}
    // Ignored; the handle is released.
    void playback_event_6(track_handle* track) override;
    void playback_event_7(uint32_t) override {}
    void playback_event_8(uint32_t) override {}
    void playback_event_9(double) override {}
    void playback_event_10(float) override {}
};
