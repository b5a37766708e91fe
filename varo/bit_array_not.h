#pragma once

#include <cstdint>

#include "varo/bit_array.h"

// The inverse of another mask; it forwards each question to the wrapped mask once.
class bit_array_not final : public bit_array {
public:
    explicit bit_array_not(const bit_array& wrapped) noexcept : wrapped_(&wrapped) {}

    bool get(uint32_t index) const override { return !wrapped_->get(index); }
    uint32_t find(bool value, uint32_t start, uint32_t count) const override {
        return wrapped_->find(!value, start, count);
    }

private:
    const bit_array* wrapped_; // not owned
};
