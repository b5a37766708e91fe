#pragma once

// Decoding of the component's configuration stream: a sequence of records, each a 16-byte
// GUID, a little-endian 32-bit payload size and the payload.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/guid.h"

namespace velmora_host {

// The GUID under which the component keeps its per-playlist order list.
extern const GUID order_store_guid;

// One record as far as the bytes allow; `damage` is empty for a sound record.
struct config_record {
    size_t offset = 0;
    bool has_guid = false;
    GUID guid{};
    bool has_size = false;
    uint32_t size = 0;
    bool is_order_store = false;
    std::vector<uint32_t> orders; // decoded payload of a sound order-store record
    std::string damage;
};

// Every record of `bytes`, in stream order. Decoding stops after a record whose extent is
// damaged, since the next record cannot be found; a damaged order-store payload of sound
// extent is reported and decoding goes on.
std::vector<config_record> decode_config_stream(const std::vector<uint8_t>& bytes);

// The GUID in registry form, e.g. {38844CF8-9FAE-4ED0-B6C7-28E8B71FCC4D}.
std::string guid_text(const GUID& guid);

// The values as "[2, 0]".
std::string list_text(const std::vector<uint32_t>& values);

// What the stream says about the order list: the values of its last order-store record.
struct remembered_orders {
    bool found = false;
    std::vector<uint32_t> values;
    std::string problem; // set when not found: why
};
remembered_orders find_remembered_orders(const std::vector<uint8_t>& bytes);

} // namespace velmora_host
