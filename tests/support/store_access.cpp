#include "store_access.h"

namespace support {

void assign_values(value_list& list, const std::vector<uint32_t>& values) {
    const uint32_t n = static_cast<uint32_t>(values.size());
    list.resize(n);
    for (uint32_t i = 0; i < n; ++i)
        list[i] = values[i];
}

std::vector<uint32_t> values_of(const value_list& list) {
    std::vector<uint32_t> out(list.item_count());
    for (uint32_t i = 0; i < out.size(); ++i)
        out[i] = list[i];
    return out;
}

} // namespace support
