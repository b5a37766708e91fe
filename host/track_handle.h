#pragma once

// A counted host object naming one track.
class track_handle {
public:
    // Drops one reference.
    virtual int release() = 0;
    // Adds one reference.
    virtual int add_ref() = 0;
};
