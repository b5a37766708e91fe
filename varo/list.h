#pragma once

#include <cstdint>
#include <utility>

#include "varo/array.h"
#include "varo/bit_array.h"
#include "varo/permutation.h"
#include "varo/sort.h"

namespace varo {

// Read-only list interface.
template <typename T>
class list_base_const_t {
public:
    // Number of items.
    virtual uint32_t item_count() const = 0;
    // Copies item `index` into `out`.
    virtual void read_item(T& out, uint32_t index) const = 0;
};

// Modifiable list interface. No operation checks its indexes.
template <typename T>
class list_base_t : public list_base_const_t<T> {
public:
    // Orders two items for sort and stable_sort.
    class item_comparator {
    public:
        // Negative when a sorts before b, zero when equal, positive when after.
        virtual int32_t compare(const T& a, const T& b) = 0;
    };

    // Keeps, in order, the items whose mask bit is true; errors from the mask leave every
    // item in the list.
    virtual void keep_masked(const bit_array& mask) = 0;
    // Inserts the source's items before `index` (beyond the count: at the end); returns the
    // position of the first one. Throws std::bad_alloc before any item moves.
    virtual uint32_t insert_list(const list_base_const_t<T>& source, uint32_t index) = 0;
    // Item base + k becomes the one at base + order[k]; `order` must be a permutation.
    virtual void reorder_range(uint32_t base, const uint32_t* order, uint32_t count) = 0;
    // Sorts the items; not stable; allocates nothing.
    virtual void sort(item_comparator& comparator) = 0;
    // Sorts the items, equal ones keeping their order; throws std::bad_alloc first if its
    // index array cannot be had.
    virtual void stable_sort(item_comparator& comparator) = 0;
    // Overwrites item `index`.
    virtual void set_item(uint32_t index, const T& value) = 0;
    // Swaps the contents of item `index` and `value`.
    virtual void exchange_item(uint32_t index, T& value) = 0;
    // Swaps items a and b.
    virtual void swap_positions(uint32_t a, uint32_t b) = 0;
};

// Compares two positions of a storage array through an item comparison held by value.
template <typename S, typename W>
class sort_callback_impl_simple_wrap_t final : public sort_callback {
public:
    sort_callback_impl_simple_wrap_t(S& array, W comparison) noexcept
        : array_(&array), comparison_(comparison) {}

    int32_t compare(uint32_t a, uint32_t b) override {
        return comparison_.compare((*array_)[a], (*array_)[b]);
    }
    void swap(uint32_t a, uint32_t b) override { std::swap((*array_)[a], (*array_)[b]); }

private:
    S* array_; // not owned
    W comparison_;
};

// The list interface over one storage array S.
template <typename T, typename S>
class list_impl_t : public list_base_t<T> {
public:
    using item_comparator = typename list_base_t<T>::item_comparator;

    // The item comparison the list's sorts wrap: forwards to the caller's comparator.
    class sort_callback_wrapper {
    public:
        explicit sort_callback_wrapper(item_comparator& comparator) noexcept
            : comparator_(&comparator) {}
        int32_t compare(const T& a, const T& b) { return comparator_->compare(a, b); }

    private:
        item_comparator* comparator_; // not owned
    };

    uint32_t item_count() const override { return storage_.size(); }
    void read_item(T& out, uint32_t index) const override { out = storage_[index]; }

    void keep_masked(const bit_array& mask) override { keep_masked_with(mask); }

    // keep_masked over a concrete mask type, so that a final wrapper is called directly.
    template <typename M>
    void keep_masked_with(const M& mask) {
        const uint32_t n = this->item_count();
        uint32_t w = mask.find(false, 0, n);
        if (w >= n)
            return;
        uint32_t r = found_from(mask.find(true, w + 1, n - w - 1), w + 1, n);
        while (r < n) {
            std::swap(storage_[w], storage_[r]);
            ++w;
            r = found_from(mask.find(true, r + 1, n - r - 1), r + 1, n);
        }
        storage_.resize(w);
    }

