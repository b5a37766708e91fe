// What write_config produces, read_config restores.

#include "config_test_support.h"

using namespace config_test;

namespace {

using values = std::vector<uint32_t>;

using store_round_trip_test = store_test;

TEST_F(store_round_trip_test, reading_what_was_written_restores_the_store) {
    for (uint32_t count : {0u, 1u, 2u, 100000u}) {
        SCOPED_TRACE(std::to_string(count) + " entries");
        values original(count);
        for (uint32_t i = 0; i < count; ++i)
            original[i] = i * 2654435761u; // every byte position varies
        assign_values(cfg_playlist_order, original);

        const write_result w = write_config();
        ASSERT_EQ(w.result, outcome::none);
        EXPECT_EQ(w.stream.size(), 24u + 4u * count);

        assign_values(cfg_playlist_order, {0xDEAD, 0xBEEF, 0xF00D});
        const read_result r = read_config(w.stream);
        EXPECT_EQ(r.result, outcome::none);
        EXPECT_EQ(r.position, w.stream.size());
        EXPECT_TRUE(values_of(cfg_playlist_order) == original);
    }
}

TEST_F(store_round_trip_test, nothing_is_left_allocated_beyond_the_store) {
    assign_values(cfg_playlist_order, values(5000, 3));
    const write_result w = write_config();
    ASSERT_EQ(w.result, outcome::none);
    cfg_playlist_order.clear();
    varo::alloc_hook::reset();
    EXPECT_EQ(read_config(w.stream).result, outcome::none);
    EXPECT_EQ(varo::alloc_hook::live_blocks(), 1); // the store's own block
    cfg_playlist_order.clear();
    EXPECT_EQ(varo::alloc_hook::live_blocks(), 0);
}

using list_round_trip_test = own_registry;

TEST_F(list_round_trip_test, every_variable_gets_its_own_value_back) {
    u32_list& first = add_list(guid_a, {1, 2, 3});
    u32_list& second = add_list(guid_b, {});
    u32_list& third = add_list(guid_c, {0xFFFFFFFF});
    const write_result w = write_config();
    ASSERT_EQ(w.result, outcome::none);

    assign_values(first, {9});
    assign_values(second, {9, 9});
    third.clear();
    EXPECT_EQ(read_config(w.stream).result, outcome::none);
    EXPECT_EQ(values_of(first), (values{1, 2, 3}));
    EXPECT_EQ(values_of(second), values{});
    EXPECT_EQ(values_of(third), (values{0xFFFFFFFF}));
}

TEST_F(list_round_trip_test, destroyed_list_holds_no_storage) {
    {
        u32_list list(guid_a);
        assign_values(list, values(300, 1));
        EXPECT_EQ(varo::alloc_hook::live_blocks(), 1);
        cfg_var_list_head = nullptr; // the list must not name a destroyed variable
    }
    EXPECT_EQ(varo::alloc_hook::live_blocks(), 0);
}

} // namespace
