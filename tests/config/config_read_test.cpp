// Reading the configuration stream: the host reader operations used, damaged and foreign
// records, and how records find their variables.

#include "config_test_support.h"

#include <stdexcept>

using namespace config_test;

namespace {

using strings = std::vector<std::string>;
using values = std::vector<uint32_t>;

const GUID& store_id = cfg_playlist_order_guid;

using store_read_test = store_test;

TEST_F(store_read_test, uses_read_for_headers_read_exact_for_sizes_skip_exact_for_foreign_records) {
    const bytes stream = join({record(guid_foreign, {}), record(guid_foreign, bytes(5, 0xEE)),
                               record(store_id, join({list_payload({2, 0}), le32(0xDDDDDDDD)}))});
    const read_result r = read_config(stream);
    EXPECT_EQ(r.result, outcome::none);
    EXPECT_EQ(values_of(cfg_playlist_order), (values{2, 0}));
    // The store reads count and values through the limited reader, whose reads reach the
    // host as plain reads; the 4 surplus bytes are passed over the same way.
    EXPECT_EQ(r.calls, (strings{"read(16)=16", "read_exact(4)", "skip_exact(0)", //
                                "read(16)=16", "read_exact(4)", "skip_exact(5)", //
                                "read(16)=16", "read_exact(4)", "read(4)=4",     //
                                "read(4)=4", "read(4)=4", "read(4)=4", "read(16)=0"}));
    EXPECT_EQ(r.position, stream.size());
}

TEST_F(store_read_test, stream_shorter_than_a_guid_ends_reading_quietly) {
    const bytes whole = record(store_id, list_payload({4}));
    for (size_t length = 0; length < 16; ++length) {
        SCOPED_TRACE(std::to_string(length) + " bytes");
        assign_values(cfg_playlist_order, {7, 8, 9});
        const read_result r = read_config(bytes(whole.begin(), whole.begin() + length));
        EXPECT_EQ(r.result, outcome::none);
        EXPECT_EQ(r.calls, (strings{"read(16)=" + std::to_string(length)}));
        EXPECT_EQ(values_of(cfg_playlist_order), (values{7, 8, 9}));
    }
}

// Every way a stream can be damaged, with the store and a second list (the witness) in the
// variable list. A witness record placed after a damaged one shows that reading went on
// from the next record's first byte.
class damaged_stream_test : public own_registry {
protected:
    void SetUp() override {
        isolate_ = false;
        own_registry::SetUp();
        ASSERT_EQ(cfg_var_list_head, &cfg_playlist_order);
        witness = &add_list(guid_c, {100});
        assign_values(cfg_playlist_order, {7, 8, 9});
        varo::alloc_hook::reset();
    }
    void TearDown() override {
        own_registry::TearDown();
        cfg_playlist_order.clear();
    }

