#include "player.h"

#include <algorithm>

#include "host/service_ptr.h"

namespace velmora_host {

player_state fresh_player_state() {
    player_state state;
    state.playlists.push_back("Playlist 1");
    state.active = 0;
    state.next_number = 2;
    return state;
}

bool operator==(const reference_counts& a, const reference_counts& b) {
    return a.playlist_service == b.playlist_service && a.playback_service == b.playback_service &&
           a.tracks == b.tracks;
}

bool operator!=(const reference_counts& a, const reference_counts& b) {
    return !(a == b);
}

bool host_playlist_service::query(service_ptr& out, const GUID& guid) {
    if (!guid_equal(guid, playlist_service::class_guid))
        return false;
    out = this;
    return true;
}

uint32_t host_playlist_service::playlist_count() {
    return static_cast<uint32_t>(state_->playlists.size());
}

bool host_playback_service::query(service_ptr& out, const GUID& guid) {
    if (!guid_equal(guid, playback_service::class_guid))
        return false;
    out = this;
    return true;
}

bool removal_mask::get(uint32_t index) const {
    return index < removed_.size() && removed_[index];
}

uint32_t removal_mask::find(bool value, uint32_t start, uint32_t count) const {
    for (uint64_t p = start; p < uint64_t(start) + count; ++p)
        if (get(static_cast<uint32_t>(p)) == value)
            return static_cast<uint32_t>(p);
    return start + count;
}

namespace {
// Class handles are the addresses of these markers.
char playlist_class_marker;
char playback_class_marker;
service_class_handle playlist_class() {
    return reinterpret_cast<service_class_handle>(&playlist_class_marker);
}
service_class_handle playback_class() {
    return reinterpret_cast<service_class_handle>(&playback_class_marker);
}
} // namespace

player::player(std::function<void(uint32_t)> on_set_order)
    : state(fresh_player_state()), playlists_(state, std::move(on_set_order)), playback_(state) {}

service_class_handle player::find_class(const GUID& guid) {
    if (guid_equal(guid, playlist_service::class_guid))
        return playlist_class();
    if (guid_equal(guid, playback_service::class_guid))
        return playback_class();
    return nullptr;
}

bool player::create(service_ptr& out, service_class_handle handle, uint32_t index) {
    if (index != 0)
        return false;
    if (handle == playlist_class())
        out = static_cast<playlist_service*>(&playlists_);
    else if (handle == playback_class())
        out = static_cast<playback_service*>(&playback_);
    else
        return false;
    return true;
}

uint32_t player::count(service_class_handle handle) {
    return handle == playlist_class() || handle == playback_class() ? 1 : 0;
}

host_track& player::new_track() {
    // Tracks the component gave back entirely are no longer reachable from it.
    tracks_.erase(std::remove_if(tracks_.begin(), tracks_.end(),
                                 [](const auto& track) { return track->references == 0; }),
                  tracks_.end());
    tracks_.push_back(std::make_unique<host_track>());
    return *tracks_.back();
}

reference_counts player::references() const {
    reference_counts counts;
    counts.playlist_service = playlists_.references;
    counts.playback_service = playback_.references;
    for (const auto& track : tracks_)
        counts.tracks += track->references;
    return counts;
}

} // namespace velmora_host
