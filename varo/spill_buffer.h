#pragma once

#include <cstdint>

#include "varo/array.h"

namespace varo {

// A byte array whose first 1024 bytes live inside the object; only the rest goes to the
// heap, sized exactly.
class spill_buffer {
public:
    static constexpr uint32_t inline_capacity = 1024;

    spill_buffer() noexcept {}

    // Size n: the inline part holds min(n, 1024) bytes, the heap part exactly the rest.
    // Throws std::bad_alloc when the heap part cannot be had; the size is then unchanged.
    void resize(uint32_t n) {
        if (n <= inline_capacity) {
            inline_count_ = n;
            heap_.clear();
        } else {
            heap_.resize(n - inline_capacity);
            inline_count_ = inline_capacity;
        }
    }

    // Writes `value` into every byte.
    void fill(uint8_t value) noexcept {
        for (uint32_t i = 0; i < inline_count_; ++i)
            inline_[i] = value;
        for (uint32_t i = 0; i < heap_.size(); ++i)
            heap_[i] = value;
    }

    uint32_t size() const noexcept { return inline_count_ + heap_.size(); }
    // The inline part: bytes 0 .. min(size, 1024) - 1.
    uint8_t* inline_data() noexcept { return inline_; }
    uint8_t& operator[](uint32_t p) noexcept {
        return p < inline_capacity ? inline_[p] : heap_[p - inline_capacity];
    }

private:
    uint8_t inline_[inline_capacity];
    uint32_t inline_count_ = 0;
    array_t<uint8_t, alloc_exact> heap_;
};

} // namespace varo
