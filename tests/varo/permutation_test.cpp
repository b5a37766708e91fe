#include <algorithm>
#include <cstdint>
#include <new>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_doubles.h"
#include "varo/permutation.h"
#include "varo/spill_buffer.h"

namespace {

using varo_test::call;
using varo_test::hooked;
using varo_test::injected_error;
using varo_test::items_of;
using varo_test::recording_reorder;
using varo_test::swp;
using varo_test::test_list;
using order_t = std::vector<uint32_t>;
namespace hook = varo::alloc_hook;

class permutation_test : public hooked {};

std::vector<char> letters(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST_F(permutation_test, swap_sequences) {
    const struct {
        order_t order;
        std::vector<call> swaps;
        std::string after; // from "ABCD..."
    } cases[] = {
        {{1, 2, 0}, {swp(0, 1), swp(1, 2)}, "BCA"},
        {{2, 0, 1}, {swp(0, 2), swp(2, 1)}, "CAB"},
        {{1, 0, 3, 2}, {swp(0, 1), swp(2, 3)}, "BADC"},
        {{0, 3, 1, 2}, {swp(1, 3), swp(3, 2)}, "ADBC"},
        {{3, 2, 1, 0}, {swp(0, 3), swp(1, 2)}, "DCBA"},
        {{0, 1, 2, 3}, {}, "ABCD"},
        {{0}, {}, "A"},
        {{}, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.after);
        recording_reorder<char> callback(
            letters(std::string("ABCDEFGH").substr(0, c.after.size())));
        varo::apply_permutation(callback, c.order.data(), static_cast<uint32_t>(c.order.size()));
        EXPECT_EQ(callback.swaps, c.swaps);
        EXPECT_EQ(callback.items, letters(c.after));
    }
    EXPECT_EQ(hook::requests(), 0u);
}

TEST_F(permutation_test, zero_count_reads_no_order) {
    recording_reorder<char> callback(letters("AB"));
    varo::apply_permutation(callback, nullptr, 0);
    EXPECT_TRUE(callback.swaps.empty());
}

TEST_F(permutation_test, delta_callback_shifts_both_positions) {
    recording_reorder<char> inner(letters("abcd"));
    varo::reorder_callback_impl_delta delta(inner, 2);
    const order_t order = {1, 0};
    varo::apply_permutation(delta, order.data(), 2);
    EXPECT_EQ(inner.swaps, std::vector<call>({swp(2, 3)}));
    EXPECT_EQ(inner.items, letters("abdc"));
}

TEST_F(permutation_test, reorder_range_permutes_only_its_range) {
    const struct {
        order_t list;
        uint32_t base;
        order_t order;
        order_t after;
    } cases[] = {
        {{'a', 'b', 'c', 'd'}, 2, {1, 0}, {'a', 'b', 'd', 'c'}},
        {{'a', 'b', 'c', 'd'}, 0, {1, 2, 0}, {'b', 'c', 'a', 'd'}},
        {{'a', 'b', 'c', 'd'}, 1, {2, 0, 1}, {'a', 'd', 'b', 'c'}},
        {{'a', 'b', 'c', 'd'}, 1, {0, 1, 2}, {'a', 'b', 'c', 'd'}},
        {{'a', 'b', 'c', 'd'}, 4, {}, {'a', 'b', 'c', 'd'}},
    };
    for (const auto& c : cases) {
        test_list list(c.list);
        list.reorder_range(c.base, c.order.data(), static_cast<uint32_t>(c.order.size()));
        EXPECT_EQ(items_of(list), c.after) << "base " << c.base;
    }
}

// Random permutation of 0 .. n - 1.
order_t random_order(uint32_t n, uint32_t seed) {
    order_t order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::mt19937 rng(seed);
    std::shuffle(order.begin(), order.end(), rng);
    return order;
}

uint32_t cycles_of(const order_t& order) {
    std::vector<bool> seen(order.size());
    uint32_t cycles = 0;
    for (uint32_t i = 0; i < order.size(); ++i) {
        if (seen[i])
            continue;
        ++cycles;
        for (uint32_t p = i; !seen[p]; p = order[p])
            seen[p] = true;
    }
    return cycles;
}

TEST_F(permutation_test, random_orders_take_count_minus_cycles_swaps_each_placing_one_item) {
    for (const uint32_t n : {2u, 9u, 100u, 8192u, 8193u, 20000u}) {
        for (uint32_t seed = 1; seed <= 3; ++seed) {
            SCOPED_TRACE(::testing::Message() << n << " items, seed " << seed);
            const order_t order = random_order(n, seed);
            order_t start(n);
            std::iota(start.begin(), start.end(), 0u); // item = its starting position
            recording_reorder<uint32_t> callback(start);
            varo::apply_permutation(callback, order.data(), n);
            ASSERT_EQ(callback.items, order); // position k holds the item from order[k]
            EXPECT_EQ(callback.swaps.size(), n - cycles_of(order));

            // Replaying the swaps: the first position of each receives its final item and is
            // never touched as a first position again.
            order_t replay = start;
            std::vector<bool> placed(n);
            for (const call& s : callback.swaps) {
                std::swap(replay[s.a], replay[s.b]);
                ASSERT_EQ(replay[s.a], order[s.a]);
                ASSERT_FALSE(placed[s.a]);
                placed[s.a] = true;
            }
        }
    }
}

// The flag table holds a bit per position: the first 8192 positions fit in the table's own
// 1024 bytes, position 8193 needs one byte from the heap.
TEST_F(permutation_test, flag_table_takes_heap_memory_only_beyond_8192_positions) {
    const struct {
        uint32_t count;
        uint64_t requests;
    } cases[] = {{8192, 0}, {8193, 1}, {8200, 1}, {8201, 1}, {16384, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        order_t items(c.count);
        std::iota(items.begin(), items.end(), 0u);
        test_list list(items);
        const order_t order(items.rbegin(), items.rend());
        hook::reset();
        list.reorder_range(0, order.data(), c.count);
        EXPECT_EQ(items_of(list), order);
        EXPECT_EQ(hook::requests(), c.requests);
        EXPECT_EQ(hook::largest_request(), (c.count + 7) / 8 > 1024 ? (c.count + 7) / 8 - 1024 : 0);
        EXPECT_EQ(hook::live_blocks(), 0);
    }
}

TEST_F(permutation_test, refused_flag_table_throws_before_any_swap) {
    const order_t order = random_order(8193, 5);
    order_t start(8193);
    std::iota(start.begin(), start.end(), 0u);
    {
        recording_reorder<uint32_t> callback(start);
        hook::refuse_nth(1);
        try {
            varo::apply_permutation(callback, order.data(), 8193);
            ADD_FAILURE() << "no exception";
        } catch (const std::bad_alloc& e) {
            EXPECT_STREQ(e.what(), "bad allocation");
        }
        EXPECT_TRUE(callback.swaps.empty());
    }
    {
        test_list list(start);
        hook::refuse_nth(1);
        EXPECT_THROW(list.reorder_range(0, order.data(), 8193), std::bad_alloc);
        EXPECT_EQ(items_of(list), start);
    }
}

TEST_F(permutation_test, callback_error_passes_after_freeing_the_flag_table) {
    const uint32_t n = 9000;
    order_t start(n);
    std::iota(start.begin(), start.end(), 0u);
    const order_t order(start.rbegin(), start.rend());
    recording_reorder<uint32_t> callback(start);
    callback.fail_on_swap = 3;
    hook::reset();
    EXPECT_THROW(varo::apply_permutation(callback, order.data(), n), injected_error);
    EXPECT_EQ(hook::requests(), 1u);
    EXPECT_EQ(hook::live_blocks(), 0);
    EXPECT_EQ(callback.swaps, std::vector<call>({swp(0, n - 1), swp(1, n - 2)}));
    order_t expected = start;
    std::swap(expected[0], expected[n - 1]);
    std::swap(expected[1], expected[n - 2]);
    EXPECT_EQ(callback.items, expected);
}

TEST_F(permutation_test, checked_form_applies_only_permutations) {
    const struct {
        order_t order;
        bool valid;
    } cases[] = {
        {{}, true},
        {{0}, true},
        {{2, 0, 1}, true},
        {{3, 0, 1, 2}, true},
        {{1, 1}, false},
        {{0, 2}, false},
        {{1, 0, 0}, false},
        {{0, 1, 5}, false},
        {{0xFFFFFFFFu}, false},
        {{1, 2, 3, 0, 3}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.order));
        const uint32_t n = static_cast<uint32_t>(c.order.size());
        recording_reorder<char> checked(letters(std::string("ABCDE").substr(0, n)));
        EXPECT_EQ(varo::apply_permutation_checked(checked, c.order.data(), n), c.valid);
        if (!c.valid) {
            EXPECT_TRUE(checked.swaps.empty());
            continue;
        }
        recording_reorder<char> plain(letters(std::string("ABCDE").substr(0, n)));
        varo::apply_permutation(plain, c.order.data(), n);
        EXPECT_EQ(checked.swaps, plain.swaps);
        EXPECT_EQ(checked.items, plain.items);
    }
}

TEST_F(permutation_test, checked_reorder_range_on_a_list) {
    test_list list({'a', 'b', 'c', 'd'});
    const order_t bad = {1, 1};
    EXPECT_FALSE(list.reorder_range_checked(1, bad.data(), 2));
    EXPECT_EQ(items_of(list), order_t({'a', 'b', 'c', 'd'}));
    const order_t good = {1, 0};
    EXPECT_TRUE(list.reorder_range_checked(1, good.data(), 2));
    EXPECT_EQ(items_of(list), order_t({'a', 'c', 'b', 'd'}));
}

TEST_F(permutation_test, checked_form_beyond_8192_positions) {
    const uint32_t n = 10000;
    order_t order = random_order(n, 9);
    order_t start(n);
    std::iota(start.begin(), start.end(), 0u);
    {
        recording_reorder<uint32_t> callback(start);
        EXPECT_TRUE(varo::apply_permutation_checked(callback, order.data(), n));
        EXPECT_EQ(callback.items, order);
    }
    // Repeat a position whose flag lies in the heap part of the table (positions >= 8192).
    const auto high =
        std::find_if(order.begin(), order.end() - 1, [](uint32_t p) { return p >= 9000; });
    ASSERT_NE(high, order.end() - 1);
    order[n - 1] = *high;
    {
        recording_reorder<uint32_t> callback(start);
        EXPECT_FALSE(varo::apply_permutation_checked(callback, order.data(), n));
        EXPECT_TRUE(callback.swaps.empty());
    }
    EXPECT_EQ(hook::live_blocks(), 0);
}

TEST_F(permutation_test, spill_buffer_keeps_1024_bytes_inline) {
    varo::spill_buffer buffer;
    const struct {
        uint32_t size;
        int64_t live_blocks;
    } steps[] = {{0, 0}, {1024, 0}, {1025, 1}, {3000, 1}, {10, 0}, {2048, 1}, {1024, 0}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.size);
        buffer.resize(s.size);
        EXPECT_EQ(buffer.size(), s.size);
        EXPECT_EQ(hook::live_blocks(), s.live_blocks);
        buffer.fill(0xA5);
        for (uint32_t p = 0; p < s.size; ++p)
            ASSERT_EQ(buffer[p], 0xA5) << p;
    }
    buffer.resize(1030);
    EXPECT_EQ(hook::largest_request(), 3000u - 1024u);
    buffer.fill(0);
    buffer[1023] = 1;
    buffer[1024] = 2;
    buffer[1029] = 3;
    EXPECT_EQ(buffer[1022], 0);
    EXPECT_EQ(buffer[1023], 1);
    EXPECT_EQ(buffer[1024], 2);
    EXPECT_EQ(buffer[1029], 3);
}

} // namespace
