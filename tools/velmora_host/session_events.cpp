// The player's playlist and playback commands, and the events they fire.

#include <algorithm>
#include <string>

#include "numbers.h"
#include "session.h"

namespace velmora_host {

namespace {

// Whether the service's mask asks for the event whose get_flags bit is `flag`.
template <typename Service>
bool wants(const subscribed<Service>& s, uint32_t flag) {
    return (s.flags & flag) != 0;
}

// The index `index` takes once the playlists marked in `removed` are gone.
uint32_t shifted_down(uint32_t index, const std::vector<bool>& removed) {
    return index -
           static_cast<uint32_t>(std::count(removed.begin(), removed.begin() + index, true));
}

} // namespace

void session::new_playlist(const command& cmd) {
    const uint32_t count = playlist_count();
    const uint32_t index = cmd.numbers.empty() ? count : cmd.numbers[0];
    if (index > count)
        fail_input(cmd, "position " + std::to_string(index) + " is out of range (" +
                            std::to_string(count) + " playlists)");
    player_state& s = player_.state;
    const std::string name = "Playlist " + std::to_string(s.next_number++);
    s.playlists.insert(s.playlists.begin() + index, name);
    if (s.active != no_playlist && s.active >= index)
        ++s.active;
    if (s.playing_playlist != no_playlist && s.playing_playlist >= index)
        ++s.playing_playlist;
    out_.note("created playlist " + std::to_string(index) + " \"" + name + "\"");
    if (component_)
        for (const auto& events : component_->playlist_events)
            if (wants(events, playlist_callback_flag_created))
                call("playlist_created", [&] {
                    events.service->playlist_created(index, name.data(),
                                                     static_cast<uint32_t>(name.size()));
                });
    if (s.active == no_playlist) {
        // A player with playlists always has one of them active.
        s.active = index;
        out_.note("playlist " + std::to_string(index) + " is active");
        fire_activated(no_playlist, index);
    }
}

void session::remove_playlists(const command& cmd) {
    const uint32_t old_count = playlist_count();
    std::vector<bool> removed(old_count, false);
    for (const uint32_t value : cmd.numbers)
        removed[playlist_index(cmd, value)] = true;
    player_state& s = player_.state;
    std::vector<std::string> kept;
    for (uint32_t i = 0; i < old_count; ++i)
        if (!removed[i])
            kept.push_back(s.playlists[i]);
    const auto new_count = static_cast<uint32_t>(kept.size());
    s.playlists = kept;

    const uint32_t old_active = s.active;
    const bool active_removed = old_active != no_playlist && removed[old_active];
    if (active_removed)
        s.active = new_count == 0 ? no_playlist : std::min(old_active, new_count - 1);
    else if (old_active != no_playlist)
        s.active = shifted_down(old_active, removed);
    if (s.playing_playlist != no_playlist)
        s.playing_playlist =
            removed[s.playing_playlist] ? no_playlist : shifted_down(s.playing_playlist, removed);

    std::string names;
    for (uint32_t i = 0; i < old_count; ++i)
        if (removed[i])
            names += (names.empty() ? "" : ", ") + std::to_string(i);
    out_.note("removed playlist" + std::string(new_count + 1 < old_count ? "s " : " ") + names +
              "; " + std::to_string(new_count) + " left");
    if (component_) {
        const removal_mask mask(removed);
        for (const auto& events : component_->playlist_events)
            if (wants(events, playlist_callback_flag_removed))
                call("playlists_removed",
                     [&] { events.service->playlists_removed(mask, old_count, new_count); });
    }
    if (active_removed) {
        out_.note(s.active == no_playlist ? std::string("no playlist is active")
                                          : "playlist " + index_text(s.active) + " is active");
        fire_activated(old_active, s.active);
    }
}

void session::reorder_playlists(const command& cmd) {
    const uint32_t count = playlist_count();
    const std::vector<uint32_t>& order = cmd.numbers;
    if (order.size() != count)
        fail_input(cmd, "the new order names " + std::to_string(order.size()) + " of " +
                            std::to_string(count) + " playlists");
    std::vector<bool> seen(count, false);
    for (const uint32_t from : order) {
        if (seen[playlist_index(cmd, from)])
            fail_input(cmd, "playlist " + std::to_string(from) + " appears twice");
        seen[from] = true;
    }
    player_state& s = player_.state;
    std::vector<std::string> reordered;
    uint32_t active = no_playlist, playing = no_playlist;
    for (uint32_t i = 0; i < count; ++i) {
        reordered.push_back(s.playlists[order[i]]);
        if (order[i] == s.active)
            active = i;
        if (order[i] == s.playing_playlist)
            playing = i;
    }
    s.playlists = reordered;
    s.active = active;
    s.playing_playlist = playing;
    std::string names;
    for (const std::string& name : reordered)
        names += (names.empty() ? "" : ", ") + name;
    out_.note("playlists now " + names);
    if (component_)
        for (const auto& events : component_->playlist_events)
            if (wants(events, playlist_callback_flag_reordered))
                call("playlists_reordered",
                     [&] { events.service->playlists_reordered(order.data(), count); });
}

void session::activate(const command& cmd) {
    const uint32_t index = playlist_index(cmd, cmd.numbers[0]);
    const uint32_t old = player_.state.active;
    player_.state.active = index;
    out_.note("playlist " + std::to_string(index) + " is active");
    fire_activated(old, index);
}

void session::choose_order(const command& cmd) {
    player_.state.order = cmd.numbers[0];
    out_.note("the user picks order " + std::to_string(cmd.numbers[0]));
    fire_order_changed(cmd.numbers[0]);
}

void session::play(const command& cmd) {
    const uint32_t index = playlist_index(cmd, cmd.numbers[0]);
    player_.state.playing = true;
    player_.state.playing_playlist = index;
    out_.note("track started from playlist " + std::to_string(index));
    fire_track_started();
}

void session::next_track(const command& cmd) {
    if (!player_.state.playing)
        fail_input(cmd, "nothing is playing");
    const uint32_t from = player_.state.playing_playlist;
    out_.note(from == no_playlist ? std::string("track started from no playlist")
                                  : "track started from playlist " + std::to_string(from));
    fire_track_started();
}

void session::stop(const command& cmd) {
    if (!player_.state.playing)
        fail_input(cmd, "nothing is playing");
    const uint32_t reason = cmd.numbers.empty() ? 0 : cmd.numbers[0];
    player_.state.playing = false;
    player_.state.playing_playlist = no_playlist;
    out_.note("playback stopped, reason " + std::to_string(reason));
    if (component_)
        for (const auto& events : component_->playback_events)
            if (wants(events, play_callback_flag_playback_stopped))
                call("playback_stopped", [&] { events.service->playback_stopped(reason); });
}

void session::fire_activated(uint32_t old_index, uint32_t new_index) {
    if (!component_)
        return;
    for (const auto& events : component_->playlist_events)
        if (wants(events, playlist_callback_flag_activated))
            call("playlist_activated",
                 [&] { events.service->playlist_activated(old_index, new_index); });
}

void session::fire_order_changed(uint32_t order) {
    if (!component_)
        return;
    for (const auto& events : component_->playlist_events)
        if (wants(events, playlist_callback_flag_order_changed))
            call("playback_order_changed", [&] { events.service->playback_order_changed(order); });
}

void session::fire_track_started() {
    if (!component_)
        return;
    for (const auto& events : component_->playback_events) {
        if (!wants(events, play_callback_flag_track_started))
            continue;
        // Each receiver gets a fresh handle carrying the one reference it must give back.
        host_track& track = player_.new_track();
        call("track_started", [&] { events.service->track_started(track.hand_out()); });
    }
}

} // namespace velmora_host
