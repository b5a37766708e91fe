#pragma once

// Recording stand-ins for the callbacks, masks and lists the support library talks to, and
// small helpers shared by its tests.

#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "varo/alloc_hook.h"
#include "varo/bit_array.h"
#include "varo/list.h"
#include "varo/permutation.h"
#include "varo/sort.h"

namespace varo_test {

using u32_list = varo::list_t<uint32_t, varo::alloc_fast>;

// What a test double throws when told to fail.
struct injected_error : std::runtime_error {
    injected_error() : std::runtime_error("injected") {}
};

// Replaces the list's items with `items`.
inline void assign(u32_list& list, const std::vector<uint32_t>& items) {
    list.resize(static_cast<uint32_t>(items.size()));
    for (uint32_t i = 0; i < items.size(); ++i)
        list[i] = items[i];
}

// A list made with the given items (lists cannot be copied, so tests construct this).
struct test_list : u32_list {
    explicit test_list(const std::vector<uint32_t>& items) { assign(*this, items); }
};

// The items as the read-only interface reports them.
inline std::vector<uint32_t> items_of(const varo::list_base_const_t<uint32_t>& list) {
    std::vector<uint32_t> items(list.item_count());
    for (uint32_t i = 0; i < items.size(); ++i)
        list.read_item(items[i], i);
    return items;
}

// One recorded call of a sort or reorder callback, with its two position arguments.
struct call {
    enum kind_t { compare, swap } kind;
    uint32_t a;
    uint32_t b;
    bool operator==(const call& o) const { return kind == o.kind && a == o.a && b == o.b; }
};
inline call cmp(uint32_t a, uint32_t b) {
    return {call::compare, a, b};
}
inline call swp(uint32_t a, uint32_t b) {
    return {call::swap, a, b};
}
inline std::ostream& operator<<(std::ostream& os, const call& c) {
    return os << (c.kind == call::compare ? "compare(" : "swap(") << c.a << ", " << c.b << ")";
}

// Resets the allocation hook around every test, so that counts start at zero and no planned
// refusal leaks into the next test.
class hooked : public ::testing::Test {
protected:
    void SetUp() override { varo::alloc_hook::reset(); }
    void TearDown() override { varo::alloc_hook::reset(); }
};

// A mask over a vector of bits that records every `find` and can fail on a chosen one.
class recording_mask final : public bit_array {
public:
    struct find_call {
        bool value;
        uint32_t start;
        uint32_t count;
        bool operator==(const find_call& o) const {
            return value == o.value && start == o.start && count == o.count;
        }
    };

    // `none_is_max`: report "not found" as 0xFFFFFFFF instead of start + count, as a mask
    // may; the list has to treat both alike.
    explicit recording_mask(std::vector<bool> bits, bool none_is_max = false)
        : bits_(std::move(bits)), none_is_max_(none_is_max) {}

    bool get(uint32_t index) const override {
        ++gets;
        return bit(index);
    }
    uint32_t find(bool value, uint32_t start, uint32_t count) const override {
        finds.push_back({value, start, count});
        if (fail_on_find != 0 && finds.size() == fail_on_find)
            throw injected_error();
        for (uint64_t p = start; p < static_cast<uint64_t>(start) + count; ++p)
            if (bit(static_cast<uint32_t>(p)) == value)
                return static_cast<uint32_t>(p);
        return none_is_max_ ? 0xFFFFFFFFu : start + count;
    }

    mutable std::vector<find_call> finds;
    mutable uint32_t gets = 0;
    size_t fail_on_find = 0; // 1-based; 0 never fails

private:
    bool bit(uint32_t index) const { return index < bits_.size() && bits_[index]; }
    std::vector<bool> bits_;
    bool none_is_max_;
};

inline std::ostream& operator<<(std::ostream& os, const recording_mask::find_call& c) {
    return os << "find(" << (c.value ? "true" : "false") << ", " << c.start << ", " << c.count
              << ")";
}

// A reorder callback over a vector that records its swaps and can fail on a chosen one
// (before swapping).
template <typename T>
class recording_reorder final : public varo::reorder_callback {
public:
    explicit recording_reorder(std::vector<T> items) : items(std::move(items)) {}
    void swap(uint32_t a, uint32_t b) override {
        if (fail_on_swap != 0 && swaps.size() + 1 == fail_on_swap)
            throw injected_error();
        swaps.push_back(swp(a, b));
        std::swap(items.at(a), items.at(b));
    }

    std::vector<T> items;
    std::vector<call> swaps;
    size_t fail_on_swap = 0; // 1-based; 0 never fails
};

// A sort callback over a vector of integers that records every call, checks that each
// position lies in [low, high), and can fail on a chosen compare.
class recording_sort final : public varo::sort_callback {
public:
    explicit recording_sort(std::vector<int32_t> items)
        : items(std::move(items)), high(static_cast<uint32_t>(this->items.size())) {}

    int32_t compare(uint32_t a, uint32_t b) override {
        check(a, b);
        trace.push_back(cmp(a, b));
        ++compares;
        if (fail_on_compare != 0 && compares == fail_on_compare)
            throw injected_error();
        return items[a] < items[b] ? -1 : (items[a] > items[b] ? 1 : 0);
    }
    void swap(uint32_t a, uint32_t b) override {
        check(a, b);
        trace.push_back(swp(a, b));
        std::swap(items[a], items[b]);
    }

    std::vector<int32_t> items;
    std::vector<call> trace;
    uint32_t low = 0;
    uint32_t high;
    uint64_t fail_on_compare = 0; // 1-based; 0 never fails
    uint64_t compares = 0;

private:
    void check(uint32_t a, uint32_t b) const {
        if (a < low || a >= high || b < low || b >= high)
            throw std::out_of_range("position outside the sorted range");
    }
};

} // namespace varo_test