    uint32_t insert_list(const list_base_const_t<T>& source, uint32_t index) override {
        const uint32_t n = this->item_count();
        if (index > n)
            index = n;
        const uint32_t m = source.item_count();
        if (static_cast<uint64_t>(n) + m > UINT32_MAX)
            throw exception_bad_alloc();
        storage_.resize(n + m);
        if (index < n)
            for (uint32_t k = n; k-- > index;)
                std::swap(storage_[k], storage_[k + m]);
        // Inserting the list into itself: the old items now stand below `index` or from
        // index + m on, outside the positions being written, so read them from there.
        const bool self = &source == static_cast<const list_base_const_t<T>*>(this);
        for (uint32_t j = 0; j < m; ++j)
            source.read_item(storage_[index + j], self && j >= index ? j + m : j);
        return index;
    }

    void reorder_range(uint32_t base, const uint32_t* order, uint32_t count) override {
        reorder_callback_impl_t<S> swapper(storage_);
        reorder_callback_impl_delta_t<reorder_callback_impl_t<S>> delta(swapper, base);
        apply_permutation(delta, order, count);
    }

    // reorder_range for an `order` that is not trusted: applies it only when it is a
    // permutation of 0 .. count - 1 (checked first, reading only order[0 .. count - 1]);
    // returns whether it did.
    bool reorder_range_checked(uint32_t base, const uint32_t* order, uint32_t count) {
        reorder_callback_impl_t<S> swapper(storage_);
        reorder_callback_impl_delta_t<reorder_callback_impl_t<S>> delta(swapper, base);
        return apply_permutation_checked(delta, order, count);
    }

    void sort(item_comparator& comparator) override {
        sort_callback_impl_simple_wrap_t<S, sort_callback_wrapper> wrap(
            storage_, sort_callback_wrapper(comparator));
        quick_sort(wrap, 0, this->item_count());
    }

    void stable_sort(item_comparator& comparator) override {
        sort_callback_impl_simple_wrap_t<S, sort_callback_wrapper> wrap(
            storage_, sort_callback_wrapper(comparator));
        stable_quick_sort(wrap, this->item_count());
    }

    void set_item(uint32_t index, const T& value) override { storage_[index] = value; }
    void exchange_item(uint32_t index, T& value) override { std::swap(storage_[index], value); }
    void swap_positions(uint32_t a, uint32_t b) override { std::swap(storage_[a], storage_[b]); }

    // Inserts one item before `index` (beyond the count: at the end). Throws std::bad_alloc
    // before any item moves.
    void insert_one(const T& value, uint32_t index) {
        const uint32_t size = storage_.size();
        if (index > size)
            index = size;
        if (size == UINT32_MAX)
            throw exception_bad_alloc();
        const T copy = value; // `value` may refer into the storage about to move
        storage_.resize(size + 1);
        for (uint32_t k = size; k > index; --k)
            storage_[k] = storage_[k - 1];
        storage_[index] = copy;
    }

    T& operator[](uint32_t index) noexcept { return storage_[index]; }
    const T& operator[](uint32_t index) const noexcept { return storage_[index]; }
    // Sets the count; new items hold unspecified values until written.
    void resize(uint32_t n) { storage_.resize(n); }
    // Count 0 and the storage freed.
    void clear() noexcept { storage_.clear(); }
    S& storage() noexcept { return storage_; }
    const S& storage() const noexcept { return storage_; }

private:
    // A mask's answer to a search from `start`: one below `start` breaks the mask's contract
    // (the masks come from the host) and counts, like one at or past `n`, as none, so the
    // filtering stays inside the list and ends.
    static uint32_t found_from(uint32_t answer, uint32_t start, uint32_t n) noexcept {
        return answer < start ? n : answer;
    }

    S storage_;
};

// The list over a growable array with policy A.
template <typename T, typename A>
class list_t : public list_impl_t<T, array_t<T, A>> {};

} // namespace varo
