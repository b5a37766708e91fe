#include <vector>

#include "cases.h"
#include "component_access.h"
#include "event_baselines.h"
#include "lean_host.h"
#include "registry.h"

namespace bench {

namespace {
constexpr uint32_t playlists = 16;
constexpr uint32_t playing_playlist = 5;
constexpr uint32_t active_playlist = 9;
constexpr uint32_t changed_order = 3;

std::vector<uint32_t> remembered_orders() {
    std::vector<uint32_t> orders(playlists);
    for (uint32_t i = 0; i < playlists; ++i)
        orders[i] = 100 + i;
    return orders;
}

// The player with `playlists` playlists and the component running with one remembered
// order for each.
void prepare(bool playing) {
    player_state& state = host().state;
    state.playlist_count = playlists;
    state.active_playlist = active_playlist;
    state.playing_playlist = playing ? playing_playlist : no_playlist;
    state.playing = playing;
    state.active_order = 0;
    assign_values(cfg_playlist_order, remembered_orders());
    component().startup->on_startup();
}

// Every reference the component or the baseline took has been given back.
bool references_balanced(const lean_track& track) {
    return host().playlists.references == 0 && host().playback.references == 0 &&
           track.references == 0;
}

void check(benchmark::State& state, bool ok) {
    if (!ok)
        state.SkipWithError("the event did not make its host calls");
}

void track_started(benchmark::State& state) {
    prepare(true);
    play_callback& events = *component().playback_events;
    lean_track track;
    timed_loop(state, [&] {
        ++track.references; // the reference the host hands over with the event
        events.track_started(&track);
    });
    check(state, host().state.active_order == 100 + playing_playlist && references_balanced(track));
}

void track_started_baseline(benchmark::State& state) {
    prepare(true);
    host_api& api = host_interface();
    const std::vector<uint32_t> store = remembered_orders();
    lean_track track;
    timed_loop(state, [&] {
        ++track.references;
        baseline_track_started(api, store, &track);
    });
    check(state, host().state.active_order == 100 + playing_playlist && references_balanced(track));
}

void playlist_activated(benchmark::State& state) {
    prepare(false);
    playlist_callback& events = *component().playlist_events;
    timed_loop(state, [&] { events.playlist_activated(active_playlist, 7); });
    check(state, host().state.active_order == 107 && references_balanced(lean_track()));
}

void playlist_activated_baseline(benchmark::State& state) {
    prepare(false);
    host_api& api = host_interface();
    const std::vector<uint32_t> store = remembered_orders();
    timed_loop(state, [&] { baseline_playlist_activated(api, store, 7); });
    check(state, host().state.active_order == 107 && references_balanced(lean_track()));
}

void playback_order_changed(benchmark::State& state) {
    prepare(false);
    playlist_callback& events = *component().playlist_events;
    timed_loop(state, [&] { events.playback_order_changed(changed_order); });
    check(state,
          store_values()[active_playlist] == changed_order && references_balanced(lean_track()));
}

void playback_order_changed_baseline(benchmark::State& state) {
    prepare(false);
    host_api& api = host_interface();
    std::vector<uint32_t> store = remembered_orders();
    timed_loop(state, [&] { baseline_playback_order_changed(api, store, changed_order); });
    check(state, store[active_playlist] == changed_order && references_balanced(lean_track()));
}
} // namespace

void register_event_cases() {
    add_case("event/track_started", 1, 1.2, track_started, track_started_baseline);
    add_case("event/playlist_activated", 1, 1.2, playlist_activated, playlist_activated_baseline);
    add_case("event/playback_order_changed", 1, 1.2, playback_order_changed,
             playback_order_changed_baseline);
}

} // namespace bench
