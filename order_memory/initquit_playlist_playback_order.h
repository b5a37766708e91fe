#pragma once

#include "host/initquit.h"

// Brings the store into line with the host's playlists at start-up and tracks the
// lifecycle flag.
class initquit_playlist_playback_order : public initquit {
public:
    // With a store whose count differs from the host's playlist count, refills it with the
    // order in force, one entry per playlist; then marks the component running. Errors
    // pass to the host with the flag unchanged.
    void on_startup() override;
    // Marks the component stopped.
    void on_shutdown() override;
};
