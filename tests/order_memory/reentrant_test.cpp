// A player notifies its playlist callbacks from inside set_active_order, so the component's
// own calls re-enter playback_order_changed while it still holds its services.

#include "order_memory_fixture.h"

namespace order_memory_testing {
namespace {

class reentrant_test : public order_memory_test {
protected:
    reentrant_test() {
        init_state = state_running;
        set_store({0, 3, 1});
        host.state.playlist_count = 3;
        fake::notify_order_changes(host, &playlist_events());
    }
};

// The nested order change as the host logs it, for a target read with `target_call`.
entries nested_order_change(uint32_t order, const std::string& target_call) {
    return calls({{"notify playback_order_changed " + std::to_string(order)},
                  acquired("playback"),
                  acquired("playlist"),
                  {"is_playing", target_call, released("playlist"), released("playback")}});
}

TEST_F(reentrant_test, activation_records_the_applied_order_for_the_new_playlist) {
    host.state.active_playlist = 1;
    playlist_events().playlist_activated(0, 1);
    EXPECT_EQ(host.log.entries, calls({acquired("playback"),
                                       {"is_playing"},
                                       acquired("playlist"),
                                       {"set_active_order 3"},
                                       nested_order_change(3, "active_playlist"),
                                       {released("playlist"), released("playback")}}));
    EXPECT_EQ(store_values(), (values{0, 3, 1}));
    EXPECT_EQ(host.state.active_order, 3u);
}

TEST_F(reentrant_test, track_start_records_the_applied_order_for_the_playing_playlist) {
    host.state.active_playlist = 0;
    host.state.playing = true;
    host.state.playing_playlist = 2;
    playback_events().track_started(song.pass());
    EXPECT_EQ(host.log.entries, calls({acquired("playlist"),
                                       {"playing_playlist", "set_active_order 1"},
                                       nested_order_change(1, "playing_playlist"),
                                       {released("playlist"), "release track"}}));
    EXPECT_EQ(store_values(), (values{0, 3, 1}));
}

TEST_F(reentrant_test, stop_records_the_applied_order_for_the_active_playlist) {
    host.state.active_playlist = 1;
    host.state.playing = false;
    host.state.playing_playlist = 2;
    playback_events().playback_stopped(0);
    EXPECT_EQ(host.log.entries, calls({acquired("playlist"),
                                       {"active_playlist", "set_active_order 3"},
                                       nested_order_change(3, "active_playlist"),
                                       {released("playlist")}}));
    EXPECT_EQ(store_values(), (values{0, 3, 1}));
}

TEST_F(reentrant_test, sequence_of_events_ends_with_the_right_store) {
    host.state.active_order = 5;
    playlist_events().playlist_created(3, "x", 1); // [0, 3, 1, 5]
    host.state.playlist_count = 4;
    host.state.active_playlist = 3;
    playlist_events().playlist_activated(1, 3); // applies 5 and records it for playlist 3
    host.state.active_order = 2;
    playlist_events().playback_order_changed(2); // [0, 3, 1, 2]
    host.state.playing = true;
    host.state.playing_playlist = 1;
    playback_events().track_started(song.pass()); // applies 3
    host.state.active_order = 6;
    playlist_events().playback_order_changed(6); // [0, 6, 1, 2]
    host.state.playing = false;
    playback_events().playback_stopped(1); // applies 2 for the active playlist 3
    EXPECT_EQ(store_values(), (values{0, 6, 1, 2}));
    EXPECT_EQ(host.state.active_order, 2u);
    EXPECT_EQ(orders_set(),
              (entries{"set_active_order 5", "set_active_order 3", "set_active_order 2"}));
}

// A fault anywhere, in the outer handler or the nested one, reaches the host with every
// reference back, outer and nested alike.
TEST_F(reentrant_test, fault_at_each_call_of_outer_and_nested_handler_releases_everything) {
    struct handler {
        const char* name;
        std::function<void()> call;
        uint64_t host_calls;
    };
    host.state.active_playlist = 1;
    host.state.playing_playlist = 2;
    const handler handlers[] = {
        {"playlist_activated",
         [this] {
             host.state.playing = false;
             playlist_events().playlist_activated(0, 1);
         },
         8 + 8},
        {"track_started",
         [this] {
             host.state.playing = true;
             playback_events().track_started(song.pass());
         },
         5 + 8},
        {"playback_stopped",
         [this] {
             host.state.playing = false;
             playback_events().playback_stopped(0);
         },
         5 + 8},
    };
    for (const handler& h : handlers) {
        const uint64_t faults = fake::fail_each_host_call(
            host, [] {}, h.call,
            [&](uint64_t k, bool) {
                SCOPED_TRACE(std::string(h.name) + ", fault at call " + std::to_string(k));
                EXPECT_EQ(host.outstanding(), 0);
                EXPECT_EQ(song.references(), 0);
                EXPECT_EQ(store_values(), (values{0, 3, 1}));
            });
        EXPECT_EQ(faults, h.host_calls) << h.name;
    }
}

TEST_F(reentrant_test, nested_acquisition_error_passes_through_the_outer_handler) {
    host.state.active_playlist = 1;
    for (const acquisition_fault_case& f : acquisition_faults()) {
        SCOPED_TRACE(f.name);
        host.playlist_instances = host.playback_instances = 1;
        host.create_fails = false;
        // The activation acquires twice; the nested order change's first acquisition is
        // the third.
        const auto placed = spoil_acquisition(host, 3, f.fault);
        EXPECT_EQ(
            thrown_message([&] { playlist_events().playlist_activated(0, 1); }, f.is_expected_type),
            f.message);
        EXPECT_TRUE(placed());
        EXPECT_EQ(host.outstanding(), 0);
        EXPECT_EQ(store_values(), (values{0, 3, 1}));
    }
}

} // namespace
} // namespace order_memory_testing
