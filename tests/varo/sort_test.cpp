#include <algorithm>
#include <cstdint>
#include <new>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "test_doubles.h"
#include "varo/list.h"
#include "varo/sort.h"

namespace {

using varo_test::call;
using varo_test::cmp;
using varo_test::hooked;
using varo_test::injected_error;
using varo_test::items_of;
using varo_test::recording_sort;
using varo_test::swp;
using varo_test::test_list;
using values = std::vector<int32_t>;
using trace_t = std::vector<call>;
namespace hook = varo::alloc_hook;

class sorting_test : public hooked {};

TEST_F(sorting_test, quick_sort_call_traces) {
    const struct {
        const char* name;
        values items;
        trace_t trace;
        values after;
    } cases[] = {
        {"empty", {}, {}, {}},
        {"one item", {7}, {}, {7}},
        {"[2, 1]", {2, 1}, {cmp(0, 1), swp(0, 1)}, {1, 2}},
        {"[4, 3, 2, 1] by small_sort alone",
         {4, 3, 2, 1},
         {cmp(0, 1), swp(0, 1), cmp(0, 2), swp(0, 2), cmp(1, 2), swp(1, 2), cmp(0, 3), swp(0, 3),
          cmp(1, 3), swp(1, 3), cmp(2, 3), swp(2, 3)},
         {1, 2, 3, 4}},
        {"[3, 1, 4, 1, 5]",
         {3, 1, 4, 1, 5},
         {cmp(0, 2), cmp(0, 4), cmp(2, 4), swp(2, 4), cmp(0, 4), cmp(1, 4), cmp(2, 4), cmp(3, 4),
          swp(2, 3), swp(4, 3), cmp(0, 1), swp(0, 1), cmp(0, 2), cmp(1, 2), swp(1, 2)},
         {1, 1, 3, 4, 5}},
        // Equal items go alternately right and left of the pivot: two on each side.
        {"five equal items",
         {6, 6, 6, 6, 6},
         {cmp(0, 2), cmp(0, 4), cmp(2, 4), swp(2, 4), cmp(0, 4), cmp(1, 4), swp(0, 1), cmp(2, 4),
          cmp(3, 4), swp(1, 3), swp(4, 2), cmp(0, 1), cmp(3, 4)},
         {6, 6, 6, 6, 6}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        recording_sort callback(c.items);
        varo::quick_sort(callback, 0, static_cast<uint32_t>(c.items.size()));
        EXPECT_EQ(callback.trace, c.trace);
        EXPECT_EQ(callback.items, c.after);

        // The same through the abstract interface.
        recording_sort virtual_callback(c.items);
        varo::sort_callback& base = virtual_callback;
        varo::quick_sort(base, 0, static_cast<uint32_t>(c.items.size()));
        EXPECT_EQ(virtual_callback.trace, c.trace);
    }
}

TEST_F(sorting_test, quick_sort_of_a_subrange_touches_only_that_range) {
    recording_sort callback({9, 9, 2, 1, 0});
    callback.low = 2;
    callback.high = 4;
    varo::quick_sort(callback, 2, 2);
    EXPECT_EQ(callback.trace, trace_t({cmp(2, 3), swp(2, 3)}));
    EXPECT_EQ(callback.items, values({9, 9, 1, 2, 0}));
}

TEST_F(sorting_test, median_of_three_uses_exactly_three_compares) {
    // Values at the first, middle and last positions of a range of 5 (positions 0, 2, 4).
    const struct {
        int32_t first, middle, last;
        uint32_t median;
        trace_t trace;
    } cases[] = {
        {1, 2, 3, 2, {cmp(0, 2), cmp(0, 4), cmp(2, 4)}},
        {1, 3, 2, 4, {cmp(0, 2), cmp(0, 4), cmp(2, 4)}},
        {2, 1, 3, 0, {cmp(0, 2), cmp(2, 4), cmp(0, 4)}},
        {2, 3, 1, 0, {cmp(0, 2), cmp(0, 4), cmp(2, 0)}},
        {3, 1, 2, 4, {cmp(0, 2), cmp(2, 4), cmp(0, 4)}},
        {3, 2, 1, 2, {cmp(0, 2), cmp(2, 4), cmp(0, 2)}},
        {1, 1, 1, 2, {cmp(0, 2), cmp(0, 4), cmp(2, 4)}},
        {2, 2, 1, 2, {cmp(0, 2), cmp(0, 4), cmp(2, 0)}},
        {1, 2, 2, 2, {cmp(0, 2), cmp(0, 4), cmp(2, 4)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.first << " " << c.middle << " " << c.last);
        recording_sort callback({c.first, 0, c.middle, 0, c.last});
        EXPECT_EQ(varo::median_of_three(callback, 0, 5), c.median);
        EXPECT_EQ(callback.trace, c.trace);
    }
    // A range that does not start at 0: first 3, middle 3 + 6 / 2, last 3 + 6 - 1.
    recording_sort callback({0, 0, 0, 30, 0, 0, 10, 0, 20});
    EXPECT_EQ(varo::median_of_three(callback, 3, 6), 8u);
    EXPECT_EQ(callback.trace, trace_t({cmp(3, 6), cmp(6, 8), cmp(3, 8)}));
}

TEST_F(sorting_test, small_sort_compares_every_pair_once) {
    for (uint32_t n = 0; n <= 6; ++n) {
        values items(n);
        for (uint32_t i = 0; i < n; ++i)
            items[i] = static_cast<int32_t>(i);
        recording_sort callback(items);
        varo::small_sort(callback, 0, n);
        trace_t expected;
        for (uint32_t i = 1; i < n; ++i)
            for (uint32_t j = 0; j < i; ++j)
                expected.push_back(cmp(j, i));
        EXPECT_EQ(callback.trace, expected) << n;
    }
}

// Items are (number, letter) pairs packed as number * 256 + letter and compared by number.
class by_number final : public varo::list_base_t<uint32_t>::item_comparator {
public:
    int32_t compare(const uint32_t& a, const uint32_t& b) override {
        ++calls;
        if (fail_on != 0 && calls == fail_on)
            throw injected_error();
        return static_cast<int32_t>(a >> 8) - static_cast<int32_t>(b >> 8);
    }
    uint64_t calls = 0;
    uint64_t fail_on = 0; // 1-based; 0 never fails
};

uint32_t pair(uint32_t number, char letter) {
    return number << 8 | static_cast<unsigned char>(letter);
}

TEST_F(sorting_test, stable_sort_keeps_equal_items_in_order_and_sort_does_not) {
    const std::vector<uint32_t> items = {pair(1, 'a'), pair(0, 'b'), pair(1, 'c'),
                                         pair(0, 'd'), pair(1, 'e'), pair(0, 'f')};
    by_number comparator;
    test_list stable(items);
    stable.stable_sort(comparator);
    EXPECT_EQ(items_of(stable), std::vector<uint32_t>({pair(0, 'b'), pair(0, 'd'), pair(0, 'f'),
                                                       pair(1, 'a'), pair(1, 'c'), pair(1, 'e')}));
    test_list unstable(items);
    unstable.sort(comparator);
    EXPECT_EQ(items_of(unstable),
              std::vector<uint32_t>({pair(0, 'd'), pair(0, 'f'), pair(0, 'b'), pair(1, 'a'),
                                     pair(1, 'e'), pair(1, 'c')}));
}

// Records which positions of the list's storage each compare receives.
class position_recorder final : public varo::list_base_t<uint32_t>::item_comparator {
public:
    explicit position_recorder(const varo_test::u32_list& list) : list_(list) {}
    int32_t compare(const uint32_t& a, const uint32_t& b) override {
        const uint32_t* base = list_.storage().data();
        trace.push_back(cmp(static_cast<uint32_t>(&a - base), static_cast<uint32_t>(&b - base)));
        return a < b ? -1 : (a > b ? 1 : 0);
    }
    trace_t trace;

private:
    const varo_test::u32_list& list_;
};

TEST_F(sorting_test, list_sort_compares_items_in_place_with_the_quick_sort_trace) {
    test_list list({3, 1, 4, 1, 5});
    position_recorder comparator(list);
    list.sort(comparator);
    EXPECT_EQ(comparator.trace, trace_t({cmp(0, 2), cmp(0, 4), cmp(2, 4), cmp(0, 4), cmp(1, 4),
                                         cmp(2, 4), cmp(3, 4), cmp(0, 1), cmp(0, 2), cmp(1, 2)}));
    EXPECT_EQ(items_of(list), std::vector<uint32_t>({1, 1, 3, 4, 5}));
}

TEST_F(sorting_test, index_tiebreak_orders_equal_items_by_starting_position) {
    recording_sort inner({5, 5, 3});
    varo::index_tiebreak_callback tiebreak(inner, 3);
    EXPECT_EQ(tiebreak.compare(0, 1), -1);
    EXPECT_EQ(tiebreak.compare(1, 0), 1);
    EXPECT_EQ(tiebreak.compare(0, 0), 0);
    EXPECT_GT(tiebreak.compare(0, 2), 0);
    EXPECT_LT(tiebreak.compare(2, 1), 0);
    tiebreak.swap(0, 1); // the indexes travel with their items
    EXPECT_EQ(tiebreak.compare(0, 1), 1);
    EXPECT_EQ(inner.trace, trace_t({cmp(0, 1), cmp(1, 0), cmp(0, 0), cmp(0, 2), cmp(2, 1),
                                    swp(0, 1), cmp(0, 1)}));
}

TEST_F(sorting_test, allocation_sort_none_stable_sort_one_exact_index_array) {
    std::vector<uint32_t> items(1000);
    std::mt19937 rng(3);
    for (uint32_t& x : items)
        x = rng() % 50;
    by_number comparator;
    test_list list(items);
    hook::reset();
    list.sort(comparator);
    EXPECT_EQ(hook::requests(), 0u);

    list.stable_sort(comparator);
    EXPECT_EQ(hook::requests(), 1u);
    EXPECT_EQ(hook::largest_request(), 4000u);
    EXPECT_EQ(hook::live_blocks(), 0);

    test_list empty({});
    hook::reset();
    empty.stable_sort(comparator);
    EXPECT_EQ(hook::requests(), 0u);
}

TEST_F(sorting_test, stable_sort_refused_index_array_leaves_the_list_before_any_compare) {
    const std::vector<uint32_t> items = {pair(1, 'a'), pair(0, 'b'), pair(1, 'c'),
                                         pair(0, 'd'), pair(1, 'e'), pair(0, 'f')};
    test_list list(items);
    by_number comparator;
    hook::refuse_nth(1);
    try {
        list.stable_sort(comparator);
        ADD_FAILURE() << "no exception";
    } catch (const std::bad_alloc& e) {
        EXPECT_STREQ(e.what(), "bad allocation");
    }
    EXPECT_EQ(comparator.calls, 0u);
    EXPECT_EQ(items_of(list), items);
}

TEST_F(sorting_test, comparator_error_passes_and_every_item_stays) {
    std::vector<uint32_t> items(300);
    std::mt19937 rng(11);
    for (uint32_t& x : items)
        x = rng() % 4000;
    std::vector<uint32_t> sorted_items = items;
    std::sort(sorted_items.begin(), sorted_items.end());
    for (const bool stable : {false, true}) {
        for (const uint64_t fail_on : {1u, 2u, 3u, 50u, 700u, 2000u}) {
            SCOPED_TRACE(::testing::Message()
                         << (stable ? "stable" : "unstable") << ", compare " << fail_on);
            test_list list(items);
            by_number comparator;
            comparator.fail_on = fail_on;
            hook::reset();
            EXPECT_THROW(stable ? list.stable_sort(comparator) : list.sort(comparator),
                         injected_error);
            EXPECT_EQ(comparator.calls, fail_on);
            std::vector<uint32_t> after = items_of(list);
            std::sort(after.begin(), after.end());
            EXPECT_EQ(after, sorted_items);
            EXPECT_EQ(hook::live_blocks(), 0);
        }
    }
}

// Sorted results on many shapes, equal keys included; stable_sort must agree with
// std::stable_sort exactly.
TEST_F(sorting_test, sorts_agree_with_the_standard_library) {
    struct shape {
        const char* name;
        uint32_t (*key)(uint32_t i, uint32_t n, std::mt19937& rng);
    };
    const shape shapes[] = {
        {"random", [](uint32_t, uint32_t, std::mt19937& r) { return uint32_t(r() % 100000); }},
        {"few keys", [](uint32_t, uint32_t, std::mt19937& r) { return uint32_t(r() % 3); }},
        {"sorted", [](uint32_t i, uint32_t, std::mt19937&) { return i; }},
        {"reversed", [](uint32_t i, uint32_t n, std::mt19937&) { return n - i; }},
        {"equal", [](uint32_t, uint32_t, std::mt19937&) { return 7u; }},
        {"organ pipe", [](uint32_t i, uint32_t n, std::mt19937&) { return i < n / 2 ? i : n - i; }},
        {"sawtooth", [](uint32_t i, uint32_t, std::mt19937&) { return i % 17; }},
    };
    for (const shape& s : shapes) {
        for (const uint32_t n : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 13u, 100u, 1000u, 5000u}) {
            SCOPED_TRACE(::testing::Message() << s.name << ", " << n << " items");
            std::mt19937 rng(n);
            std::vector<uint32_t> items(n);
            for (uint32_t i = 0; i < n; ++i)
                items[i] = s.key(i, n, rng) << 8 | (i & 0xFF); // low byte: a tag, not compared
            by_number comparator;

            test_list unstable(items);
            unstable.sort(comparator);
            std::vector<uint32_t> got = items_of(unstable);
            ASSERT_TRUE(std::is_sorted(got.begin(), got.end(),
                                       [](uint32_t a, uint32_t b) { return a >> 8 < b >> 8; }));
            std::sort(got.begin(), got.end());
            std::vector<uint32_t> all = items;
            std::sort(all.begin(), all.end());
            ASSERT_EQ(got, all);

            test_list stable(items);
            stable.stable_sort(comparator);
            std::vector<uint32_t> expected = items;
            std::stable_sort(expected.begin(), expected.end(),
                             [](uint32_t a, uint32_t b) { return a >> 8 < b >> 8; });
            ASSERT_EQ(items_of(stable), expected);
        }
    }
}

} // namespace