    u32_list* witness = nullptr;
};

const bytes witness_record = record(guid_c, list_payload({41, 42}));
const values unchanged = {7, 8, 9};
const values witness_before = {100};
const values witness_read = {41, 42};

struct damaged_case {
    const char* name;
    bytes stream;
    outcome reaches_caller;
    values store;
    values witness;
};

TEST_F(damaged_stream_test, each_case_reports_its_error_and_leaves_its_store) {
    const damaged_case cases[] = {
        {"empty stream", {}, outcome::none, unchanged, witness_before},
        {"exactly 16 bytes: the size cannot be read", guid_bytes(store_id),
         outcome::host_stream_end, unchanged, witness_before},
        {"header cut inside the size", join({guid_bytes(store_id), {12, 0}}),
         outcome::host_stream_end, unchanged, witness_before},
        {"header announcing a payload that is missing", record_claiming(store_id, 12, {}),
         outcome::io_truncation, unchanged, witness_before},
        {"foreign record with empty payload", join({record(guid_foreign, {}), witness_record}),
         outcome::none, unchanged, witness_read},
        {"foreign record with payload", join({record(guid_foreign, bytes(9, 1)), witness_record}),
         outcome::none, unchanged, witness_read},
        {"foreign record running past the end",
         join({witness_record, record_claiming(guid_foreign, 10, bytes(4, 1))}),
         outcome::host_stream_end, unchanged, witness_read},
        {"count 0 empties the store",
         join({record(store_id, list_payload({})), witness_record}),
         outcome::none,
         {},
         witness_read},
        {"payload of 1 byte", join({record(store_id, {1}), witness_record}), outcome::none,
         unchanged, witness_read},
        {"payload of 2 bytes", join({record(store_id, {1, 0}), witness_record}), outcome::none,
         unchanged, witness_read},
        {"payload of 3 bytes", join({record(store_id, {1, 0, 0}), witness_record}), outcome::none,
         unchanged, witness_read},
        {"count 2 with one value",
         join({record(store_id, {2, 0, 0, 0, 7, 0, 0, 0}), witness_record}),
         outcome::none,
         {},
         witness_read},
        {"count beyond what the payload holds",
         join({record(store_id, join({le32(3), le32(1), le32(2), {9, 9, 9}})), witness_record}),
         outcome::none,
         {},
         witness_read},
        {"count 1 with 4 surplus bytes",
         join({record(store_id, join({list_payload({5}), le32(6)})), witness_record}),
         outcome::none,
         {5},
         witness_read},
        {"count 1 with 600 surplus bytes",
         join({record(store_id, join({list_payload({5}), bytes(600, 0xEE)})), witness_record}),
         outcome::none,
         {5},
         witness_read},
        {"two store records: the later one wins",
         join({record(store_id, list_payload({1})), witness_record,
               record(store_id, list_payload({2, 3}))}),
         outcome::none,
         {2, 3},
         witness_read},
        {"values running past the end",
         join({witness_record, record_claiming(store_id, 12, join({le32(2), le32(1)}))}),
         outcome::io_truncation,
         {},
         witness_read},
        {"surplus running past the end",
         join({witness_record, record_claiming(store_id, 12, list_payload({5}))}),
         outcome::io_truncation,
         {5},
         witness_read},
        {"no record for the store", witness_record, outcome::none, unchanged, witness_read},
        {"a partial header after the last record", join({witness_record, bytes(15, 0x38)}),
         outcome::none, unchanged, witness_read},
    };
    for (const damaged_case& c : cases) {
        SCOPED_TRACE(c.name);
        assign_values(cfg_playlist_order, unchanged);
        assign_values(*witness, witness_before);
        const read_result r = read_config(c.stream);
        EXPECT_EQ(r.result, c.reaches_caller);
        EXPECT_EQ(values_of(cfg_playlist_order), c.store);
        EXPECT_EQ(values_of(*witness), c.witness);
    }
}

// A 24-byte record whose count could never fit its payload is passed over without asking
// the heap for the count's storage.
TEST_F(damaged_stream_test, huge_count_in_short_record_empties_store_without_allocating) {
    const uint32_t counts[] = {0x40000000u, 0x20000000u, 0xFFFFFFFFu};
    for (uint32_t count : counts) {
        SCOPED_TRACE("count " + std::to_string(count));
        assign_values(cfg_playlist_order, unchanged);
        assign_values(*witness, witness_before);
        varo::alloc_hook::reset();

        const bytes damaged = record(store_id, le32(count));
        ASSERT_EQ(damaged.size(), 24u);
        const read_result r = read_config(join({damaged, witness_record}));

        EXPECT_EQ(r.result, outcome::none);
        EXPECT_EQ(values_of(cfg_playlist_order), values{});
        EXPECT_EQ(values_of(*witness), witness_read);
        EXPECT_EQ(varo::alloc_hook::refusals(), 0u);
        // Emptying the store and filling the witness need a few bytes each.
        EXPECT_LE(varo::alloc_hook::largest_request(), 64u);
        RecordProperty("largest_request_count_" + std::to_string(count),
                       std::to_string(varo::alloc_hook::largest_request()));
    }
}

// What the reader holds follows the bytes the stream delivers, not what a record claims:
// the largest heap request and the most bytes live at once while read_config runs.
TEST_F(damaged_stream_test, memory_follows_the_bytes_the_stream_delivers) {
    const uint32_t many = 100000;
    values long_list(many);
    bytes long_payload = le32(many);
    for (uint32_t i = 0; i < many; ++i) {
        long_list[i] = i * 7;
        const bytes b = le32(long_list[i]);
        long_payload.insert(long_payload.end(), b.begin(), b.end());
    }
    const uint32_t k29 = 1u << 29;
    const uint32_t k28 = 1u << 28;

    struct memory_case {
        const char* name;
        bytes stream;
        outcome reaches_caller;
        values store;
        uint64_t most_bytes; // bound for the largest request and the most live bytes
        strings calls;       // the host calls, where the case pins them
    };
    const memory_case cases[] = {
        {"28 bytes claiming 2^29 values",
         record_claiming(store_id, 4 + 4 * k29, join({le32(k29), le32(5)})),
         outcome::io_truncation,
         {},
         1023,
         {"read(16)=16", "read_exact(4)", "read(4)=4", "read(4)=4", "read(4)=0", "read(256)=0"}},
        {"2^28 values claimed, then a valid record",
         join({record_claiming(store_id, 4 + 4 * k28, le32(k28)), witness_record}),
         outcome::io_truncation,
         {},
         1023,
         {}},
        {"a valid record of 100,000 values", record(store_id, long_payload), outcome::none,
         long_list, 2 * 4 * many + 4096, strings{}},
    };
    for (const memory_case& c : cases) {
        SCOPED_TRACE(c.name);
        assign_values(cfg_playlist_order, unchanged);
        assign_values(*witness, witness_before);
        varo::alloc_hook::reset();
        const read_result r = read_config(c.stream);
        EXPECT_EQ(r.result, c.reaches_caller);
        EXPECT_EQ(values_of(cfg_playlist_order), c.store);
        EXPECT_EQ(values_of(*witness), witness_before);
        if (!c.calls.empty()) {
            EXPECT_EQ(r.calls, c.calls);
        }
        EXPECT_LE(varo::alloc_hook::largest_request(), c.most_bytes);
        EXPECT_LE(varo::alloc_hook::peak_live_bytes(), static_cast<int64_t>(c.most_bytes));
        RecordProperty(std::string(c.name) + ": largest request",
                       std::to_string(varo::alloc_hook::largest_request()));
        RecordProperty(std::string(c.name) + ": most live bytes",
                       std::to_string(varo::alloc_hook::peak_live_bytes()));
    }
}

TEST_F(damaged_stream_test, bad_alloc_inside_the_store_reaches_caller_and_stops_reading) {
    // The witness record before the store's is applied; the one after is not reached.
    const bytes stream = join({record(guid_c, list_payload({1})),
                               record(store_id, list_payload({1, 2, 3, 4, 5})), witness_record});
    varo::alloc_hook::refuse_nth(1); // the store's block for 5 values; its own holds 4
    const read_result r = read_config(stream);
    EXPECT_EQ(r.result, outcome::bad_alloc);
    EXPECT_EQ(varo::alloc_hook::refusals(), 1u);
    EXPECT_EQ(values_of(cfg_playlist_order), unchanged);
    EXPECT_EQ(values_of(*witness), (values{1}));
}

// Reading with variables of the test's own.
using list_read_test = own_registry;

TEST_F(list_read_test, variable_gets_payload_size_and_bytes) {
    recording_var& var = add_recording(guid_a);
    const read_result r = read_config(record(guid_a, {1, 2, 3, 4, 5}));
    EXPECT_EQ(r.result, outcome::none);
    EXPECT_EQ(var.sizes_seen, (std::vector<uint32_t>{5}));
    EXPECT_EQ(var.received, (std::vector<bytes>{{1, 2, 3, 4, 5}}));
}

TEST_F(list_read_test, unread_payload_is_skipped_in_reads_of_at_most_256_bytes) {
    recording_var& skipping = add_recording(guid_a);
    skipping.consume = 0;
    recording_var& next = add_recording(guid_b);
    const read_result r =
        read_config(join({record(guid_a, bytes(600, 0xAA)), record(guid_b, {9})}));
    EXPECT_EQ(r.result, outcome::none);
    EXPECT_EQ(r.calls,
              (strings{"read(16)=16", "read_exact(4)", "read(256)=256", "read(256)=256",
                       "read(88)=88", "read(16)=16", "read_exact(4)", "read(1)=1", "read(16)=0"}));
    EXPECT_EQ(skipping.sizes_seen, (std::vector<uint32_t>{600}));
    EXPECT_EQ(next.received, (std::vector<bytes>{{9}}));
}

TEST_F(list_read_test, data_error_from_variable_is_dropped_and_rest_of_payload_skipped) {
    recording_var& failing = add_recording(guid_a);
    failing.consume = 2;
    failing.after_set_data = [] { throw velmora_io::exception_io_data(); };
    recording_var& next = add_recording(guid_b);
    const read_result r = read_config(join({record(guid_a, bytes(10, 0xAA)), record(guid_b, {9})}));
    EXPECT_EQ(r.result, outcome::none);
    EXPECT_EQ(failing.received, (std::vector<bytes>{{0xAA, 0xAA}}));
    EXPECT_EQ(next.received, (std::vector<bytes>{{9}}));
}

TEST_F(list_read_test, other_error_from_variable_reaches_caller_and_stops_reading) {
    recording_var& failing = add_recording(guid_a);
    failing.after_set_data = [] { throw std::runtime_error("variable failed"); };
    recording_var& next = add_recording(guid_b);
    const read_result r = read_config(join({record(guid_a, {1}), record(guid_b, {9})}));
    EXPECT_EQ(r.result, outcome::other);
    EXPECT_TRUE(next.received.empty());
}

TEST_F(list_read_test, record_matches_only_a_variable_with_all_sixteen_bytes_equal) {
    const GUID id = {0x11223344, 0x5566, 0x7788, {0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x00}};
    recording_var& var = add_recording(id);
    const bytes big_endian_fields = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88,
                                     0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x00};
    bytes last_byte_differs = guid_bytes(id);
    last_byte_differs[15] = 0x01;

