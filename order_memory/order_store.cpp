#include "order_memory/order_store.h"

cfg_structlist_t<unsigned int> cfg_playlist_order(cfg_playlist_order_guid);

int init_state = state_not_started;
