#pragma once

#include <cstdint>

// A read-only mask of bits, addressed by position.
class bit_array {
public:
    // The bit at `index`.
    virtual bool get(uint32_t index) const = 0;
    // Smallest p in [start, start + count) whose bit equals `value`, else start + count.
    virtual uint32_t find(bool value, uint32_t start, uint32_t count) const = 0;
};
