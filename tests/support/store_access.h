#pragma once

// Setting and reading the values of a list of 32-bit values (the order store, or a test's
// own configuration variable) from outside the component, as tests, fuzzers and
// benchmarks need to.

#include <cstdint>
#include <vector>

#include "order_memory/order_store.h"
#include "varo/list.h"

namespace support {

using value_list = varo::list_t<unsigned int, varo::alloc_fast>;

// Makes `list` hold `values`: one resize (its block grows or shrinks as the policy says),
// then the values written in.
void assign_values(value_list& list, const std::vector<uint32_t>& values);
// The values `list` holds, in order.
std::vector<uint32_t> values_of(const value_list& list);

// Makes the order store hold `values` as a store grown from empty would: no block for no
// values, else the block its doubling policy reaches from one entry.
inline void set_store(const std::vector<uint32_t>& values) {
    cfg_playlist_order.clear();
    if (!values.empty()) // a resize to nothing would still take a block
        assign_values(cfg_playlist_order, values);
}
// The values the order store holds.
inline std::vector<uint32_t> store_values() {
    return values_of(cfg_playlist_order);
}

} // namespace support
