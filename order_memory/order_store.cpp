#include "order_memory/order_store.h"

cfg_structlist_t<unsigned int> cfg_playlist_order(cfg_playlist_order_guid);

int init_state = state_not_started;

bool remembered_order(uint32_t playlist, uint32_t& order) noexcept {
    if (playlist >= cfg_playlist_order.item_count())
        return false;
    order = cfg_playlist_order[playlist];
    return true;
}
