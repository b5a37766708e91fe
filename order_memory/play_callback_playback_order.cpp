#include "order_memory/play_callback_playback_order.h"

#include "host/playlist_service.h"
#include "host/service_access.h"
#include "order_memory/order_store.h"

namespace {
// Owns the one reference a track_handle argument carries.
class track_reference {
public:
    explicit track_reference(track_handle* track) noexcept : track_(track) {}
    track_reference(const track_reference&) = delete;
    track_reference& operator=(const track_reference&) = delete;
    ~track_reference() {
        if (track_ != nullptr)
            track_->release();
    }

private:
    track_handle* track_;
};

// Puts the remembered order of the playlist `pick` names in force, if it names an entry.
template <typename Pick>
void apply_remembered_order(Pick pick) {
    const host_service<playlist_service> playlists;
    uint32_t order;
    if (remembered_order(pick(*playlists), order))
        playlists->set_active_order(order);
}
} // namespace

void play_callback_playback_order::track_started(track_handle* track) {
    // Declared first, so the track goes back after the service.
    const track_reference owned(track);
    apply_remembered_order([](playlist_service& p) { return p.playing_playlist(); });
}

void play_callback_playback_order::playback_stopped(uint32_t reason) {
    if (reason == stop_reason_keeps_order)
        return;
    apply_remembered_order([](playlist_service& p) { return p.active_playlist(); });
}

void play_callback_playback_order::playback_event_6(track_handle* track) {
    const track_reference owned(track);
}
