#pragma once

// The player the host stands in for: its playlists, playback and order in force, and the
// host objects the component reaches it through. Every object counts the references the
// component holds on it, so the host can check that each call gives them all back.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/host_api.h"
#include "host/playback_service.h"
#include "host/playlist_callback.h"
#include "host/playlist_service.h"
#include "host/track_handle.h"

namespace velmora_host {

constexpr uint32_t highest_order = 6; // order indexes 0 to 6 are the player's modes

struct player_state {
    std::vector<std::string> playlists; // names, in playlist order
    uint32_t active = no_playlist;
    uint32_t playing_playlist = no_playlist;
    bool playing = false;
    uint32_t order = 0;
    uint32_t next_number = 1; // new playlists are named "Playlist N"
};

// One playlist, active, order 0, nothing playing.
player_state fresh_player_state();

// References the component holds on host objects.
struct reference_counts {
    int playlist_service = 0;
    int playback_service = 0;
    int tracks = 0;
};
bool operator==(const reference_counts& a, const reference_counts& b);
bool operator!=(const reference_counts& a, const reference_counts& b);

class host_playlist_service final : public playlist_service {
public:
    host_playlist_service(player_state& state, std::function<void(uint32_t)> on_set_order)
        : state_(&state), on_set_order_(std::move(on_set_order)) {}
    int release() override { return --references; }
    int add_ref() override { return ++references; }
    bool query(service_ptr& out, const GUID& guid) override;
    uint32_t playlist_count() override;
    uint32_t active_playlist() override { return state_->active; }
    uint32_t playing_playlist() override { return state_->playing_playlist; }
    uint32_t active_order() override { return state_->order; }
    void set_active_order(uint32_t order) override { on_set_order_(order); }

    int references = 0;

private:
    player_state* state_;
    std::function<void(uint32_t)> on_set_order_;
};

class host_playback_service final : public playback_service {
public:
    explicit host_playback_service(player_state& state) : state_(&state) {}
    int release() override { return --references; }
    int add_ref() override { return ++references; }
    bool query(service_ptr& out, const GUID& guid) override;
    bool is_playing() override { return state_->playing; }

    int references = 0;

private:
    player_state* state_;
};

// A track handed to the component; the host keeps none of its references itself.
class host_track final : public track_handle {
public:
    int release() override { return --references; }
    int add_ref() override { return ++references; }
    // One reference for an event argument.
    track_handle* hand_out() {
        ++references;
        return this;
    }

    int references = 0;
};

// The mask of removed playlists, by old position.
class removal_mask final : public bit_array {
public:
    explicit removal_mask(std::vector<bool> removed) : removed_(std::move(removed)) {}
    bool get(uint32_t index) const override;
    uint32_t find(bool value, uint32_t start, uint32_t count) const override;

private:
    std::vector<bool> removed_;
};

class player final : public host_api {
public:
    // `on_set_order` runs when the component puts an order in force.
    explicit player(std::function<void(uint32_t)> on_set_order);
    player(const player&) = delete;
    player& operator=(const player&) = delete;

    service_class_handle find_class(const GUID& guid) override;
    bool create(service_ptr& out, service_class_handle handle, uint32_t index) override;
    uint32_t count(service_class_handle handle) override;

    // A fresh track for a track_started event; it lives as long as the player, so a
    // component that keeps it never reaches freed memory.
    host_track& new_track();
    reference_counts references() const;

    player_state state;

private:
    host_playlist_service playlists_;
    host_playback_service playback_;
    std::vector<std::unique_ptr<host_track>> tracks_;
};

} // namespace velmora_host
