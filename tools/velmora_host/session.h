#pragma once

// One session: the player, the component when it is started, and the script's commands
// acted out between them.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "loaded_component.h"
#include "player.h"
#include "profile.h"
#include "script.h"
#include "transcript.h"

namespace velmora_host {

struct session_options {
    std::filesystem::path component;
    std::filesystem::path profile_directory;
};

class session {
public:
    // Loads the player's state from the profile; throws bad_input or host_failure when
    // host.state is unusable.
    session(session_options options, transcript& out);
    session(const session&) = delete;
    session& operator=(const session&) = delete;

    // Runs every command, then quits a started component; returns the exit status.
    int run(const script& commands);

private:
    void execute(const command& cmd);

    // Lifecycle (session_lifecycle.cpp).
    void start();
    void quit();
    void crash();
    std::string connect_services(); // returns the names of the services found
    void announce_component();

    // Playlist and playback commands (session_events.cpp).
    void new_playlist(const command& cmd);
    void remove_playlists(const command& cmd);
    void reorder_playlists(const command& cmd);
    void activate(const command& cmd);
    void choose_order(const command& cmd);
    void play(const command& cmd);
    void next_track(const command& cmd);
    void stop(const command& cmd);
    void fire_activated(uint32_t old_index, uint32_t new_index);
    void fire_order_changed(uint32_t order);
    void fire_track_started();
    void on_component_sets_order(uint32_t order);

    // Inspection (session_checks.cpp).
    void show();
    void check(const command& cmd);
    // The component's remembered list as "[2, 0]", from a write_config into memory.
    std::string remembered_text();

    // Calls into the component: an error it throws is shown and the session goes on; a
    // reference it keeps or over-releases ends the session once the outermost call is back.
    bool call(const std::string& what, const std::function<void()>& body);
    void record_violation(const std::string& what, const reference_counts& before,
                          const reference_counts& after);

    [[noreturn]] void fail_input(const command& cmd, const std::string& message) const;
    uint32_t playlist_index(const command& cmd, uint32_t value) const;
    uint32_t playlist_count() const;
    std::string where() const; // "script:line: " of the command running

    session_options options_;
    profile profile_;
    transcript& out_;
    std::string source_;
    player player_;
    std::unique_ptr<loaded_component> component_; // after player_: unloaded first
    unsigned line_ = 0; // of the command running; 0 for the implicit quit at the end
    int call_depth_ = 0;
    std::string violation_;
};

} // namespace velmora_host
