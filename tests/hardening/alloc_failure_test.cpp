// Allocation failures: each operation that asks the heap for memory runs with its 1st,
// 2nd, ... request refused until it runs through. After every refusal std::bad_alloc must
// have reached the caller, the state must be the one promised for that failure, and no
// block may have leaked.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "hardening_fixture.h"
#include "injection.h"
#include "stream_model.h"
#include "varo/list.h"

namespace hardening {
namespace {

using bytes = std::vector<uint8_t>;

bytes concat(std::initializer_list<bytes> parts) {
    bytes out;
    for (const bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

values iota_values(uint32_t count, uint32_t step) {
    values v(count);
    for (uint32_t i = 0; i < count; ++i)
        v[i] = i * step;
    return v;
}

class allocation_failure_test : public hardening_test {};

// How reading one stream may end after a given request is refused.
struct read_expectation {
    values store;
    bool bad_alloc = false;
    bool truncation = false; // exception_io_data_truncation reached the caller instead
};

struct read_case {
    const char* name;
    values before;
    bool before_without_block; // the store has never held a block
    bytes stream;
    // What each refusal leaves, for the 1st, 2nd, ... request; the last entry is the run
    // in which no request was refused.
    std::vector<read_expectation> runs;
};

std::vector<read_case> read_cases() {
    const bytes damaged =
        concat({bytes(stream_model::store_guid_bytes, stream_model::store_guid_bytes + 16),
                {24, 0, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0}});
    return {
        {"a record that grows the store",
         {9},
         false,
         stream_model::store_record({1, 2, 3, 4, 5}),
         {{{9}, true}, {{1, 2, 3, 4, 5}}}},
        {"two records, the second larger",
         {9},
         false,
         concat({stream_model::store_record({1, 2, 3}),
                 stream_model::store_record({1, 2, 3, 4, 5, 6})}),
         // A refusal in the second record leaves what the first restored.
         {{{9}, true}, {{1, 2, 3}, true}, {{1, 2, 3, 4, 5, 6}}}},
        {"an empty record into a store that never held a block",
         {},
         true,
         stream_model::store_record({}),
         {{{}, true}, {{}}}},
        // Values cut off by the end of the stream: a block is taken for them, since the
        // store's own holds 4, then the store empties itself; a refused shrink while
        // emptying must not replace the stream's error.
        {"a record cut off among its values",
         iota_values(4, 1),
         false,
         damaged,
         {{iota_values(4, 1), true}, {{}, false, true}, {{}, false, true}}},
        // Values that fit the store's own block go straight into it: no request, and the
        // store is emptied when the stream ends among them.
        {"a record cut off among values that fit the store's block",
         iota_values(16, 1),
         false,
         damaged,
         {{{}, false, true}, {{}, false, true}}},
        // The values go into a block of their own, which the store takes over only once
        // all are read: a refusal leaves the store as it was, even where it would shrink.
        {"a record that shrinks the store",
         iota_values(16, 1),
         false,
         stream_model::store_record({7, 8}),
         {{iota_values(16, 1), true}, {{7, 8}}}},
        // Beyond 64 values the block doubles as they arrive: 64, 128, 256 values.
        {"a record whose block grows as its values arrive",
         {9},
         false,
         stream_model::store_record(iota_values(200, 3)),
         {{{9}, true}, {{9}, true}, {{9}, true}, {iota_values(200, 3)}}},
    };
}

TEST_F(allocation_failure_test, read_config) {
    for (const read_case& c : read_cases()) {
        SCOPED_TRACE(c.name);
        abort_token abort;
        bool truncation = false;
        const uint64_t points = refuse_each_allocation(
            c.name,
            [&] {
                set_store(c.before);
                if (c.before_without_block)
                    cfg_playlist_order.clear();
                truncation = false;
            },
            [&] {
                fake::fake_reader reader(c.stream, host.log);
                try {
                    component.client->read_config(reader, abort);
                } catch (const velmora_io::exception_io_data_truncation&) {
                    truncation = true;
                }
            },
            [&](const refusal_outcome& o) {
                ASSERT_LE(o.nth, c.runs.size());
                const read_expectation& want = c.runs[o.nth - 1];
                if (want.bad_alloc) {
                    expect_reported(o);
                } else {
                    EXPECT_FALSE(o.threw);
                }
                EXPECT_EQ(truncation, want.truncation);
                EXPECT_EQ(store_values(), want.store);
                EXPECT_LE(cfg_playlist_order.item_count(), cfg_playlist_order.storage().capacity());
            });
        EXPECT_EQ(points + 1, c.runs.size());
    }
}

TEST_F(allocation_failure_test, write_config_releases_its_payload_buffer_and_writes_nothing) {
    const values content = iota_values(300, 7);
    abort_token abort;
    fake::fake_writer writer(host.log);
    const uint64_t points = refuse_each_allocation(
        "write_config",
        [&] {
            set_store(content);
            writer.bytes.clear();
        },
        [&] { component.client->write_config(writer, abort); },
        [&](const refusal_outcome& o) {
            EXPECT_EQ(store_values(), content);
            if (o.refused) {
                expect_reported(o);
                // The record goes to the host only once its payload is complete.
                EXPECT_TRUE(writer.bytes.empty());
            } else {
                EXPECT_EQ(writer.bytes, stream_model::store_record(content));
            }
        });
    // The 1204-byte payload grows its buffer from 1 byte by doubling: 1, 4, 8, ..., 2048.
    EXPECT_EQ(points, 11u);
}

TEST_F(allocation_failure_test, startup_keeps_the_entries_appended_so_far) {
    host.state.playlist_count = 40;
    host.state.active_order = 3;
    const uint64_t points = refuse_each_allocation(
        "start-up, first run",
        [&] {
            set_store({});
            init_state = state_not_started;
        },
        [&] { component.startup->on_startup(); },
        [&](const refusal_outcome& o) {
            if (!o.refused) {
                EXPECT_EQ(store_values(), values(40, 3));
                EXPECT_EQ(init_state, state_running);
                return;
            }
            expect_reported(o);
            // The store grows at 1, 2, 3, 5, 9, ... entries; the refused growth is the one
            // for the entry after those already appended.
            const uint32_t appended = o.nth == 1 ? 0 : 1u << (o.nth - 2);
            EXPECT_EQ(store_values(), values(appended, 3));
            EXPECT_EQ(init_state, state_not_started);
        });
    EXPECT_EQ(points, 7u);
}

TEST_F(allocation_failure_test, startup_after_shutdown_keeps_the_flag_stopped) {
    host.state.playlist_count = 2;
    host.state.active_order = 6;
    refuse_each_allocation(
        "start-up after shut-down",
        [&] {
            set_store({1, 2, 3});
            init_state = state_stopped;
        },
        [&] { component.startup->on_startup(); },
        [&](const refusal_outcome& o) {
            if (!o.refused) {
                EXPECT_EQ(store_values(), values({6, 6}));
                EXPECT_EQ(init_state, state_running);
                return;
            }
            expect_reported(o);
            EXPECT_EQ(store_values(), values(o.nth - 1, 6)); // the old entries are gone either way
            EXPECT_EQ(init_state, state_stopped);
        });
}

TEST_F(allocation_failure_test, creation_leaves_the_store_unchanged) {
    struct creation_case {
        const char* name;
        values before;
        uint32_t index;
        values after;
        uint64_t points;
    };
    const creation_case cases[] = {
        {"full block", {0, 1, 2, 3}, 1, {0, 7, 1, 2, 3}, 1},
        {"room left in the block", {0, 1, 2}, 9, {0, 1, 2, 7}, 0},
    };
    host.state.active_order = 7;
    for (const creation_case& c : cases) {
        const uint64_t points = refuse_each_allocation(
            std::string("creation, ") + c.name,
            [&] {
                set_store(c.before);
                init_state = state_running;
            },
            [&] { component.playlist_events->playlist_created(c.index, "new", 3); },
            [&](const refusal_outcome& o) {
                if (!o.refused) {
                    EXPECT_EQ(store_values(), c.after);
                    return;
                }
                expect_reported(o);
                EXPECT_EQ(store_values(), c.before);
            });
        EXPECT_EQ(points, c.points) << c.name;
    }
}

TEST_F(allocation_failure_test, reorder_leaves_the_store_unchanged) {
    struct reorder_case {
        const char* name;
        uint32_t count;
        uint64_t points; // the flag table needs the heap only beyond 8192 positions
    };
    const reorder_case cases[] = {
        {"8192 playlists", 8192, 0},
        {"8193 playlists", 8193, 1},
        {"10000 playlists", 10000, 1},
    };
    for (const reorder_case& c : cases) {
        const values before = iota_values(c.count, 3);
        values reversed(before.rbegin(), before.rend());
        std::vector<uint32_t> order(c.count);
        for (uint32_t i = 0; i < c.count; ++i)
            order[i] = c.count - 1 - i;
        host.state.playlist_count = c.count;
        const uint64_t points = refuse_each_allocation(
            std::string("reorder, ") + c.name, [&] { set_store(before); },
            [&] { component.playlist_events->playlists_reordered(order.data(), c.count); },
            [&](const refusal_outcome& o) {
                if (!o.refused) {
                    EXPECT_EQ(store_values(), reversed);
                    return;
                }
                expect_reported(o);
                EXPECT_EQ(store_values(), before);
            });
        EXPECT_EQ(points, c.points) << c.name;
    }
}

TEST_F(allocation_failure_test, reorder_range_of_the_list_interface) {
    const values before = iota_values(8200, 1);
    std::vector<uint32_t> order(8193);
    std::iota(order.begin(), order.end(), 0u);
    std::rotate(order.begin(), order.begin() + 1, order.end());
    const uint64_t points = refuse_each_allocation(
        "reorder_range over 8193 positions", [&] { set_store(before); },
        [&] { cfg_playlist_order.reorder_range(7, order.data(), 8193); },
        [&](const refusal_outcome& o) {
            if (!o.refused) {
                EXPECT_EQ(cfg_playlist_order[7], 8u);
                EXPECT_EQ(cfg_playlist_order[7 + 8192], 7u);
                return;
            }
            expect_reported(o);
            EXPECT_EQ(store_values(), before);
        });
    EXPECT_EQ(points, 1u);
}

// Orders by the tens digit only, so that stability shows.
class by_tens final : public varo::list_base_t<unsigned int>::item_comparator {
public:
    int32_t compare(const unsigned int& a, const unsigned int& b) override {
        return static_cast<int32_t>(a / 10) - static_cast<int32_t>(b / 10);
    }
};

TEST_F(allocation_failure_test, sorts) {
    const values before = {31, 12, 30, 11, 20, 10, 32, 21};
    by_tens comparator;
    const uint64_t unstable_points = refuse_each_allocation(
        "sort", [&] { set_store(before); }, [&] { cfg_playlist_order.sort(comparator); },
        [&](const refusal_outcome& o) {
            EXPECT_FALSE(o.refused) << "sort asked the heap for memory";
            values tens;
            for (uint32_t v : store_values())
                tens.push_back(v / 10);
            EXPECT_TRUE(std::is_sorted(tens.begin(), tens.end()));
        });
    EXPECT_EQ(unstable_points, 0u);

    const uint64_t stable_points = refuse_each_allocation(
        "stable_sort", [&] { set_store(before); },
        [&] { cfg_playlist_order.stable_sort(comparator); },
        [&](const refusal_outcome& o) {
            if (!o.refused) {
                EXPECT_EQ(store_values(), values({12, 11, 10, 20, 21, 31, 30, 32}));
                return;
            }
            expect_reported(o);
            EXPECT_EQ(store_values(), before); // refused before any comparison
        });
    EXPECT_EQ(stable_points, 1u);
}

TEST_F(allocation_failure_test, insert_list_of_the_list_interface) {
    varo::list_t<unsigned int, varo::alloc_fast> source;
    for (uint32_t v : {40u, 41u, 42u, 43u})
        source.insert_one(v, source.item_count());
    refuse_each_allocation(
        "insert_list",
        [&] {
            set_store({1, 2, 3});
        },
        [&] { cfg_playlist_order.insert_list(source, 1); },
        [&](const refusal_outcome& o) {
            if (!o.refused) {
                EXPECT_EQ(store_values(), values({1, 40, 41, 42, 43, 2, 3}));
                return;
            }
            expect_reported(o);
            EXPECT_EQ(store_values(), values({1, 2, 3}));
        });
}

TEST_F(allocation_failure_test, removal_whose_shrink_is_refused_keeps_the_larger_block) {
    const values before = iota_values(16, 5);
    std::vector<bool> removed(16, true);
    removed[0] = removed[1] = false;
    const fake::fake_bit_array mask(removed);
    uint32_t capacity_after = 0;
    const uint64_t points = refuse_each_allocation(
        "removal", [&] { set_store(before); },
        [&] { component.playlist_events->playlists_removed(mask, 16, 2); },
        [&](const refusal_outcome& o) {
            capacity_after = cfg_playlist_order.storage().capacity();
            // The entries are gone either way; only the block's size differs.
            EXPECT_EQ(store_values(), values({0, 5}));
            if (o.refused) {
                expect_reported(o);
                EXPECT_EQ(capacity_after, 16u);
            } else {
                EXPECT_EQ(capacity_after, 8u);
            }
        });
    EXPECT_EQ(points, 1u);
}

std::string file_name_reported(componentversion& version) {
    fake::fake_string out;
    version.get_file_name(out);
    return out.value;
}

TEST_F(allocation_failure_test, set_module_path_copies_one_string_after_the_other) {
    struct path_case {
        const char* name;
        bool fresh; // no path has been set before
    };
    const path_case cases[] = {{"replacing earlier strings", false}, {"first call", true}};
    for (const path_case& c : cases) {
        const std::string old_path = c.fresh ? "" : "D:\\old\\";
        const std::string old_file = c.fresh ? "" : "old.dll";
        const uint64_t points = refuse_each_allocation(
            std::string("set_module_path, ") + c.name,
            [&] {
                library_path.clear();
                library_file_name.clear();
                if (!c.fresh)
                    component.client->set_module_path(old_path.c_str(), old_file.c_str());
            },
            [&] { component.client->set_module_path("C:\\Velmora\\components\\", "verandel.dll"); },
            [&](const refusal_outcome& o) {
                const std::string path = module_text_value(library_path);
                const std::string file = module_text_value(library_file_name);
                if (o.refused)
                    expect_reported(o);
                if (o.refused && o.nth == 1) {
                    EXPECT_EQ(path, old_path);
                } else {
                    EXPECT_EQ(path, "C:\\Velmora\\components\\");
                }
                EXPECT_EQ(file, o.refused ? old_file : "verandel.dll");
                EXPECT_EQ(file_name_reported(*component.version), file);
            });
        EXPECT_EQ(points, 2u) << c.name;
    }
}

} // namespace
} // namespace hardening
