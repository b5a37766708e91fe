#pragma once

// Class and configuration identifiers.
//
// A GUID names a service class (the class_guid of each interface) and a configuration
// variable. Both sides only compare GUIDs; neither keeps a pointer to the other's.

#include <cstdint>
#include <cstring>

#ifdef _WIN32
#include <guiddef.h>
#else
// Same layout as the platform GUID on Windows: 16 bytes, no padding.
struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
#endif

static_assert(sizeof(GUID) == 16, "a GUID is 16 bytes");

// Byte-wise equality; equivalent to comparing the four 32-bit words. Never throws.
inline bool guid_equal(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
