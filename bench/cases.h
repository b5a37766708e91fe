#pragma once

#include <cstdint>

// Each registers its cases, every one beside its baseline.
namespace bench {

// The sizes of the per-item cases.
constexpr uint32_t case_sizes[] = {1000, 100000, 1000000};

void register_reorder_cases();
void register_remove_cases();
void register_config_cases();
void register_sort_cases();
void register_event_cases();

} // namespace bench
