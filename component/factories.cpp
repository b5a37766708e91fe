// The factory list, built during static initialisation. All factories live in this one
// file so that their construction order, and so the list order, is fixed: each pushes
// itself at the head, so the host walks them from the last constructed to the first.

#include "component/componentversion_impl_simple.h"
#include "component/service_registry.h"
#include "component/verandel_version.h"
#include "order_memory/initquit_playlist_playback_order.h"
#include "order_memory/play_callback_playback_order.h"
#include "order_memory/playlist_callback_playback_order.h"

service_factory_base* service_list_head = nullptr;

namespace {
componentversion_impl_simple_factory version_record("Verandel", VERANDEL_VERSION_TEXT,
                                                    "Per-playlist playback order memory, "
                                                    "by the Verandel developers");
service_factory_single_t<playlist_callback_playback_order> playlist_events;
play_callback_static_factory_t<play_callback_playback_order> playback_events;
initquit_factory_t<initquit_playlist_playback_order> startup_shutdown;
} // namespace
