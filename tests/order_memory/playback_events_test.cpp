// Track start puts the playing playlist's order in force, a stop the active playlist's;
// every track reference passed in goes back exactly once.

#include "order_memory_fixture.h"

namespace order_memory_testing {
namespace {

class playback_events_test : public order_memory_test {
protected:
    playback_events_test() {
        set_store({1, 4});
        host.state.playlist_count = 2;
        host.state.active_playlist = 0;
        host.state.playing_playlist = 1;
        host.state.playing = true;
    }
    int track_releases() const {
        return static_cast<int>(std::count(host.log.entries.begin(), host.log.entries.end(),
                                           std::string("release track")));
    }
};

TEST_F(playback_events_test, subscribes_to_track_start_and_stop_only) {
    EXPECT_EQ(playback_events().get_flags(),
              play_callback_flag_track_started | play_callback_flag_playback_stopped);
}

TEST_F(playback_events_test, track_start_applies_the_playing_playlists_order) {
    playback_events().track_started(song.pass());
    EXPECT_EQ(host.log.entries, calls({acquired("playlist"),
                                       {"playing_playlist", "set_active_order 4",
                                        released("playlist"), "release track"}}));
    EXPECT_EQ(store_values(), (values{1, 4}));
}

TEST_F(playback_events_test, every_track_from_the_playlist_applies_its_order_again) {
    playback_events().track_started(song.pass());
    playback_events().track_started(song.pass());
    EXPECT_EQ(orders_set(), (entries{"set_active_order 4", "set_active_order 4"}));
}

TEST_F(playback_events_test, stop_applies_the_active_playlists_order_unless_the_code_is_2) {
    struct stop {
        uint32_t reason;
        bool applies;
    };
    const stop cases[] = {{0, true},          {1, true},         {stop_reason_keeps_order, false},
                          {3, true},          {0x102, true},     {0x80000002, true},
                          {0xFFFFFFFF, true}, {0xFFFFFFFE, true}};
    host.state.playing = false;
    for (const stop& s : cases) {
        SCOPED_TRACE(s.reason);
        host.log.clear();
        playback_events().playback_stopped(s.reason);
        if (s.applies)
            EXPECT_EQ(host.log.entries,
                      calls({acquired("playlist"),
                             {"active_playlist", "set_active_order 1", released("playlist")}}));
        else
            EXPECT_TRUE(host.log.entries.empty()) << "stop code 2 makes no host call at all";
        EXPECT_EQ(store_values(), (values{1, 4}));
    }
}

TEST_F(playback_events_test, neither_handler_looks_at_the_lifecycle_flag) {
    for (int flag : {state_not_started, state_stopped, state_running}) {
        SCOPED_TRACE(flag);
        init_state = flag;
        host.log.clear();
        playback_events().track_started(song.pass());
        playback_events().playback_stopped(0);
        EXPECT_EQ(orders_set(), (entries{"set_active_order 4", "set_active_order 1"}));
    }
}

TEST_F(playback_events_test, index_naming_no_entry_skips_the_order_but_releases_everything) {
    for (uint32_t index : {no_playlist, 2u, 3u, 1000u}) {
        SCOPED_TRACE(index);
        host.state.playing_playlist = index;
        host.state.active_playlist = index;
        host.log.clear();
        playback_events().track_started(song.pass());
        EXPECT_EQ(host.log.entries,
                  calls({acquired("playlist"),
                         {"playing_playlist", released("playlist"), "release track"}}));
        host.log.clear();
        playback_events().playback_stopped(0);
        EXPECT_EQ(host.log.entries,
                  calls({acquired("playlist"), {"active_playlist", released("playlist")}}));
        EXPECT_EQ(store_values(), (values{1, 4}));
    }
}

TEST_F(playback_events_test, empty_track_handle_is_not_released) {
    playback_events().track_started(nullptr);
    playback_events().playback_event_6(nullptr);
    EXPECT_EQ(track_releases(), 0);
    EXPECT_EQ(orders_set(), entries{"set_active_order 4"});
}

TEST_F(playback_events_test, event_6_only_releases_its_track) {
    playback_events().playback_event_6(song.pass());
    EXPECT_EQ(host.log.entries, entries{"release track"});
}

TEST_F(playback_events_test, ignored_events_call_nothing) {
    playback_events().playback_event_1(1, 2);
    playback_events().playback_event_4(1.5);
    playback_events().playback_event_5(3);
    playback_events().playback_event_7(4);
    playback_events().playback_event_8(5);
    playback_events().playback_event_9(2.5);
    playback_events().playback_event_10(0.5f);
    EXPECT_TRUE(host.log.entries.empty());
    EXPECT_EQ(store_values(), (values{1, 4}));
}

TEST_F(playback_events_test, acquisition_errors_reach_the_host_after_the_track_is_released) {
    for (const acquisition_fault_case& f : acquisition_faults()) {
        SCOPED_TRACE(f.name);
        host.playlist_instances = 1;
        host.create_fails = false;
        host.log.clear();
        auto placed = spoil_acquisition(host, 1, f.fault);
        EXPECT_EQ(thrown_message([&] { playback_events().track_started(song.pass()); },
                                 f.is_expected_type),
                  f.message);
        EXPECT_TRUE(placed());
        EXPECT_EQ(song.references(), 0);
        EXPECT_EQ(track_releases(), 1);

        host.playlist_instances = 1;
        host.create_fails = false;
        placed = spoil_acquisition(host, 1, f.fault);
        EXPECT_EQ(
            thrown_message([&] { playback_events().playback_stopped(0); }, f.is_expected_type),
            f.message);
        EXPECT_TRUE(placed());
        EXPECT_TRUE(orders_set().empty());
        EXPECT_EQ(host.outstanding(), 0);
        EXPECT_EQ(store_values(), (values{1, 4}));
    }
}

// A fault at each host call: the error reaches the host, the service and the track go back
// once, and the store is untouched.
TEST_F(playback_events_test, fault_at_each_host_call_releases_service_and_track) {
    struct handler {
        const char* name;
        std::function<void()> call;
        uint64_t host_calls; // calls that can fail: find_class, count, create, the index, set
    };
    const handler handlers[] = {
        {"track_started", [this] { playback_events().track_started(song.pass()); }, 5},
        {"playback_stopped", [this] { playback_events().playback_stopped(0); }, 5},
    };
    for (const handler& h : handlers) {
        const uint64_t faults = fake::fail_each_host_call(
            host, [] {}, h.call,
            [&](uint64_t k, bool) {
                SCOPED_TRACE(std::string(h.name) + ", fault at call " + std::to_string(k));
                EXPECT_EQ(host.outstanding(), 0);
                EXPECT_EQ(song.references(), 0);
                EXPECT_EQ(store_values(), (values{1, 4}));
            });
        EXPECT_EQ(faults, h.host_calls) << h.name;
    }
}

} // namespace
} // namespace order_memory_testing