    const read_result r = read_config(join({big_endian_fields,
                                            le32(1),
                                            {0xE1}, //
                                            last_byte_differs,
                                            le32(1),
                                            {0xE2},                                          //
                                            {0x44, 0x33, 0x22, 0x11, 0x66, 0x55, 0x88, 0x77, //
                                             0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x00},
                                            le32(1),
                                            {0xE3}}));
    EXPECT_EQ(r.result, outcome::none);
    EXPECT_EQ(var.received, (std::vector<bytes>{{0xE3}}));
    EXPECT_EQ(r.calls, (strings{"read(16)=16", "read_exact(4)", "skip_exact(1)", "read(16)=16",
                                "read_exact(4)", "skip_exact(1)", "read(16)=16", "read_exact(4)",
                                "read(1)=1", "read(16)=0"}));
}

TEST_F(list_read_test, variable_without_record_keeps_its_value) {
    u32_list& kept = add_list(guid_a, {4, 5});
    u32_list& read = add_list(guid_b, {1});
    EXPECT_EQ(read_config(record(guid_b, list_payload({6}))).result, outcome::none);
    EXPECT_EQ(values_of(kept), (values{4, 5}));
    EXPECT_EQ(values_of(read), (values{6}));
}

TEST_F(list_read_test, variables_sharing_a_guid_are_both_written_but_only_the_newest_is_read) {
    recording_var& older = add_recording(guid_a, {0x01});
    recording_var& newer = add_recording(guid_a, {0x02, 0x02});
    const write_result w = write_config();
    ASSERT_EQ(w.result, outcome::none);
    EXPECT_EQ(w.stream, join({record(guid_a, {0x02, 0x02}), record(guid_a, {0x01})}));

    EXPECT_EQ(read_config(w.stream).result, outcome::none);
    EXPECT_EQ(newer.received, (std::vector<bytes>{{0x02, 0x02}, {0x01}}));
    EXPECT_TRUE(older.received.empty());
}

} // namespace
