#pragma once

// A counted host object naming one track.
//
// Ownership: a handle passed as an event argument carries one reference that the receiver
// owns for the call and releases exactly once; null is an empty handle, not released.
// Throwing: never.

class track_handle {
public:
    // Drops one reference.
    virtual int release() = 0;
    // Adds one reference.
    virtual int add_ref() = 0;
};
