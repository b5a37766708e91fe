#pragma once

#include <cstdint>
#include <utility>

#include "varo/spill_buffer.h"

namespace varo {

// Receives the swaps that carry out a permutation.
class reorder_callback {
public:
    // Exchanges the items at positions a and b.
    virtual void swap(uint32_t a, uint32_t b) = 0;
};

// Swaps two elements of a storage array; reads the array's storage at every swap.
template <typename S>
class reorder_callback_impl_t final : public reorder_callback {
public:
    explicit reorder_callback_impl_t(S& array) noexcept : array_(&array) {}
    void swap(uint32_t a, uint32_t b) override { std::swap((*array_)[a], (*array_)[b]); }

private:
    S* array_; // not owned
};

// Shifts both positions by `base` and forwards to the wrapped callback. A template over the
// wrapped callback's type, so that a list wrapping its own final callback has the forwarded
// swap called directly; reorder_callback_impl_delta wraps any reorder_callback.
template <typename C>
class reorder_callback_impl_delta_t final : public reorder_callback {
public:
    reorder_callback_impl_delta_t(C& wrapped, uint32_t base) noexcept
        : wrapped_(&wrapped), base_(base) {}
    void swap(uint32_t a, uint32_t b) override { wrapped_->swap(a + base_, b + base_); }

private:
    C* wrapped_; // not owned
    uint32_t base_;
};

using reorder_callback_impl_delta = reorder_callback_impl_delta_t<reorder_callback>;

namespace detail {

inline bool flag(spill_buffer& flags, uint32_t p) noexcept {
    return (flags[p / 8] & (1u << (p % 8))) != 0;
}
inline void set_flag(spill_buffer& flags, uint32_t p) noexcept {
    flags[p / 8] = static_cast<uint8_t>(flags[p / 8] | (1u << (p % 8)));
}

// Walks each cycle once from its smallest position; the first argument of every swap is
// the position that receives its final item. `flags` is zeroed and sized for `count`.
template <typename C>
void walk_cycles(C& callback, const uint32_t* order, uint32_t count, spill_buffer& flags) {
    for (uint32_t i = 0; i < count; ++i) {
        if (order[i] == i || flag(flags, i))
            continue;
        uint32_t prev = i;
        uint32_t cur = order[i];
        do {
            callback.swap(prev, cur);
            set_flag(flags, cur);
            prev = cur;
            cur = order[cur];
        } while (cur != i);
    }
}

} // namespace detail

// Permutes through `callback` so that position k ends up holding the item that stood at
// order[k]. `order` must be a permutation of 0 .. count - 1. Throws std::bad_alloc before
// any swap when the flag table (beyond 8192 positions) cannot be allocated.
template <typename C>
void apply_permutation(C& callback, const uint32_t* order, uint32_t count) {
    spill_buffer flags;
    flags.resize(static_cast<uint32_t>((static_cast<uint64_t>(count) + 7) / 8));
    flags.fill(0);
    detail::walk_cycles(callback, order, count, flags);
}

// As apply_permutation, but first checks in one pass that `order` is a permutation of
// 0 .. count - 1, reading no entry at or beyond `count`. Returns false, having made no swap,
// when it is not.
template <typename C>
bool apply_permutation_checked(C& callback, const uint32_t* order, uint32_t count) {
    spill_buffer flags;
    flags.resize(static_cast<uint32_t>((static_cast<uint64_t>(count) + 7) / 8));
    flags.fill(0);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t p = order[i];
        if (p >= count || detail::flag(flags, p))
            return false;
        detail::set_flag(flags, p);
    }
    flags.fill(0);
    detail::walk_cycles(callback, order, count, flags);
    return true;
}

} // namespace varo
