#pragma once

// The component as the benchmarks reach it: connected to the lean host on first use, and
// the order store's values, through the test-support library's walk and store access. A
// case refills the store with assign_values, which keeps its block where the policy allows,
// so that refilling allocates nothing once the block is there.

#include "component_services.h"
#include "store_access.h"

namespace bench {

// The component's client and services; throws std::runtime_error when the factory list
// lacks one the cases drive.
const support::component_services& component();

using support::assign_values;
using support::store_values;

} // namespace bench
