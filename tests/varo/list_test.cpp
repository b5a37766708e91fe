#include <cstdint>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "test_doubles.h"
#include "varo/bit_array_not.h"
#include "varo/list.h"

namespace {

using varo_test::hooked;
using varo_test::injected_error;
using varo_test::items_of;
using varo_test::recording_mask;
using varo_test::test_list;
using find_call = recording_mask::find_call;
using items = std::vector<uint32_t>;
namespace hook = varo::alloc_hook;

class list_ops_test : public hooked {};

// ---- keep_masked -------------------------------------------------------------------------

struct keep_case {
    const char* name;
    items before;
    std::vector<bool> bits;
    items after;
    std::vector<find_call> finds;
};

TEST_F(list_ops_test, keep_masked_keeps_true_items_with_the_exact_find_sequence) {
    const keep_case cases[] = {
        {"bits 1 and 3",
         {10, 11, 12, 13, 14},
         {false, true, false, true, false},
         {11, 13},
         {{false, 0, 5}, {true, 1, 4}, {true, 2, 3}, {true, 4, 1}}},
        {"all true: one find", {1, 2, 3}, {true, true, true}, {1, 2, 3}, {{false, 0, 3}}},
        {"all false", {1, 2, 3}, {false, false, false}, {}, {{false, 0, 3}, {true, 1, 2}}},
        {"empty list", {}, {}, {}, {{false, 0, 0}}},
        {"last dropped", {1, 2, 3}, {true, true, false}, {1, 2}, {{false, 0, 3}, {true, 3, 0}}},
        {"first dropped",
         {1, 2, 3},
         {false, true, true},
         {2, 3},
         {{false, 0, 3}, {true, 1, 2}, {true, 2, 1}, {true, 3, 0}}},
        {"alternating",
         {0, 1, 2, 3, 4, 5, 6, 7},
         {true, false, true, false, true, false, true, false},
         {0, 2, 4, 6},
         {{false, 0, 8}, {true, 2, 6}, {true, 3, 5}, {true, 5, 3}, {true, 7, 1}}},
    };
    for (const bool none_is_max : {false, true}) {
        for (const keep_case& c : cases) {
            SCOPED_TRACE(::testing::Message() << c.name << (none_is_max ? ", none = ~0" : ""));
            test_list list(c.before);
            const uint32_t capacity = list.storage().capacity();
            recording_mask mask(c.bits, none_is_max);
            hook::reset();
            list.keep_masked(mask);
            EXPECT_EQ(items_of(list), c.after);
            EXPECT_EQ(mask.finds, c.finds);
            EXPECT_EQ(mask.gets, 0u) << "the mask is consulted through find only";
            if (c.after == c.before) {
                EXPECT_EQ(hook::requests(), 0u);
                EXPECT_EQ(list.storage().capacity(), capacity);
            }
        }
    }
}

TEST_F(list_ops_test, store_removal_through_bit_array_not_keeps_unremoved_entries) {
    const std::vector<find_call> host_finds = {{true, 0, 3}, {false, 1, 2}, {false, 2, 1}};
    {
        test_list list({5, 6, 7});
        recording_mask removed({true, false, true});
        list.keep_masked(bit_array_not(removed));
        EXPECT_EQ(items_of(list), items({6}));
        EXPECT_EQ(removed.finds, host_finds);
    }
    {
        test_list list({5, 6, 7});
        recording_mask removed({true, false, true});
        list.keep_masked_with(bit_array_not(removed));
        EXPECT_EQ(items_of(list), items({6}));
        EXPECT_EQ(removed.finds, host_finds);
    }
}

TEST_F(list_ops_test, bit_array_not_inverts_with_one_call_each) {
    recording_mask inner({true, false, false, true});
    const bit_array_not inverted(inner);
    const struct {
        bool value;
        uint32_t start, count, result;
    } finds[] = {{true, 0, 4, 1}, {false, 0, 4, 0}, {true, 3, 1, 4}, {false, 1, 3, 3}};
    for (const auto& f : finds) {
        inner.finds.clear();
        EXPECT_EQ(inverted.find(f.value, f.start, f.count), f.result);
        EXPECT_EQ(inner.finds, std::vector<find_call>({{!f.value, f.start, f.count}}));
        EXPECT_EQ(inverted.find(f.value, f.start, f.count), inner.find(!f.value, f.start, f.count));
    }
    for (uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(inverted.get(i), !inner.get(i)) << i;
}

// A mask that answers searches for kept items with a position before where it was asked to
// look (`lie_after` truthful answers first); the filtering must neither loop nor leave the
// list, so it stops there and drops the rest.
class lying_mask final : public bit_array {
public:
    explicit lying_mask(uint32_t lie_after) : truthful_(lie_after) {}
    bool get(uint32_t) const override { return true; }
    uint32_t find(bool value, uint32_t start, uint32_t) const override {
        if (!value)
            return start; // every item from `start` on is dropped
        ++answers;
        return answers > truthful_ ? 0 : start;
    }
    mutable uint32_t answers = 0;

private:
    uint32_t truthful_;
};

TEST_F(list_ops_test, keep_masked_answer_before_the_search_start_counts_as_none) {
    const struct {
        uint32_t truthful;
        items after;
    } cases[] = {{0, {}}, {1, {11}}, {3, {11, 12, 13}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.truthful);
        test_list list({10, 11, 12, 13, 14});
        lying_mask mask(c.truthful);
        list.keep_masked(mask);
        EXPECT_EQ(items_of(list), c.after);
        EXPECT_EQ(mask.answers, c.truthful + 1);
    }
}

TEST_F(list_ops_test, keep_masked_find_error_leaves_every_item_and_the_count) {
    const struct {
        size_t fail_on;
        items after;
    } cases[] = {
        {1, {10, 11, 12, 13, 14}},
        {2, {10, 11, 12, 13, 14}},
        {3, {11, 10, 12, 13, 14}}, // one swap already made
        {4, {11, 13, 12, 10, 14}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fail_on);
        test_list list({10, 11, 12, 13, 14});
        recording_mask mask({false, true, false, true, false});
        mask.fail_on_find = c.fail_on;
        EXPECT_THROW(list.keep_masked(mask), injected_error);
        EXPECT_EQ(items_of(list), c.after);
    }
}

TEST_F(list_ops_test, keep_masked_refused_shrink_keeps_the_filtered_items_in_the_larger_block) {
    test_list list({0, 1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_EQ(list.storage().capacity(), 16u);
    recording_mask mask({true, true});
    hook::refuse_nth(1);
    EXPECT_THROW(list.keep_masked(mask), std::bad_alloc);
    EXPECT_EQ(items_of(list), items({0, 1}));
    EXPECT_EQ(list.storage().capacity(), 16u);
}

// ---- insert_list -------------------------------------------------------------------------

// A source that writes its items through read_item and records where each one went.
class recording_source final : public varo::list_base_const_t<uint32_t> {
public:
    explicit recording_source(items values) : values_(std::move(values)) {}
    uint32_t item_count() const override { return static_cast<uint32_t>(values_.size()); }
    void read_item(uint32_t& out, uint32_t index) const override {
        reads.push_back({&out, index});
        if (fail_on_read != 0 && reads.size() == fail_on_read)
            throw injected_error();
        out = values_.at(index);
    }

    struct read {
        const uint32_t* out;
        uint32_t index;
    };
    mutable std::vector<read> reads;
    size_t fail_on_read = 0; // 1-based; 0 never fails

private:
    items values_;
};

TEST_F(list_ops_test, insert_list_inserts_in_order_and_returns_the_first_position) {
    const struct {
        items list, source;
        uint32_t index;
        items after;
        uint32_t returned;
    } cases[] = {
        {{1, 2, 3}, {8, 9}, 1, {1, 8, 9, 2, 3}, 1},
        {{1, 2, 3}, {8, 9}, 7, {1, 2, 3, 8, 9}, 3},
        {{1, 2, 3}, {8, 9}, 3, {1, 2, 3, 8, 9}, 3},
        {{1, 2, 3}, {8, 9}, 0, {8, 9, 1, 2, 3}, 0},
        {{1, 2, 3}, {}, 1, {1, 2, 3}, 1},
        {{1, 2, 3}, {}, 9, {1, 2, 3}, 3},
        {{}, {8, 9}, 5, {8, 9}, 0},
        {{1, 2, 3, 4, 5}, {7}, 2, {1, 2, 7, 3, 4, 5}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "at " << c.index << " of " << c.list.size() << " + " << c.source.size());
        test_list list(c.list);
        const test_list source(c.source);
        EXPECT_EQ(list.insert_list(source, c.index), c.returned);
        EXPECT_EQ(items_of(list), c.after);
        EXPECT_EQ(items_of(source), c.source);

        test_list list2(c.list);
        recording_source recorder(c.source);
        EXPECT_EQ(list2.insert_list(recorder, c.index), c.returned);
        EXPECT_EQ(items_of(list2), c.after);
        ASSERT_EQ(recorder.reads.size(), c.source.size());
        for (uint32_t j = 0; j < recorder.reads.size(); ++j) {
            EXPECT_EQ(recorder.reads[j].index, j);
            EXPECT_EQ(recorder.reads[j].out, &list2[c.returned + j])
                << "read_item writes straight into the list's storage";
        }
    }
}

TEST_F(list_ops_test, insert_list_of_the_list_itself_inserts_a_copy_of_the_old_items) {
    for (uint32_t n = 0; n <= 6; ++n) {
        for (uint32_t index = 0; index <= n + 1; ++index) {
            SCOPED_TRACE(::testing::Message() << n << " items, at " << index);
            items old;
            for (uint32_t i = 0; i < n; ++i)
                old.push_back(100 + i);
            test_list list(old);
            const uint32_t at = index > n ? n : index;
            items expected(old.begin(), old.begin() + at);
            expected.insert(expected.end(), old.begin(), old.end());
            expected.insert(expected.end(), old.begin() + at, old.end());
            EXPECT_EQ(list.insert_list(list, index), at);
            EXPECT_EQ(items_of(list), expected);
        }
    }
}

TEST_F(list_ops_test, insert_list_refused_growth_changes_nothing) {
    test_list list({1, 2, 3});
    ASSERT_EQ(list.storage().capacity(), 4u);
    recording_source source({8, 9});
    hook::refuse_nth(1);
    try {
        list.insert_list(source, 1);
        ADD_FAILURE() << "no exception";
    } catch (const std::bad_alloc& e) {
        EXPECT_STREQ(e.what(), "bad allocation");
    }
    EXPECT_EQ(items_of(list), items({1, 2, 3}));
    EXPECT_EQ(list.storage().capacity(), 4u);
    EXPECT_TRUE(source.reads.empty());
}

TEST_F(list_ops_test, insert_list_source_error_leaves_the_new_count_and_written_items) {
    test_list list({1, 2, 3});
    recording_source source({8, 9, 7});
    source.fail_on_read = 2;
    EXPECT_THROW(list.insert_list(source, 1), injected_error);
    ASSERT_EQ(list.item_count(), 6u);
    EXPECT_EQ(list[0], 1u);
    EXPECT_EQ(list[1], 8u);
    EXPECT_EQ(list[4], 2u);
    EXPECT_EQ(list[5], 3u);
}

// ---- insert_one --------------------------------------------------------------------------

TEST_F(list_ops_test, insert_one_inserts_before_index_or_appends) {
    const struct {
        items list;
        uint32_t value, index;
        items after;
    } cases[] = {
        {{1, 2}, 4, 10, {1, 2, 4}}, {{1, 2}, 4, 2, {1, 2, 4}}, {{1, 2}, 4, 1, {1, 4, 2}},
        {{1, 2}, 4, 0, {4, 1, 2}},  {{}, 7, 0, {7}},           {{}, 7, 3, {7}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "insert " << c.value << " at " << c.index);
        test_list list(c.list);
        list.insert_one(c.value, c.index);
        EXPECT_EQ(items_of(list), c.after);
    }
}

TEST_F(list_ops_test, insert_one_of_an_item_of_the_same_list_inserts_its_old_value) {
    test_list list({5, 6});
    ASSERT_EQ(list.storage().capacity(), 2u); // the insert reallocates
    list.insert_one(list[1], 0);
    EXPECT_EQ(items_of(list), items({6, 5, 6}));
    list.insert_one(list[0], 3);
    EXPECT_EQ(items_of(list), items({6, 5, 6, 6}));
}

TEST_F(list_ops_test, insert_one_refused_growth_changes_nothing) {
    test_list list({1, 2});
    hook::refuse_nth(1);
    EXPECT_THROW(list.insert_one(3, 0), std::bad_alloc);
    EXPECT_EQ(items_of(list), items({1, 2}));
    EXPECT_EQ(list.storage().capacity(), 2u);
}

// ---- item access -------------------------------------------------------------------------

TEST_F(list_ops_test, item_operations_through_the_interface) {
    test_list list({1, 2, 3, 4});
    varo::list_base_t<uint32_t>& ops = list;
    EXPECT_EQ(ops.item_count(), 4u);
    uint32_t out = 0;
    ops.read_item(out, 2);
    EXPECT_EQ(out, 3u);

    ops.set_item(0, 9);
    EXPECT_EQ(items_of(list), items({9, 2, 3, 4}));

    uint32_t value = 42;
    ops.exchange_item(1, value);
    EXPECT_EQ(value, 2u);
    EXPECT_EQ(items_of(list), items({9, 42, 3, 4}));

    ops.swap_positions(0, 3);
    EXPECT_EQ(items_of(list), items({4, 42, 3, 9}));
    ops.swap_positions(2, 2);
    EXPECT_EQ(items_of(list), items({4, 42, 3, 9}));
}

TEST_F(list_ops_test, clear_frees_the_storage) {
    test_list list({1, 2, 3, 4, 5});
    ASSERT_EQ(hook::live_blocks(), 1);
    list.clear();
    EXPECT_EQ(hook::live_blocks(), 0);
    EXPECT_EQ(list.item_count(), 0u);
    EXPECT_EQ(list.storage().capacity(), 0u);
    EXPECT_EQ(list.storage().data(), nullptr);
}

} // namespace
