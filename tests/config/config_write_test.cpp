// Writing the configuration stream: the record bytes, the host write calls, the one payload
// buffer, and what errors leave behind.

#include "config_test_support.h"

#include <stdexcept>

using namespace config_test;

namespace {

using strings = std::vector<std::string>;

const bytes store_guid_bytes = {0xF8, 0x4C, 0x84, 0x38, 0xAE, 0x9F, 0xD0, 0x4E,
                                0xB6, 0xC7, 0x28, 0xE8, 0xB7, 0x1F, 0xCC, 0x4D};

using store_write_test = store_test;

TEST_F(store_write_test, two_values_give_the_worked_example_record) {
    assign_values(cfg_playlist_order, {2, 0});
    const write_result w = write_config();
    ASSERT_EQ(w.result, outcome::none);
    const bytes expected = join({store_guid_bytes,
                                 {0x0C, 0x00, 0x00, 0x00},
                                 {0x02, 0x00, 0x00, 0x00},
                                 {0x02, 0x00, 0x00, 0x00},
                                 {0x00, 0x00, 0x00, 0x00}});
    EXPECT_EQ(w.stream, expected);
    EXPECT_EQ(w.calls, (strings{"write(16)", "write(4)", "write(12)"}));
    EXPECT_EQ(values_of(cfg_playlist_order), (std::vector<uint32_t>{2, 0}));
}

TEST_F(store_write_test, empty_store_gives_twenty_four_byte_record) {
    const write_result w = write_config();
    ASSERT_EQ(w.result, outcome::none);
    EXPECT_EQ(w.stream, join({store_guid_bytes, {0x04, 0, 0, 0}, {0, 0, 0, 0}}));
    EXPECT_EQ(w.calls, (strings{"write(16)", "write(4)", "write(4)"}));
}

TEST_F(store_write_test, values_are_little_endian_in_list_order) {
    assign_values(cfg_playlist_order, {0x01020304, 0xFFFFFFFF, 7});
    const write_result w = write_config();
    ASSERT_EQ(w.result, outcome::none);
    EXPECT_EQ(w.stream, join({store_guid_bytes,
                              {16, 0, 0, 0},
                              {3, 0, 0, 0},
                              {0x04, 0x03, 0x02, 0x01},
                              {0xFF, 0xFF, 0xFF, 0xFF},
                              {7, 0, 0, 0}}));
}

TEST_F(store_write_test, payload_buffer_is_freed_after_writing) {
    assign_values(cfg_playlist_order, std::vector<uint32_t>(1000, 5));
    varo::alloc_hook::reset();
    ASSERT_EQ(write_config().result, outcome::none);
    EXPECT_GT(varo::alloc_hook::requests(), 0u);
    EXPECT_EQ(varo::alloc_hook::live_blocks(), 0);
}

using list_write_test = own_registry;

TEST_F(list_write_test, guid_fields_are_little_endian_and_last_eight_bytes_as_they_stand) {
    add_recording({0x11223344, 0x5566, 0x7788, {0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x00}});
    const write_result w = write_config();
    ASSERT_EQ(w.result, outcome::none);
    ASSERT_EQ(w.stream.size(), 20u);
    EXPECT_EQ(bytes(w.stream.begin(), w.stream.begin() + 16),
              (bytes{0x44, 0x33, 0x22, 0x11, 0x66, 0x55, 0x88, 0x77, 0x99, 0xAA, 0xBB, 0xCC, 0xDD,
                     0xEE, 0xFF, 0x00}));
}

TEST_F(list_write_test, empty_payload_gives_twenty_bytes_in_two_calls) {
    add_recording(guid_a);
    const write_result w = write_config();
    ASSERT_EQ(w.result, outcome::none);
    EXPECT_EQ(w.stream, join({guid_bytes(guid_a), le32(0)}));
    EXPECT_EQ(w.calls, (strings{"write(16)", "write(4)"}));
}

TEST_F(list_write_test, no_variables_writes_nothing_and_takes_no_memory) {
    const write_result w = write_config();
    EXPECT_EQ(w.result, outcome::none);
    EXPECT_TRUE(w.calls.empty());
    EXPECT_EQ(varo::alloc_hook::requests(), 0u);
}

TEST_F(list_write_test, variables_are_written_newest_first) {
    add_recording(guid_a, {0xA1});
    add_recording(guid_b);
    add_recording(guid_c, {0xC1, 0xC2, 0xC3});
    const write_result w = write_config();
    ASSERT_EQ(w.result, outcome::none);
    EXPECT_EQ(w.stream, join({record(guid_c, {0xC1, 0xC2, 0xC3}), record(guid_b, {}),
                              record(guid_a, {0xA1})}));
    EXPECT_EQ(w.calls, (strings{"write(16)", "write(4)", "write(3)", "write(16)", "write(4)",
                                "write(16)", "write(4)", "write(1)"}));
}

TEST_F(list_write_test, one_payload_buffer_grows_only_past_its_largest_payload) {
    // Constructed oldest first, so written in the reverse order: 10, 3, 16, 17, 0, 5 bytes.
    const std::vector<size_t> sizes_in_write_order = {10, 3, 16, 17, 0, 5};
    std::vector<recording_var*> vars(sizes_in_write_order.size());
    for (size_t i = sizes_in_write_order.size(); i-- > 0;)
        vars[i] = &add_recording(guid_a, bytes(sizes_in_write_order[i], 0x5A));
    varo::alloc_hook::reset();

    const write_result w = write_config();
    ASSERT_EQ(w.result, outcome::none);

    // The block grows for the first payload (to 16 bytes) and for the first one past it (to
    // 32); payloads that fit are written without asking the heap.
    std::vector<uint64_t> grew;
    for (recording_var* v : vars)
        grew.push_back(v->requests_during_get_data);
    EXPECT_EQ(grew, (std::vector<uint64_t>{1, 0, 0, 1, 0, 0}));
    // Besides those two, only the first emptying of the buffer, which takes room for a byte.
    EXPECT_EQ(varo::alloc_hook::requests(), 3u);
    EXPECT_EQ(varo::alloc_hook::largest_request(), 32u);
    EXPECT_EQ(varo::alloc_hook::live_blocks(), 0);
    EXPECT_EQ(w.stream.size(), 6 * 20u + 10 + 3 + 16 + 17 + 0 + 5);
}

// Errors while writing pass to the caller, keep what was written and free the buffer.
using list_write_error_test = own_registry;

TEST_F(list_write_error_test, refused_payload_buffer_passes_bad_alloc_and_keeps_earlier_records) {
    add_recording(guid_a, bytes(100, 0xAA)); // written second; its payload needs a new block
    add_recording(guid_b, bytes(8, 0xBB));   // written first
    const bytes first_record = record(guid_b, bytes(8, 0xBB));

    struct refusal {
        uint64_t request;
        bytes written;
    };
    // Requests in order: room for one byte when the buffer is first emptied, growth to 8
    // bytes for the first payload, growth to 128 for the second.
    const refusal cases[] = {{1, {}}, {2, {}}, {3, first_record}};
    for (const refusal& c : cases) {
        SCOPED_TRACE("refused request " + std::to_string(c.request));
        varo::alloc_hook::reset();
        varo::alloc_hook::refuse_nth(c.request);
        const write_result w = write_config();
        EXPECT_EQ(w.result, outcome::bad_alloc);
        EXPECT_EQ(varo::alloc_hook::refusals(), 1u);
        EXPECT_EQ(w.stream, c.written);
        EXPECT_EQ(varo::alloc_hook::live_blocks(), 0);
    }
}

TEST_F(list_write_error_test, failing_host_write_stops_writing_at_every_call) {
    add_recording(guid_a);                 // written second: 16, 4
    add_recording(guid_b, bytes(8, 0xBB)); // written first: 16, 4, 8
    const write_result whole = write_config();
    ASSERT_EQ(whole.result, outcome::none);
    const size_t call_sizes[] = {16, 4, 8, 16, 4};

    size_t written_before = 0;
    for (uint64_t n = 1; n <= 5; ++n) {
        SCOPED_TRACE("host write " + std::to_string(n) + " fails");
        varo::alloc_hook::reset();
        const write_result w = write_config(n);
        EXPECT_EQ(w.result, outcome::host_fault);
        EXPECT_EQ(w.stream, bytes(whole.stream.begin(), whole.stream.begin() + written_before));
        EXPECT_EQ(w.calls.size(), n + 1); // the calls made, then the fault
        EXPECT_EQ(varo::alloc_hook::live_blocks(), 0);
        written_before += call_sizes[n - 1];
    }
}

TEST_F(list_write_error_test, failing_get_data_leaves_its_record_unwritten_and_frees_buffer) {
    recording_var& failing = add_recording(guid_a, bytes(40, 0xAA)); // written second
    failing.after_get_data = [] { throw std::runtime_error("variable failed"); };
    add_recording(guid_b, {0xB1}); // written first

    const write_result w = write_config();
    EXPECT_EQ(w.result, outcome::other);
    EXPECT_EQ(w.stream, record(guid_b, {0xB1}));
    EXPECT_EQ(w.calls, (strings{"write(16)", "write(4)", "write(1)"}));
    EXPECT_EQ(varo::alloc_hook::live_blocks(), 0);
}

} // namespace
