#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "varo/exceptions.h"
#include "varo/raw_reallocate.h"

namespace varo {

// Growth policies: each maps the current capacity and a requested size to a new capacity.

// Doubles from the current capacity (or 1) until `size` fits; throws std::bad_alloc when
// doubling would pass 32 bits.
inline uint32_t grown_capacity(uint32_t capacity, uint32_t size) {
    uint32_t cap = capacity == 0 ? 1 : capacity;
    while (cap < size) {
        if (cap >= 0x80000000u)
            throw exception_bad_alloc();
        cap *= 2;
    }
    return cap;
}

// Doubling on growth; halving once a quarter of the capacity exceeds the size. Never 0.
struct alloc_fast {
    static uint32_t capacity_for(uint32_t capacity, uint32_t size) {
        uint32_t cap = grown_capacity(capacity, size);
        while (cap / 4 > size)
            cap /= 2;
        return cap;
    }
};

// Doubling on growth, never shrinking. Never 0.
struct alloc_grow_only {
    static uint32_t capacity_for(uint32_t capacity, uint32_t size) {
        return grown_capacity(capacity, size);
    }
};

// Capacity equals size.
struct alloc_exact {
    static uint32_t capacity_for(uint32_t, uint32_t size) { return size; }
};

// A typed array owning one heap block. Items are plain values moved by copying their bits.
// A growing block is reallocated before the new size is stored, so a failed growth leaves
// the array exactly as it was.
template <typename T, typename A>
class array_t {
    static_assert(std::is_trivially_copyable<T>::value, "items are moved by their bits");

public:
    constexpr array_t() noexcept = default;
    array_t(const array_t&) = delete;
    array_t& operator=(const array_t&) = delete;
    ~array_t() { clear(); }

    // Sets the capacity to exactly `n` items; the size is left alone (callers keep it <= n).
    // Throws std::bad_alloc when the byte size passes 32 bits or the heap refuses.
    void reallocate_exact(uint32_t n) {
        if (n == capacity_)
            return;
        const uint64_t bytes = static_cast<uint64_t>(n) * sizeof(T);
        if (bytes > UINT32_MAX)
            throw exception_bad_alloc();
        storage_ = static_cast<T*>(raw_reallocate(storage_, static_cast<std::size_t>(bytes)));
        capacity_ = n;
    }

    // Sets the size to `n`; the capacity follows the policy.
    void resize(uint32_t n) {
        const uint32_t cap = A::capacity_for(capacity_, n);
        if (cap > capacity_) {
            reallocate_exact(cap);
            size_ = n;
        } else {
            size_ = n;
            reallocate_exact(cap);
        }
    }

    // Size 0 and the block freed, whatever the policy.
    void clear() noexcept {
        size_ = 0;
        storage_ = static_cast<T*>(raw_reallocate(storage_, 0));
        capacity_ = 0;
    }

    // Exchanges blocks, sizes and capacities with `other`, which has the same policy.
    void swap(array_t& other) noexcept {
        std::swap(storage_, other.storage_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }

    // Copies the zero-terminated `text` with its terminator; the size becomes length + 1 and
    // the capacity follows the policy (under alloc_exact: length + 1). `text` may lie inside
    // this array's own block, as a string handed out from it and passed back does: a new
    // block is filled before the old one is freed, and a text that keeps the capacity is
    // moved within the block. A refused block leaves the array as it was.
    void assign_text(const char* text) {
        static_assert(sizeof(T) == 1, "text goes into byte arrays");
        const std::size_t length = std::strlen(text);
        if (length >= UINT32_MAX)
            throw exception_bad_alloc();
        const uint32_t n = static_cast<uint32_t>(length) + 1;
        const uint32_t cap = A::capacity_for(capacity_, n);
        if (cap == capacity_) {
            std::memmove(storage_, text, length);
            storage_[length] = 0;
            size_ = n;
            return;
        }
        array_t fresh;
        fresh.reallocate_exact(cap);
        std::memcpy(fresh.storage_, text, length);
        fresh.storage_[length] = 0;
        fresh.size_ = n;
        swap(fresh); // the old block goes with `fresh`
    }

    T& operator[](uint32_t index) noexcept { return storage_[index]; }
    const T& operator[](uint32_t index) const noexcept { return storage_[index]; }
    T* data() noexcept { return storage_; }
    const T* data() const noexcept { return storage_; }
    uint32_t size() const noexcept { return size_; }
    uint32_t capacity() const noexcept { return capacity_; }

private:
    T* storage_ = nullptr;
    uint32_t size_ = 0;
    uint32_t capacity_ = 0;
};

} // namespace varo
