// Playlist events: activation and order changes apply and record orders; creation, reordering
// and removal keep the store aligned with the host's playlists.

#include <memory>
#include <random>

#include "order_memory_fixture.h"

namespace order_memory_testing {
namespace {

class playlist_events_test : public order_memory_test {
protected:
    playlist_events_test() {
        init_state = state_running;
        host.state.playlist_count = 3;
        host.state.active_playlist = 1;
        host.state.playing = false;
    }

    // Calls playlists_reordered with an order array of exactly `order.size()` entries on
    // the heap, so that a read past its end is caught by the address sanitizer.
    void reorder(const values& order) {
        const auto exact = std::make_unique<uint32_t[]>(order.size());
        std::copy(order.begin(), order.end(), exact.get());
        playlist_events().playlists_reordered(exact.get(), static_cast<uint32_t>(order.size()));
    }
};

const entries activation_log =
    calls({acquired("playback"),
           {"is_playing"},
           acquired("playlist"),
           {"set_active_order 3", released("playlist"), released("playback")}});

TEST_F(playlist_events_test, subscribes_to_every_event) {
    EXPECT_EQ(playlist_events().get_flags(), playlist_callback_flags_all);
}

// ---- Activation --------------------------------------------------------------------------

TEST_F(playlist_events_test, activation_while_nothing_plays_applies_the_new_playlists_order) {
    set_store({0, 3, 1});
    playlist_events().playlist_activated(0, 1);
    EXPECT_EQ(host.log.entries, activation_log);
    EXPECT_EQ(store_values(), (values{0, 3, 1}));
}

TEST_F(playlist_events_test, activation_ignores_the_previous_index) {
    set_store({0, 3, 1});
    for (uint32_t old_index : {0u, 2u, no_playlist, 77u}) {
        SCOPED_TRACE(old_index);
        host.log.clear();
        playlist_events().playlist_activated(old_index, 1);
        EXPECT_EQ(host.log.entries, activation_log);
    }
}

TEST_F(playlist_events_test, activation_while_playing_keeps_the_playing_playlists_order) {
    set_store({0, 3, 1});
    host.state.playing = true;
    playlist_events().playlist_activated(1, 2);
    EXPECT_EQ(host.log.entries,
              calls({acquired("playback"), {"is_playing", released("playback")}}));
}

TEST_F(playlist_events_test, activation_of_no_playlist_or_outside_running_calls_nothing) {
    set_store({0, 3, 1});
    struct quiet {
        const char* name;
        int flag;
        uint32_t index;
    };
    const quiet cases[] = {
        {"no playlist", state_running, no_playlist},
        {"before start-up", state_not_started, 1},
        {"after shut-down", state_stopped, 1},
        {"no playlist after shut-down", state_stopped, no_playlist},
    };
    for (const quiet& q : cases) {
        SCOPED_TRACE(q.name);
        init_state = q.flag;
        host.log.clear();
        playlist_events().playlist_activated(0, q.index);
        EXPECT_TRUE(host.log.entries.empty());
    }
}

TEST_F(playlist_events_test, activation_of_an_index_without_entry_acquires_but_sets_nothing) {
    set_store({0, 3, 1});
    for (uint32_t index : {3u, 4u, 0xFFFFFFFEu}) {
        SCOPED_TRACE(index);
        host.log.clear();
        playlist_events().playlist_activated(0, index);
        EXPECT_EQ(host.log.entries, calls({acquired("playback"),
                                           {"is_playing"},
                                           acquired("playlist"),
                                           {released("playlist"), released("playback")}}));
    }
}

// ---- Creation ----------------------------------------------------------------------------

TEST_F(playlist_events_test, creation_inserts_the_order_in_force_at_the_clamped_index) {
    struct creation {
        uint32_t index;
        values expected;
    };
    const creation cases[] = {
        {0, {5, 0, 3}}, {1, {0, 5, 3}}, {2, {0, 3, 5}}, {7, {0, 3, 5}}, {no_playlist, {0, 3, 5}},
    };
    host.state.active_order = 5;
    for (const creation& c : cases) {
        SCOPED_TRACE(c.index);
        set_store({0, 3});
        host.log.clear();
        playlist_events().playlist_created(c.index, "New playlist", 12);
        EXPECT_EQ(store_values(), c.expected);
        EXPECT_EQ(host.log.entries,
                  calls({acquired("playlist"), {"active_order", released("playlist")}}));
    }
}

TEST_F(playlist_events_test, creation_into_an_empty_store_and_without_name) {
    host.state.active_order = 2;
    playlist_events().playlist_created(0, nullptr, 0);
    EXPECT_EQ(store_values(), values{2});
}

TEST_F(playlist_events_test, creation_outside_running_calls_nothing_and_leaves_the_store) {
    for (int flag : {state_not_started, state_stopped}) {
        SCOPED_TRACE(flag);
        init_state = flag;
        set_store({0, 3});
        host.log.clear();
        playlist_events().playlist_created(1, "x", 1);
        EXPECT_TRUE(host.log.entries.empty());
        EXPECT_EQ(store_values(), (values{0, 3}));
    }
}

TEST_F(playlist_events_test, refused_growth_on_creation_leaves_the_store) {
    // Empty: the first entry needs a block; four entries fill a block of four.
    for (const values& before : {values{}, values{1, 2, 3, 4}}) {
        SCOPED_TRACE(before.size());
        set_store(before);
        varo::alloc_hook::refuse_nth(1);
        try {
            playlist_events().playlist_created(0, "x", 1);
            ADD_FAILURE() << "the refusal must reach the host";
        } catch (const std::bad_alloc& e) {
            EXPECT_STREQ(e.what(), "bad allocation");
        }
        varo::alloc_hook::refuse_nth(0);
        EXPECT_EQ(varo::alloc_hook::refusals(), 1u);
        varo::alloc_hook::reset();
        EXPECT_EQ(store_values(), before);
        EXPECT_EQ(host.outstanding(), 0);
    }
}

// ---- Reordering --------------------------------------------------------------------------

TEST_F(playlist_events_test, reordering_moves_each_entry_with_its_playlist) {
    struct reordering {
        values before;
        values order;
        values after;
    };
    const reordering cases[] = {
        {{10, 20, 30}, {2, 0, 1}, {30, 10, 20}},
        {{10, 20, 30, 40}, {0, 1, 2, 3}, {10, 20, 30, 40}},
        {{1, 2, 3, 4, 5}, {4, 3, 2, 1, 0}, {5, 4, 3, 2, 1}},
        {{1, 2, 3, 4, 5}, {1, 2, 3, 4, 0}, {2, 3, 4, 5, 1}},
        {{1, 2, 3, 4}, {1, 0, 3, 2}, {2, 1, 4, 3}},
        {{9}, {0}, {9}},
        {{}, {}, {}},
    };
    for (const reordering& r : cases) {
        SCOPED_TRACE(::testing::PrintToString(r.order));
        set_store(r.before);
        reorder(r.order);
        EXPECT_EQ(store_values(), r.after);
    }
    EXPECT_TRUE(host.log.entries.empty()) << "reordering asks the host nothing";
}

TEST_F(playlist_events_test, reordering_applies_in_every_state) {
    for (int flag : {state_not_started, state_stopped}) {
        SCOPED_TRACE(flag);
        init_state = flag;
        set_store({10, 20, 30});
        reorder({2, 0, 1});
        EXPECT_EQ(store_values(), (values{30, 10, 20}));
    }
}

TEST_F(playlist_events_test, reordering_many_playlists) {
    // More positions than the permutation's inline flag table holds.
    const uint32_t n = 20000;
    std::mt19937 rng(7);
    values before(n), order(n);
    for (uint32_t i = 0; i < n; ++i) {
        before[i] = rng() % 8;
        order[i] = i;
    }
    for (uint32_t i = n - 1; i > 0; --i)
        std::swap(order[i], order[rng() % (i + 1)]);
    set_store(before);
    reorder(order);
    const values after = store_values();
    ASSERT_EQ(after.size(), n);
    for (uint32_t i = 0; i < n; ++i)
        ASSERT_EQ(after[i], before[order[i]]) << i;
}

TEST_F(playlist_events_test, malformed_reordering_leaves_the_store) {
    struct malformed {
        const char* name;
        values before;
        values order;
    };
    const malformed cases[] = {
        {"fewer positions than entries", {10, 20, 30}, {1, 0}},
        {"more positions than entries", {10, 20, 30}, {3, 2, 1, 0}},
        {"no positions", {10, 20}, {}},
        {"positions for an empty store", {}, {0}},
        {"repeated position", {10, 20, 30}, {0, 0, 1}},
        {"position at the count", {10, 20, 30}, {1, 2, 3}},
        {"position all ones", {10, 20, 30}, {0, 1, no_playlist}},
        {"every position the same", {10, 20, 30}, {2, 2, 2}},
        {"repeat only at the end", {1, 2, 3, 4, 5, 6}, {1, 0, 3, 2, 4, 4}},
        {"cycle into a repeat", {1, 2, 3, 4}, {1, 2, 1, 0}},
        {"single wrong position", {7}, {1}},
    };
    for (const malformed& m : cases) {
        SCOPED_TRACE(m.name);
        set_store(m.before);
        mark_spare_capacity();
        reorder(m.order);
        EXPECT_EQ(store_values(), m.before);
        EXPECT_TRUE(spare_capacity_untouched());
    }
}

TEST_F(playlist_events_test, reordering_without_an_order_array_leaves_the_store) {
    set_store({10, 20, 30});
    playlist_events().playlists_reordered(nullptr, 3);
    EXPECT_EQ(store_values(), (values{10, 20, 30}));
}

TEST_F(playlist_events_test, refused_flag_table_leaves_the_store) {
    const uint32_t n = 20000;
    values before(n), order(n);
    for (uint32_t i = 0; i < n; ++i) {
        before[i] = i % 5;
        order[i] = n - 1 - i;
    }
    set_store(before);
    varo::alloc_hook::refuse_nth(1);
    EXPECT_THROW(reorder(order), std::bad_alloc);
    varo::alloc_hook::refuse_nth(0);
    EXPECT_EQ(store_values(), before);
}

// ---- Removal -----------------------------------------------------------------------------

TEST_F(playlist_events_test, removal_drops_the_marked_entries_and_keeps_the_order_of_the_rest) {
    struct removal {
        std::vector<bool> removed;
        values after;
    };
    const values before = {10, 20, 30, 40, 50, 60};
    const removal cases[] = {
        {{0, 1, 0, 1}, {10, 30, 50, 60}},
        {{0, 0, 0, 0, 0, 0}, {10, 20, 30, 40, 50, 60}},
        {{1, 1, 1, 1, 1, 1}, {}},
        {{1}, {20, 30, 40, 50, 60}},
        {{0, 0, 0, 0, 0, 1}, {10, 20, 30, 40, 50}},
        {{1, 0, 1, 0, 1, 0}, {20, 40, 60}},
        {{1, 1, 0, 0, 1, 1}, {30, 40}},
    };
    for (const removal& r : cases) {
        SCOPED_TRACE(::testing::PrintToString(r.removed));
        set_store(before);
        playlist_events().playlists_removed(fake::fake_bit_array(r.removed), 0xFFFFFFFF, 12345);
        EXPECT_EQ(store_values(), r.after);
    }
    set_store({10, 20, 30, 40});
    playlist_events().playlists_removed(fake::fake_bit_array({0, 1, 0, 1}), 4, 2);
    EXPECT_EQ(store_values(), (values{10, 30}));
    EXPECT_TRUE(host.log.entries.empty()) << "removal asks the host's services nothing";
}

TEST_F(playlist_events_test, removal_applies_in_every_state) {
    for (int flag : {state_not_started, state_stopped}) {
        SCOPED_TRACE(flag);
        init_state = flag;
        set_store({10, 20, 30});
        playlist_events().playlists_removed(fake::fake_bit_array({1, 0, 0}), 3, 2);
        EXPECT_EQ(store_values(), (values{20, 30}));
    }
}

// The mask is the host's: it may cover more or fewer positions than the store holds. Only
// positions below the store's count are asked, and only through find.
TEST_F(playlist_events_test, removal_asks_the_mask_only_below_the_stores_count) {
    struct mismatch {
        const char* name;
        values before;
        std::vector<bool> removed;
        values after;
    };
    const mismatch cases[] = {
        {"mask longer, marks beyond the store", {10, 20, 30}, {0, 1, 0, 1, 1, 1, 1}, {10, 30}},
        {"mask shorter than the store", {10, 20, 30, 40}, {1}, {20, 30, 40}},
        {"empty store", {}, {1, 1, 1}, {}},
        {"only marks beyond the store", {10, 20}, {0, 0, 1, 1}, {10, 20}},
    };
    for (const mismatch& m : cases) {
        SCOPED_TRACE(m.name);
        set_store(m.before);
        host.log.clear();
        const fake::fake_bit_array mask(m.removed, &host.log);
        playlist_events().playlists_removed(mask, static_cast<uint32_t>(m.removed.size()), 0);
        EXPECT_EQ(store_values(), m.after);
        for (const std::string& call : host.log.entries) {
            unsigned value = 0, start = 0, count = 0;
            ASSERT_EQ(std::sscanf(call.c_str(), "find %u %u %u", &value, &start, &count), 3)
                << call << ": only find may be asked";
            EXPECT_LE(uint64_t{start} + count, m.before.size()) << call;
        }
    }
}

// ---- Order change ------------------------------------------------------------------------

TEST_F(playlist_events_test, order_change_is_recorded_for_the_active_playlist_while_nothing_plays) {
    set_store({0, 3, 1});
    playlist_events().playback_order_changed(4);
    EXPECT_EQ(store_values(), (values{0, 4, 1}));
    EXPECT_EQ(host.log.entries, calls({acquired("playback"),
                                       acquired("playlist"),
                                       {"is_playing", "active_playlist", released("playlist"),
                                        released("playback")}}));
}

TEST_F(playlist_events_test, order_change_is_recorded_for_the_playing_playlist_while_playing) {
    set_store({0, 3, 1});
    host.state.playing = true;
    host.state.playing_playlist = 0;
    playlist_events().playback_order_changed(4);
    EXPECT_EQ(store_values(), (values{4, 3, 1}));
    EXPECT_EQ(host.log.entries, calls({acquired("playback"),
                                       acquired("playlist"),
                                       {"is_playing", "playing_playlist", released("playlist"),
                                        released("playback")}}));
}

TEST_F(playlist_events_test, order_change_for_a_target_without_entry_changes_nothing) {
    set_store({0, 3, 1});
    for (bool playing : {false, true}) {
        for (uint32_t target : {no_playlist, 3u, 100u}) {
            SCOPED_TRACE(std::to_string(playing) + " " + std::to_string(target));
            host.state.playing = playing;
            host.state.playing_playlist = target;
            host.state.active_playlist = target;
            mark_spare_capacity();
            playlist_events().playback_order_changed(9);
            EXPECT_EQ(store_values(), (values{0, 3, 1}));
            EXPECT_TRUE(spare_capacity_untouched());
        }
    }
}

TEST_F(playlist_events_test, before_startup_only_the_order_change_acts) {
    init_state = state_not_started;
    set_store({0, 3});
    host.state.active_order = 6;
    playlist_events().playlist_created(1, "x", 1);
    playlist_events().playlist_activated(0, 1);
    playlist_events().playback_order_changed(6);
    EXPECT_EQ(store_values(), (values{0, 6}));
    EXPECT_TRUE(orders_set().empty());
}

TEST_F(playlist_events_test, order_change_is_recorded_after_shutdown) {
    init_state = state_stopped;
    set_store({0, 3});
    playlist_events().playback_order_changed(2);
    EXPECT_EQ(store_values(), (values{0, 2}));
}

// ---- Events without action ---------------------------------------------------------------

TEST_F(playlist_events_test, ignored_events_call_nothing_and_leave_the_store) {
    set_store({0, 3, 1});
    playlist_callback& events = playlist_events();
    events.playlist_event_1(1, 2, 3, 4);
    events.playlist_event_2(1, 2, 3);
    events.playlist_event_3(1, 2, 3, 4);
    events.playlist_event_4(1, 2, 3, 4);
    events.playlist_event_5(1, 2, 3);
    events.playlist_event_6(1, 2, 3);
    events.playlist_event_7(1, 2);
    events.playlist_event_8(1, 2, 3);
    events.playlist_event_9(1, 2, 3);
    events.playlist_event_10(1, 2);
    events.playlist_event_14(1, 2, 3);
    events.playlist_event_16(1, 2, 3);
    events.playlist_event_17();
    events.playlist_event_19(1, 2);
    EXPECT_TRUE(host.log.entries.empty());
    EXPECT_EQ(store_values(), (values{0, 3, 1}));
}

// ---- Failures ----------------------------------------------------------------------------

struct handler_case {
    const char* name;
    int acquisitions;
    uint64_t host_calls; // calls that can fail, releases excepted
    std::function<void(playlist_callback&)> call;
};

const handler_case handlers[] = {
    {"playlist_activated", 2, 8, [](playlist_callback& e) { e.playlist_activated(0, 2); }},
    {"playlist_created", 1, 4, [](playlist_callback& e) { e.playlist_created(1, "x", 1); }},
    {"playback_order_changed", 2, 8, [](playlist_callback& e) { e.playback_order_changed(8); }},
};

TEST_F(playlist_events_test, acquisition_errors_leave_the_store_and_release_everything) {
    for (const handler_case& h : handlers) {
        for (int nth = 1; nth <= h.acquisitions; ++nth) {
            for (const acquisition_fault_case& f : acquisition_faults()) {
                SCOPED_TRACE(std::string(h.name) + ", acquisition " + std::to_string(nth) + ": " +
                             f.name);
                set_store({0, 3, 1});
                host.playlist_instances = host.playback_instances = 1;
                host.create_fails = false;
                host.log.clear();
                const auto placed = spoil_acquisition(host, nth, f.fault);

                EXPECT_EQ(thrown_message([&] { h.call(playlist_events()); }, f.is_expected_type),
                          f.message);

                EXPECT_TRUE(placed());
                EXPECT_EQ(store_values(), (values{0, 3, 1}));
                EXPECT_TRUE(orders_set().empty());
                EXPECT_EQ(host.outstanding(), 0);
            }
        }
    }
}

TEST_F(playlist_events_test, fault_at_each_host_call_leaves_the_store_and_releases_everything) {
    for (const handler_case& h : handlers) {
        const uint64_t faults = fake::fail_each_host_call(
            host,
            [] {
                set_store({0, 3, 1});
            },
            [&] { h.call(playlist_events()); },
            [&](uint64_t k, bool thrown) {
                SCOPED_TRACE(std::string(h.name) + ", fault at call " + std::to_string(k));
                EXPECT_EQ(host.outstanding(), 0);
                if (thrown) {
                    EXPECT_EQ(store_values(), (values{0, 3, 1}));
                }
            });
        EXPECT_EQ(faults, h.host_calls) << h.name;
    }
}

} // namespace
} // namespace order_memory_testing
