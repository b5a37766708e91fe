#include "config_stream.h"

#include <cstdio>

namespace velmora_host {

const GUID order_store_guid = {
    0x38844CF8, 0x9FAE, 0x4ED0, {0xB6, 0xC7, 0x28, 0xE8, 0xB7, 0x1F, 0xCC, 0x4D}};

namespace {

constexpr size_t header_size = 20;

uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

GUID guid_at(const uint8_t* p) {
    GUID g{};
    g.Data1 = le32(p);
    g.Data2 = le16(p + 4);
    g.Data3 = le16(p + 6);
    for (int i = 0; i < 8; ++i)
        g.Data4[i] = p[8 + i];
    return g;
}

void decode_orders(const uint8_t* payload, config_record& record) {
    if (record.size < 4) {
        record.damage = "payload of " + std::to_string(record.size) + " bytes holds no count";
        return;
    }
    const uint64_t count = le32(payload);
    const uint64_t needed = 4 + 4 * count;
    if (needed != record.size) {
        record.damage = "count " + std::to_string(count) + " needs " + std::to_string(needed) +
                        " bytes, the payload has " + std::to_string(record.size);
        return;
    }
    for (uint64_t i = 0; i < count; ++i)
        record.orders.push_back(le32(payload + 4 + 4 * i));
}

} // namespace

std::vector<config_record> decode_config_stream(const std::vector<uint8_t>& bytes) {
    std::vector<config_record> records;
    size_t offset = 0;
    while (offset < bytes.size()) {
        config_record record;
        record.offset = offset;
        const size_t left = bytes.size() - offset;
        const uint8_t* at = bytes.data() + offset;
        if (left >= 16) {
            record.has_guid = true;
            record.guid = guid_at(at);
            record.is_order_store = guid_equal(record.guid, order_store_guid);
        }
        if (left < header_size) {
            record.damage = "only " + std::to_string(left) + " bytes left, a record header takes " +
                            std::to_string(header_size);
            records.push_back(record);
            break;
        }
        record.has_size = true;
        record.size = le32(at + 16);
        if (record.size > left - header_size) {
            record.damage = "payload of " + std::to_string(record.size) +
                            " bytes runs past the end (" + std::to_string(left - header_size) +
                            " bytes left)";
            records.push_back(record);
            break;
        }
        if (record.is_order_store)
            decode_orders(at + header_size, record);
        records.push_back(record);
        offset += header_size + record.size;
    }
    return records;
}

std::string guid_text(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

std::string list_text(const std::vector<uint32_t>& values) {
    std::string text = "[";
    for (size_t i = 0; i < values.size(); ++i)
        text += (i == 0 ? "" : ", ") + std::to_string(values[i]);
    return text + "]";
}

remembered_orders find_remembered_orders(const std::vector<uint8_t>& bytes) {
    remembered_orders result;
    result.problem = "no order list in the configuration";
    for (const config_record& record : decode_config_stream(bytes)) {
        if (!record.is_order_store)
            continue;
        // As the component reads, a later record replaces an earlier one.
        result.found = record.damage.empty();
        result.values = record.orders;
        result.problem = record.damage.empty() ? "" : "damaged order list: " + record.damage;
    }
    return result;
}

} // namespace velmora_host
