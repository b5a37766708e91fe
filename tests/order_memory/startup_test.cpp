// Start-up brings the store into line with the host's playlists; shut-down only marks the
// component stopped.

#include "order_memory_fixture.h"

namespace order_memory_testing {
namespace {

using startup_test = order_memory_test;

const entries refill_log = calls({acquired("playlist"),
                                  {"playlist_count", "playlist_count"},
                                  acquired("playlist"),
                                  {"active_order", "active_order", "active_order"},
                                  {released("playlist"), released("playlist")}});

TEST_F(startup_test, edge_cases_of_reconciliation) {
    struct reconciliation {
        const char* name;
        values stored;
        uint32_t playlists;
        uint32_t order;
        values expected;
    };
    const reconciliation cases[] = {
        {"first run", {}, 3, 2, {2, 2, 2}},
        {"counts agree", {0, 4}, 2, 9, {0, 4}},
        {"more entries than playlists", {0, 4, 1}, 2, 3, {3, 3}},
        {"fewer entries than playlists", {6}, 3, 1, {1, 1, 1}},
        {"no playlists, empty store", {}, 0, 5, {}},
        {"no playlists left", {8, 8}, 0, 5, {}},
    };
    for (const reconciliation& r : cases) {
        SCOPED_TRACE(r.name);
        set_store(r.stored);
        init_state = state_not_started;
        host.state.playlist_count = r.playlists;
        host.state.active_order = r.order;
        host.log.clear();

        startup().on_startup();

        EXPECT_EQ(store_values(), r.expected);
        EXPECT_EQ(init_state, state_running);
        const bool refilled = r.stored.size() != r.playlists;
        const auto asked = std::count(host.log.entries.begin(), host.log.entries.end(),
                                      std::string("active_order"));
        EXPECT_EQ(asked, refilled ? static_cast<std::ptrdiff_t>(r.playlists) : 0)
            << "the order in force is asked once per appended entry, and only on a refill";
        EXPECT_EQ(host.outstanding(), 0);
    }
}

TEST_F(startup_test, refill_asks_the_count_again_and_appends_under_a_second_acquisition) {
    host.state.playlist_count = 3;
    host.state.active_order = 2;
    startup().on_startup();
    EXPECT_EQ(host.log.entries, refill_log);
}

TEST_F(startup_test, agreeing_counts_ask_nothing_more) {
    set_store({0, 4});
    host.state.playlist_count = 2;
    startup().on_startup();
    EXPECT_EQ(host.log.entries,
              calls({acquired("playlist"), {"playlist_count", released("playlist")}}));
}

TEST_F(startup_test, each_appended_entry_asks_the_order_in_force_afresh) {
    host.state.playlist_count = 3;
    host.state.active_order = 10;
    host.log.on_record = [this](const std::string& call) {
        if (call == "active_order")
            ++host.state.active_order;
    };
    startup().on_startup();
    EXPECT_EQ(store_values(), (values{11, 12, 13}));
}

TEST_F(startup_test, the_second_count_decides_how_many_entries_are_appended) {
    set_store({5});
    host.state.playlist_count = 2;
    host.state.active_order = 1;
    int counts = 0;
    host.log.on_record = [&](const std::string& call) {
        if (call == "playlist_count" && ++counts == 2)
            host.state.playlist_count = 4;
    };
    startup().on_startup();
    EXPECT_EQ(store_values(), (values{1, 1, 1, 1}));
}

TEST_F(startup_test, restored_configuration_with_the_right_count_is_kept) {
    set_store({0, 4});
    abort_token abort;
    fake::fake_writer writer(host.log);
    services.client->write_config(writer, abort);
    cfg_playlist_order.clear();
    fake::fake_reader reader(writer.bytes, host.log);
    services.client->read_config(reader, abort);
    host.state.playlist_count = 2;
    host.state.active_order = 7;
    host.log.clear();

    startup().on_startup();

    EXPECT_EQ(store_values(), (values{0, 4}));
    EXPECT_EQ(std::count(host.log.entries.begin(), host.log.entries.end(), "active_order"), 0);
}

TEST_F(startup_test, lifecycle_flag_follows_the_last_call) {
    struct sequence {
        std::string calls; // s = start-up, q = shut-down
        int flag;
    };
    const sequence cases[] = {
        {"", state_not_started}, {"s", state_running},   {"q", state_stopped},
        {"sq", state_stopped},   {"sqs", state_running}, {"ss", state_running},
        {"qq", state_stopped},   {"qs", state_running},
    };
    host.state.playlist_count = 1;
    for (const sequence& s : cases) {
        SCOPED_TRACE(s.calls);
        init_state = state_not_started;
        set_store({3});
        for (char call : s.calls) {
            if (call == 's')
                startup().on_startup();
            else
                startup().on_shutdown();
        }
        EXPECT_EQ(init_state, s.flag);
        EXPECT_EQ(store_values(), values{3});
    }
}

TEST_F(startup_test, shutdown_calls_nothing_and_leaves_the_store) {
    set_store({1, 2});
    init_state = state_running;
    startup().on_shutdown();
    EXPECT_EQ(init_state, state_stopped);
    EXPECT_EQ(store_values(), (values{1, 2}));
    EXPECT_TRUE(host.log.entries.empty());
}

TEST_F(startup_test, store_out_of_line_after_shutdown_is_refilled_at_the_next_startup) {
    host.state.playlist_count = 2;
    host.state.active_order = 4;
    startup().on_startup();
    playlist_events().playback_order_changed(6); // entry 0 (the active playlist) becomes 6
    startup().on_shutdown();
    host.state.playlist_count = 3;
    playlist_events().playlist_created(2, "new", 3); // ignored while stopped
    EXPECT_EQ(store_values(), (values{6, 4}));

    startup().on_startup();
    EXPECT_EQ(store_values(), (values{4, 4, 4}));
    EXPECT_EQ(init_state, state_running);
}

// A fault at each host call of a refilling start-up, numbered in the order of refill_log
// (releases cannot fail). Until the second acquisition is complete the store is untouched;
// a fault at the j-th order question leaves the j - 1 entries appended before it.
TEST_F(startup_test, fault_at_each_host_call_keeps_the_flag_and_releases_everything) {
    const values before = {7};
    const values expected_store[] = {before, before, before, before, before, before,
                                     before, before, {},     {2},    {2, 2}};
    for (int previous : {state_not_started, state_stopped, state_running}) {
        const uint64_t faults = fake::fail_each_host_call(
            host,
            [&] {
                set_store(before);
                init_state = previous;
                host.state.playlist_count = 3;
                host.state.active_order = 2;
            },
            [&] { startup().on_startup(); },
            [&](uint64_t k, bool thrown) {
                SCOPED_TRACE("previous flag " + std::to_string(previous) + ", fault at call " +
                             std::to_string(k));
                if (!thrown) {
                    EXPECT_EQ(store_values(), (values{2, 2, 2}));
                    EXPECT_EQ(init_state, state_running);
                    return;
                }
                ASSERT_LE(k, std::size(expected_store));
                EXPECT_EQ(store_values(), expected_store[k - 1]);
                EXPECT_EQ(init_state, previous);
                EXPECT_EQ(host.outstanding(), 0);
            });
        EXPECT_EQ(faults, 11u) << "every host call of the refill was made to fail once";
    }
}

TEST_F(startup_test, acquisition_errors_leave_store_and_flag) {
    for (const acquisition_fault_case& f : acquisition_faults()) {
        for (int nth : {1, 2}) {
            SCOPED_TRACE(std::string(f.name) + " at acquisition " + std::to_string(nth));
            host.playlist_instances = 1;
            host.create_fails = false;
            host.state.playlist_count = 3;
            set_store({7});
            init_state = state_stopped;
            const auto placed = spoil_acquisition(host, nth, f.fault);

            EXPECT_EQ(thrown_message([&] { startup().on_startup(); }, f.is_expected_type),
                      f.message);

            EXPECT_TRUE(placed());
            EXPECT_EQ(store_values(), values{7});
            EXPECT_EQ(init_state, state_stopped);
            EXPECT_EQ(host.outstanding(), 0);
        }
    }
}

TEST_F(startup_test, refused_growth_keeps_the_entries_appended_so_far) {
    // The store's block doubles from one entry: requests 1, 2 and 3 are the appends of
    // entries 1, 2 and 3.
    const values expected[] = {{}, {2}, {2, 2}};
    for (uint64_t n = 1; n <= 3; ++n) {
        SCOPED_TRACE(n);
        set_store({7});
        init_state = state_not_started;
        host.state.playlist_count = 3;
        host.state.active_order = 2;
        varo::alloc_hook::refuse_nth(n);

        try {
            startup().on_startup();
            ADD_FAILURE() << "the refusal must reach the host";
        } catch (const std::bad_alloc& e) {
            EXPECT_STREQ(e.what(), "bad allocation");
        }
        varo::alloc_hook::refuse_nth(0);
        EXPECT_EQ(store_values(), expected[n - 1]);
        EXPECT_EQ(init_state, state_not_started);
        EXPECT_EQ(host.outstanding(), 0);
    }
}

TEST_F(startup_test, no_directory_from_the_export_is_service_not_found) {
    velmora_get_interface(nullptr, nullptr);
    set_store({1});
    EXPECT_THROW(startup().on_startup(), exception_service_not_found);
    EXPECT_EQ(store_values(), values{1});
    EXPECT_EQ(init_state, state_not_started);
}

} // namespace
} // namespace order_memory_testing
