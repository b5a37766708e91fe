#pragma once

// Shared by the fault-injection tests: a fresh fake host connected through the export, an
// empty store and a component that has not started; helpers to set and read the store and
// to count the module-wide blocks; the tally of failure points tried.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "component/module_state.h"
#include "component_services.h"
#include "fake_host.h"
#include "order_memory/order_store.h"
#include "store_access.h"
#include "varo/alloc_hook.h"

namespace hardening {

using support::set_store;
using support::store_values;
using values = std::vector<uint32_t>;

// Failure points tried by all tests of this binary, printed when the run ends.
struct tally {
    uint64_t allocation_points = 0;
    uint64_t allocation_operations = 0;
    uint64_t host_points = 0;
    uint64_t host_events = 0;
};
tally& failure_points();

// Blocks owned by the module-wide arrays (the store and the two module strings): what
// alloc_hook's live count must follow when nothing leaks.
int64_t module_blocks();

class hardening_test : public ::testing::Test {
protected:
    hardening_test();
    ~hardening_test() override;
    // Every test ends with every service reference and track reference back.
    void TearDown() override;

    fake::fake_host host;
    fake::fake_track song{host.log};
    support::component_services component;
};

} // namespace hardening
