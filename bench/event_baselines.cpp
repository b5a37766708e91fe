#include "event_baselines.h"

#include <stdexcept>

#include "host/playback_service.h"
#include "host/playlist_service.h"
#include "host/service_ptr.h"

namespace bench {

namespace {
service_ptr acquire(host_api& api, const GUID& guid) {
    const service_class_handle handle = api.find_class(guid);
    if (api.count(handle) != 1)
        throw std::runtime_error("no single instance");
    service_ptr out;
    if (!api.create(out, handle, 0))
        throw std::runtime_error("not created");
    return out;
}
} // namespace

void baseline_track_started(host_api& api, const std::vector<uint32_t>& store,
                            track_handle* track) {
    {
        const service_ptr service = acquire(api, playlist_service::class_guid);
        playlist_service* playlists = static_cast<playlist_service*>(service.get());
        const uint32_t playing = playlists->playing_playlist();
        if (playing < store.size())
            playlists->set_active_order(store[playing]);
    }
    track->release();
}

void baseline_playlist_activated(host_api& api, const std::vector<uint32_t>& store,
                                 uint32_t new_index) {
    const service_ptr playback = acquire(api, playback_service::class_guid);
    if (static_cast<playback_service*>(playback.get())->is_playing())
        return;
    const service_ptr service = acquire(api, playlist_service::class_guid);
    if (new_index < store.size())
        static_cast<playlist_service*>(service.get())->set_active_order(store[new_index]);
}

void baseline_playback_order_changed(host_api& api, std::vector<uint32_t>& store, uint32_t order) {
    const service_ptr playback = acquire(api, playback_service::class_guid);
    const service_ptr service = acquire(api, playlist_service::class_guid);
    playlist_service* playlists = static_cast<playlist_service*>(service.get());
    const uint32_t target = static_cast<playback_service*>(playback.get())->is_playing()
                                ? playlists->playing_playlist()
                                : playlists->active_playlist();
    if (target < store.size())
        store[target] = order;
}

} // namespace bench
