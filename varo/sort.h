#pragma once

#include <cstdint>

#include "varo/array.h"

namespace varo {

// Sorting works on positions only, through this callback.
class sort_callback {
public:
    // Negative when the item at a sorts before the one at b, zero when equal, else positive.
    virtual int32_t compare(uint32_t a, uint32_t b) = 0;
    // Exchanges the items at positions a and b.
    virtual void swap(uint32_t a, uint32_t b) = 0;
};

// The algorithms are templates over the callback so that a concrete (final) callback is
// called directly; passing a sort_callback& gives the virtual form.

// Index of the median of the first, middle and last positions, in exactly three compares.
template <typename C>
uint32_t median_of_three(C& callback, uint32_t start, uint32_t count) {
    const uint32_t mid = start + count / 2;
    const uint32_t last = start + count - 1;
    uint32_t lo = start;
    uint32_t hi = mid;
    if (callback.compare(start, mid) > 0) {
        lo = mid;
        hi = start;
    }
    const uint32_t x = callback.compare(lo, last) > 0 ? lo : last;
    return callback.compare(hi, x) > 0 ? x : hi;
}

// Compares every pair once, swapping pairs that are out of order.
template <typename C>
void small_sort(C& callback, uint32_t start, uint32_t count) {
    for (uint32_t i = start + 1; i < start + count; ++i)
        for (uint32_t j = start; j < i; ++j)
            if (callback.compare(j, i) > 0)
                callback.swap(j, i);
}

namespace detail {

template <typename C>
void sift_down(C& callback, uint32_t start, uint32_t root, uint32_t count) {
    for (;;) {
        const uint64_t left = 2 * static_cast<uint64_t>(root) + 1;
        if (left >= count)
            return;
        uint32_t child = static_cast<uint32_t>(left);
        if (child + 1 < count && callback.compare(start + child, start + child + 1) < 0)
            ++child;
        if (callback.compare(start + root, start + child) >= 0)
            return;
        callback.swap(start + root, start + child);
        root = child;
    }
}

// Bounded stack and O(n log n) compares whatever the input: the way out for ranges on which
// the quicksort has gone too deep.
template <typename C>
void heap_sort(C& callback, uint32_t start, uint32_t count) {
    if (count < 2)
        return;
    for (uint32_t i = count / 2; i-- > 0;)
        sift_down(callback, start, i, count);
    for (uint32_t end = count - 1; end > 0; --end) {
        callback.swap(start, start + end);
        sift_down(callback, start, 0, end);
    }
}

// How many partition levels a range of `count` items may go through before the rest is
// heap sorted. Random input stays far below it, and so does reversed input (about
// 3 log2 n levels), so their calls are the quicksort's alone.
inline uint32_t partition_depth_limit(uint32_t count) {
    uint32_t bits = 0;
    for (; count != 0; count >>= 1)
        ++bits;
    return 3 * bits + 16;
}

template <typename C>
void quick_sort_limited(C& callback, uint32_t start, uint32_t count, uint32_t depth) {
    while (count > 4) {
        if (depth == 0) {
            heap_sort(callback, start, count);
            return;
        }
        --depth;
        const uint32_t pivot = median_of_three(callback, start, count);
        const uint32_t last = start + count - 1;
        if (pivot != last)
            callback.swap(pivot, last);
        uint32_t s = start;
        bool alternate = false;
        for (uint32_t j = start; j < last; ++j) {
            const int32_t r = callback.compare(j, last);
            bool move = r < 0;
            if (r == 0) {
                move = alternate;
                alternate = !alternate;
            }
            if (move) {
                if (s != j)
                    callback.swap(s, j);
                ++s;
            }
        }
        if (s != last)
            callback.swap(last, s);
        quick_sort_limited(callback, start, s - start, depth);
        count -= (s - start) + 1;
        start = s + 1;
    }
    small_sort(callback, start, count);
}

} // namespace detail

// Sorts positions start .. start + count - 1; not stable. Recurses on the part left of the
// pivot and loops on the right; a range that goes too deep is finished by heap sort.
template <typename C>
void quick_sort(C& callback, uint32_t start, uint32_t count) {
    detail::quick_sort_limited(callback, start, count, detail::partition_depth_limit(count));
}

// Breaks ties by each item's starting position, carried along in an index array.
template <typename C>
class index_tiebreak_callback_t final : public sort_callback {
public:
    // Throws std::bad_alloc when the index array cannot be allocated.
    index_tiebreak_callback_t(C& wrapped, uint32_t count) : wrapped_(&wrapped) {
        index_.resize(count);
        for (uint32_t i = 0; i < count; ++i)
            index_[i] = i;
    }

    int32_t compare(uint32_t a, uint32_t b) override {
        const int32_t r = wrapped_->compare(a, b);
        if (r != 0)
            return r;
        return index_[a] < index_[b] ? -1 : (index_[a] > index_[b] ? 1 : 0);
    }
    void swap(uint32_t a, uint32_t b) override {
        wrapped_->swap(a, b);
        const uint32_t t = index_[a];
        index_[a] = index_[b];
        index_[b] = t;
    }

private:
    C* wrapped_; // not owned
    array_t<uint32_t, alloc_exact> index_;
};

using index_tiebreak_callback = index_tiebreak_callback_t<sort_callback>;

// Sorts positions 0 .. count - 1 stably. Throws std::bad_alloc before any compare when the
// index array cannot be allocated.
template <typename C>
void stable_quick_sort(C& callback, uint32_t count) {
    index_tiebreak_callback_t<C> tiebreak(callback, count);
    quick_sort(tiebreak, 0, count);
}

} // namespace varo
