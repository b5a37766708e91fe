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

// The flag table while it lies wholly in its inline part: one pointer, no test per access.
class inline_flags {
public:
    explicit inline_flags(spill_buffer& table) noexcept : bytes_(table.inline_data()) {}
    bool get(uint32_t p) const noexcept { return ((bytes_[p / 8] >> (p % 8)) & 1u) != 0; }
    void set(uint32_t p) noexcept {
        bytes_[p / 8] = static_cast<uint8_t>(bytes_[p / 8] | (1u << (p % 8)));
    }
    uint8_t byte(uint32_t b) const noexcept { return bytes_[b]; }

private:
    uint8_t* bytes_;
};

// The flag table across both of its parts.
class spilled_flags {
public:
    explicit spilled_flags(spill_buffer& table) noexcept : table_(&table) {}
    bool get(uint32_t p) const noexcept { return (((*table_)[p / 8] >> (p % 8)) & 1u) != 0; }
    void set(uint32_t p) noexcept {
        (*table_)[p / 8] = static_cast<uint8_t>((*table_)[p / 8] | (1u << (p % 8)));
    }
    uint8_t byte(uint32_t b) const noexcept { return (*table_)[b]; }

private:
    spill_buffer* table_;
};

// Runs `body` over the cheaper of the two views that covers the whole table.
template <typename B>
auto with_flags(spill_buffer& table, B&& body) {
    if (table.size() <= spill_buffer::inline_capacity)
        return body(inline_flags(table));
    return body(spilled_flags(table));
}

// Walks each cycle once from its smallest position; the first argument of every swap is
// the position that receives its final item. `flags` is zeroed and sized for `count`.
template <typename C, typename F>
void walk_cycles(C& callback, const uint32_t* order, uint32_t count, F flags) {
    for (uint32_t i = 0; i < count; ++i) {
        if (order[i] == i || flags.get(i))
            continue;
        uint32_t prev = i;
        uint32_t cur = order[i];
        do {
            callback.swap(prev, cur);
            flags.set(cur);
            prev = cur;
            cur = order[cur];
        } while (cur != i);
    }
}

// Whether `order` is a permutation of 0 .. count - 1, reading no entry at or beyond `count`.
// `count` entries, each below `count`, name every position exactly when none is named twice:
// so all are marked without a test, and then the table is searched for a position left
// unmarked. The marking pass has no branch on the table, which keeps it fast. `flags` is
// zeroed and sized for `count`; it is left with every flag set when the answer is yes.
template <typename F>
bool is_permutation(const uint32_t* order, uint32_t count, F flags) {
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t p = order[i];
        if (p >= count)
            return false;
        flags.set(p);
    }
    const uint32_t bytes = static_cast<uint32_t>((static_cast<uint64_t>(count) + 7) / 8);
    for (uint32_t b = 0; b + 1 < bytes; ++b)
        if (flags.byte(b) != 0xFF)
            return false;
    return bytes == 0 ||
           flags.byte(bytes - 1) == static_cast<uint8_t>(0xFFu >> (8 * bytes - count));
}

// The flag table for `count` positions, zeroed: inline up to 8192 positions, the rest on
// the heap, sized exactly. Throws std::bad_alloc when the heap part cannot be had.
inline void prepare_flags(spill_buffer& flags, uint32_t count) {
    flags.resize(static_cast<uint32_t>((static_cast<uint64_t>(count) + 7) / 8));
    flags.fill(0);
}

} // namespace detail

// Permutes through `callback` so that position k ends up holding the item that stood at
// order[k]. `order` must be a permutation of 0 .. count - 1. Throws std::bad_alloc before
// any swap when the flag table (beyond 8192 positions) cannot be allocated.
template <typename C>
void apply_permutation(C& callback, const uint32_t* order, uint32_t count) {
    spill_buffer flags;
    detail::prepare_flags(flags, count);
    detail::with_flags(flags,
                       [&](auto view) { detail::walk_cycles(callback, order, count, view); });
}

// As apply_permutation, but first checks that `order` is a permutation of 0 .. count - 1,
// reading no entry at or beyond `count`. Returns false, having made no swap, when it is not.
template <typename C>
bool apply_permutation_checked(C& callback, const uint32_t* order, uint32_t count) {
    spill_buffer flags;
    detail::prepare_flags(flags, count);
    return detail::with_flags(flags, [&](auto view) {
        if (!detail::is_permutation(order, count, view))
            return false;
        flags.fill(0);
        detail::walk_cycles(callback, order, count, view);
        return true;
    });
}

} // namespace varo
