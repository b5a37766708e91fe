#include <gtest/gtest.h>

#include "component_services.h"
#include "fake_host.h"
#include "order_memory/order_store.h"

TEST(smoke_test, startup_fills_store_and_releases_everything) {
    fake::fake_host host;
    host.state.playlist_count = 3;
    host.state.active_order = 2;
    support::component_services c = support::connect(&host);
    ASSERT_NE(c.startup, nullptr);
    cfg_playlist_order.clear();
    c.startup->on_startup();
    ASSERT_EQ(cfg_playlist_order.item_count(), 3u);
    EXPECT_EQ(cfg_playlist_order[1], 2u);
    EXPECT_EQ(init_state, state_running);
    EXPECT_EQ(host.outstanding(), 0);
}
