// Host faults: during each event the fake host throws from its 1st, 2nd, ... call (service
// directory, services, masks, streams, track handles) until the event runs through. After
// every fault the error must have reached the host unchanged, every service reference and
// track reference must be back, nothing may have leaked, and the store must be in a state
// allowed for an event that failed at that point.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "hardening_fixture.h"
#include "injection.h"
#include "stream_model.h"

namespace hardening {
namespace {

using bytes = std::vector<uint8_t>;

class host_fault_test : public hardening_test {
protected:
    playlist_callback& playlists() { return *component.playlist_events; }
    play_callback& playback() { return *component.playback_events; }
};

TEST_F(host_fault_test, startup_first_run) {
    host.state.playlist_count = 5;
    host.state.active_order = 4;
    const values before = {1, 2};
    const uint64_t points = fault_each_host_call(
        host, "start-up",
        [&] {
            set_store(before);
            init_state = state_not_started;
        },
        [&] { component.startup->on_startup(); },
        [&](const fault_outcome& o) {
            if (!o.faulted) {
                EXPECT_EQ(store_values(), values(5, 4));
                EXPECT_EQ(init_state, state_running);
                return;
            }
            EXPECT_EQ(init_state, state_not_started);
            const int appended = answered_before_fault(host.log, "active_order");
            if (appended > 0) {
                EXPECT_EQ(store_values(), values(appended, 4)); // the entries appended so far stay
            } else if (answered_before_fault(host.log, "create playlist") == 0) {
                EXPECT_EQ(store_values(), before); // the service was never had: store untouched
            } else { // between the acquisitions: untouched, or already emptied for the refill
                EXPECT_TRUE(store_values() == before || store_values().empty())
                    << store_values().size();
            }
        });
    EXPECT_GE(points, 5u + 3u); // at least the five active_order calls and one acquisition
}

TEST_F(host_fault_test, startup_with_matching_counts_leaves_the_store_alone) {
    host.state.playlist_count = 3;
    fault_each_host_call(
        host, "start-up, counts agree",
        [&] {
            set_store({7, 8, 9});
            init_state = state_stopped;
        },
        [&] { component.startup->on_startup(); },
        [&](const fault_outcome& o) {
            EXPECT_EQ(store_values(), values({7, 8, 9}));
            EXPECT_EQ(init_state, o.faulted ? state_stopped : state_running);
        });
}

struct activation_case {
    const char* name;
    bool playing;
    bool notified; // the host reports the order it sets back to the playlist handler
};

TEST_F(host_fault_test, activation) {
    const activation_case cases[] = {
        {"nothing playing", false, false},
        {"nothing playing, order change notified", false, true},
        {"playing", true, false},
    };
    for (const activation_case& c : cases) {
        if (c.notified)
            fake::notify_order_changes(host, component.playlist_events);
        else
            host.playlists.on_order_set = nullptr;
        const values before = {0, 3, 1};
        fault_each_host_call(
            host, std::string("activation, ") + c.name,
            [&] {
                set_store(before);
                init_state = state_running;
                host.state.playing = c.playing;
                host.state.playing_playlist = c.playing ? 0 : no_playlist;
                host.state.active_playlist = 1;
                host.state.active_order = 0;
            },
            [&] { playlists().playlist_activated(0, 1); },
            [&](const fault_outcome& o) {
                EXPECT_EQ(store_values(), before);
                if (!o.faulted) {
                    EXPECT_EQ(host.state.active_order, c.playing ? 0u : 3u);
                }
            });
    }
    host.playlists.on_order_set = nullptr;
}

TEST_F(host_fault_test, creation) {
    host.state.active_order = 5;
    fault_each_host_call(
        host, "creation",
        [&] {
            set_store({0, 3});
            init_state = state_running;
        },
        [&] { playlists().playlist_created(1, "new", 3); },
        [&](const fault_outcome& o) {
            EXPECT_EQ(store_values(), o.faulted ? values({0, 3}) : values({0, 5, 3}));
        });
}

TEST_F(host_fault_test, reorder_makes_no_host_call) {
    const uint32_t order[] = {2, 0, 1};
    const uint64_t points = fault_each_host_call(
        host, "reorder",
        [&] {
            set_store({10, 11, 12});
        },
        [&] { playlists().playlists_reordered(order, 3); },
        [&](const fault_outcome&) {
            EXPECT_EQ(store_values(), values({12, 10, 11}));
        });
    EXPECT_EQ(points, 0u);
}

TEST_F(host_fault_test, removal_with_a_failing_mask) {
    const values before = {10, 11, 12, 13, 14, 15};
    const fake::fake_bit_array mask({false, true, false, true}, &host.log);
    const uint64_t points = fault_each_host_call(
        host, "removal", [&] { set_store(before); },
        [&] { playlists().playlists_removed(mask, 6, 4); },
        [&](const fault_outcome& o) {
            if (!o.faulted) {
                EXPECT_EQ(store_values(), values({10, 12, 14, 15}));
                return;
            }
            // Swaps already made stay made, but every entry is still there.
            values now = store_values();
            std::sort(now.begin(), now.end());
            EXPECT_EQ(now, before);
        });
    EXPECT_GE(points, 2u);
}

TEST_F(host_fault_test, order_change) {
    for (const bool playing : {false, true}) {
        fault_each_host_call(
            host, playing ? "order change while playing" : "order change",
            [&] {
                set_store({0, 0, 0});
                host.state.playing = playing;
                host.state.playing_playlist = 2;
                host.state.active_playlist = 1;
            },
            [&] { playlists().playback_order_changed(9); },
            [&](const fault_outcome& o) {
                if (o.faulted) {
                    EXPECT_EQ(store_values(), values({0, 0, 0}));
                } else {
                    EXPECT_EQ(store_values(), playing ? values({0, 0, 9}) : values({0, 9, 0}));
                }
            });
    }
}

TEST_F(host_fault_test, track_started_returns_the_track) {
    for (const bool notified : {false, true}) {
        if (notified)
            fake::notify_order_changes(host, component.playlist_events);
        fault_each_host_call(
            host, notified ? "track started, order change notified" : "track started",
            [&] {
                set_store({1, 4});
                host.state.playing = true;
                host.state.playing_playlist = 1;
                host.state.active_playlist = 0;
                host.state.active_order = 0;
            },
            [&] { playback().track_started(song.pass()); },
            [&](const fault_outcome& o) {
                EXPECT_EQ(song.references(), 0);
                EXPECT_EQ(store_values(), values({1, 4}));
                if (!o.faulted) {
                    EXPECT_EQ(host.state.active_order, 4u);
                }
            });
    }
    host.playlists.on_order_set = nullptr;
}

TEST_F(host_fault_test, playback_stopped) {
    for (const uint32_t reason : {0u, 1u, 2u, 3u}) {
        const uint64_t points = fault_each_host_call(
            host, "playback stopped, reason " + std::to_string(reason),
            [&] {
                set_store({1, 4});
                host.state.playing = false;
                host.state.active_playlist = 0;
                host.state.active_order = 7;
            },
            [&] { playback().playback_stopped(reason); },
            [&](const fault_outcome& o) {
                EXPECT_EQ(store_values(), values({1, 4}));
                if (!o.faulted) {
                    EXPECT_EQ(host.state.active_order, reason == stop_reason_keeps_order ? 7u : 1u);
                }
            });
        if (reason == stop_reason_keeps_order) {
            EXPECT_EQ(points, 0u) << "a stop with reason 2 makes no host call";
        }
    }
}

TEST_F(host_fault_test, events_the_handlers_ignore_make_no_host_call) {
    const fake::fake_bit_array mask({true}, &host.log);
    const std::vector<std::pair<std::string, std::function<void()>>> events = {
        {"playlist event 1", [&] { playlists().playlist_event_1(1, 2, 3, 4); }},
        {"playlist event 2", [&] { playlists().playlist_event_2(1, 2, 3); }},
        {"playlist event 3", [&] { playlists().playlist_event_3(1, 2, 3, 4); }},
        {"playlist event 4", [&] { playlists().playlist_event_4(1, 2, 3, 4); }},
        {"playlist event 5", [&] { playlists().playlist_event_5(1, 2, 3); }},
        {"playlist event 6", [&] { playlists().playlist_event_6(1, 2, 3); }},
        {"playlist event 7", [&] { playlists().playlist_event_7(1, 2); }},
        {"playlist event 8", [&] { playlists().playlist_event_8(1, 2, 3); }},
        {"playlist event 9", [&] { playlists().playlist_event_9(1, 2, 3); }},
        {"playlist event 10", [&] { playlists().playlist_event_10(1, 2); }},
        {"playlist event 14", [&] { playlists().playlist_event_14(1, 2, 3); }},
        {"playlist event 16", [&] { playlists().playlist_event_16(1, 2, 3); }},
        {"playlist event 17", [&] { playlists().playlist_event_17(); }},
        {"playlist event 19", [&] { playlists().playlist_event_19(1, 2); }},
        {"playback event 1", [&] { playback().playback_event_1(1, 2); }},
        {"playback event 4", [&] { playback().playback_event_4(1.5); }},
        {"playback event 5", [&] { playback().playback_event_5(1); }},
        {"playback event 6", [&] { playback().playback_event_6(song.pass()); }},
        {"playback event 7", [&] { playback().playback_event_7(1); }},
        {"playback event 8", [&] { playback().playback_event_8(1); }},
        {"playback event 9", [&] { playback().playback_event_9(2.5); }},
        {"playback event 10", [&] { playback().playback_event_10(0.5f); }},
        // Activation and creation before start-up do nothing either.
        {"activation before start-up", [&] { playlists().playlist_activated(0, 1); }},
        {"creation before start-up", [&] { playlists().playlist_created(1, "x", 1); }},
    };
    for (const auto& [name, event] : events) {
        const uint64_t points = fault_each_host_call(
            host, name,
            [&] {
                set_store({1, 2});
                init_state = state_not_started;
            },
            event,
            [&](const fault_outcome&) {
                EXPECT_EQ(store_values(), values({1, 2}));
                EXPECT_EQ(song.references(), 0);
            });
        EXPECT_EQ(points, 0u) << name;
    }
}

bytes concat(std::initializer_list<bytes> parts) {
    bytes out;
    for (const bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST_F(host_fault_test, read_config_with_a_failing_reader) {
    const bytes unknown = {1,  2,  3,  4,  5,  6, 7, 8, 9, 10,   11,
                           12, 13, 14, 15, 16, 2, 0, 0, 0, 0xAB, 0xCD};
    const bytes stream = concat(
        {unknown, stream_model::store_record({1, 2, 3}), stream_model::store_record({4, 5, 6, 7})});
    abort_token abort;
    const uint64_t points = fault_each_host_call(
        host, "read_config", [&] { set_store({9}); },
        [&] {
            fake::fake_reader reader(stream, host.log);
            component.client->read_config(reader, abort);
        },
        [&](const fault_outcome& o) {
            const values now = store_values();
            if (!o.faulted) {
                EXPECT_EQ(now, values({4, 5, 6, 7}));
                return;
            }
            // Untouched, restored from either record (the host may fail the look for a
            // further record), or emptied by a record whose values could not all be read.
            EXPECT_TRUE(now == values({9}) || now == values({1, 2, 3}) ||
                        now == values({4, 5, 6, 7}) || now.empty())
                << now.size();
        });
    EXPECT_GE(points, 3u + 2u + 5u + 6u);
}

TEST_F(host_fault_test, write_config_with_a_failing_writer) {
    const values content = {1, 2, 3};
    const bytes record = stream_model::store_record(content);
    abort_token abort;
    fake::fake_writer writer(host.log);
    const uint64_t points = fault_each_host_call(
        host, "write_config",
        [&] {
            set_store(content);
            writer.bytes.clear();
        },
        [&] { component.client->write_config(writer, abort); },
        [&](const fault_outcome& o) {
            EXPECT_EQ(store_values(), content);
            if (!o.faulted) {
                EXPECT_EQ(writer.bytes, record);
                return;
            }
            // What the host accepted before its failure is the start of the record.
            ASSERT_LT(writer.bytes.size(), record.size());
            EXPECT_TRUE(std::equal(writer.bytes.begin(), writer.bytes.end(), record.begin()));
        });
    EXPECT_EQ(points, 3u); // GUID, size, payload
}

} // namespace
} // namespace hardening
