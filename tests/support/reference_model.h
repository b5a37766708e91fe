#pragma once

// What the order store should hold after each event, and which order the component should
// put in force, restated plainly over a std::vector. It shares no code with the component
// (only the host interface's numbers), so tests and fuzzers can drive both with the same
// events and compare.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "host/play_callback.h"
#include "host/playlist_service.h"

class reference_model {
public:
    const std::vector<uint32_t>& entries() const { return entries_; }
    bool running() const { return running_; }

    // What the configuration stream restored before start-up.
    void restore(std::vector<uint32_t> entries) { entries_ = std::move(entries); }

    // Start-up with `playlists` playlists and `order` in force.
    void startup(uint32_t playlists, uint32_t order) {
        if (entries_.size() != playlists)
            entries_.assign(playlists, order);
        running_ = true;
    }
    void shutdown() { running_ = false; }

    // The order put in force when playlist `index` becomes the active one.
    std::optional<uint32_t> activated(uint32_t index, bool playing) const {
        if (!running_ || index == no_playlist || playing)
            return std::nullopt;
        return entry(index);
    }

    // A playlist created at `index` while `order` is in force.
    void created(uint32_t index, uint32_t order) {
        if (!running_)
            return;
        const size_t at = index < entries_.size() ? index : entries_.size();
        entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), order);
    }

    // Afterwards position i holds what stood at order[i]; anything but a permutation of
    // exactly the entries' positions changes nothing.
    void reordered(const std::vector<uint32_t>& order) {
        if (order.size() != entries_.size())
            return;
        std::vector<bool> seen(order.size(), false);
        for (uint32_t p : order) {
            if (p >= order.size() || seen[p])
                return;
            seen[p] = true;
        }
        std::vector<uint32_t> moved(order.size());
        for (size_t i = 0; i < order.size(); ++i)
            moved[i] = entries_[order[i]];
        entries_ = std::move(moved);
    }

    // Drops the entries whose positions are marked; marks beyond the entries mean nothing,
    // and positions beyond the marks are kept.
    void removed(const std::vector<bool>& marks) {
        std::vector<uint32_t> kept;
        for (size_t i = 0; i < entries_.size(); ++i)
            if (i >= marks.size() || !marks[i])
                kept.push_back(entries_[i]);
        entries_ = std::move(kept);
    }

    // The user picked `order`: it belongs to the playing playlist while something plays,
    // else to the active one.
    void order_changed(uint32_t order, bool playing, uint32_t playing_playlist,
                       uint32_t active_playlist) {
        const uint32_t target = playing ? playing_playlist : active_playlist;
        if (target < entries_.size())
            entries_[target] = order;
    }

    // The order put in force when a track from `playing_playlist` starts.
    std::optional<uint32_t> track_started(uint32_t playing_playlist) const {
        return entry(playing_playlist);
    }

    // The order put in force when playback stops for `reason`.
    std::optional<uint32_t> stopped(uint32_t reason, uint32_t active_playlist) const {
        if (reason == stop_reason_keeps_order)
            return std::nullopt;
        return entry(active_playlist);
    }

private:
    std::optional<uint32_t> entry(uint32_t index) const {
        if (index >= entries_.size())
            return std::nullopt;
        return entries_[index];
    }

    std::vector<uint32_t> entries_;
    bool running_ = false;
};

// How the player's playlists move when the marked ones of its `count` are removed (marks
// beyond them mean nothing): the kept ones close up in order and `count` becomes their
// number; an active or playing playlist that was removed, or was none, becomes no_playlist.
inline void player_after_removal(const std::vector<bool>& marks, uint32_t& count, uint32_t& active,
                                 uint32_t& playing) {
    std::vector<uint32_t> new_index(count, no_playlist);
    uint32_t kept = 0;
    for (uint32_t i = 0; i < count; ++i)
        if (i >= marks.size() || !marks[i])
            new_index[i] = kept++;
    const auto moved = [&](uint32_t index) {
        return index < count ? new_index[index] : no_playlist;
    };
    active = moved(active);
    playing = moved(playing);
    count = kept;
}
