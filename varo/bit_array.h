#pragma once

// A read-only mask of bits, addressed by position: what the list's masked filtering takes.
// The host implements it too (the removal mask of a playlist event), which is why it stands
// outside the namespace varo like the host's interfaces. Both operations are const and never
// throw of their own accord; a host's implementation may.

#include <cstdint>

class bit_array {
public:
    // The bit at `index`.
    virtual bool get(uint32_t index) const = 0;
    // Smallest p in [start, start + count) whose bit equals `value`, else start + count.
    virtual uint32_t find(bool value, uint32_t start, uint32_t count) const = 0;
};
