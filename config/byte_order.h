#pragma once

#include <cstdint>

#include "host/guid.h"

// Integers in the configuration stream are little-endian whatever the machine.

inline void store_le32(uint8_t* out, uint32_t value) noexcept {
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
    out[2] = static_cast<uint8_t>(value >> 16);
    out[3] = static_cast<uint8_t>(value >> 24);
}

inline uint32_t load_le32(const uint8_t* in) noexcept {
    return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
           static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

// A GUID as its 16 stream bytes: three little-endian fields, then eight bytes as they stand.
inline void store_guid(uint8_t* out, const GUID& id) noexcept {
    store_le32(out, id.Data1);
    out[4] = static_cast<uint8_t>(id.Data2);
    out[5] = static_cast<uint8_t>(id.Data2 >> 8);
    out[6] = static_cast<uint8_t>(id.Data3);
    out[7] = static_cast<uint8_t>(id.Data3 >> 8);
    for (int i = 0; i < 8; ++i)
        out[8 + i] = id.Data4[i];
}

inline GUID load_guid(const uint8_t* in) noexcept {
    GUID id;
    id.Data1 = load_le32(in);
    id.Data2 = static_cast<uint16_t>(in[4] | in[5] << 8);
    id.Data3 = static_cast<uint16_t>(in[6] | in[7] << 8);
    for (int i = 0; i < 8; ++i)
        id.Data4[i] = in[8 + i];
    return id;
}
