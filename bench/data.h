#pragma once

#include <cstdint>
#include <vector>

// Inputs of the cases, made once per size from fixed seeds and kept for the whole run.
namespace bench {

// A random permutation of 0 .. n - 1.
const std::vector<uint32_t>& random_permutation(uint32_t n);
// n distinct unsigned values in random order.
const std::vector<uint32_t>& random_values(uint32_t n);
// n random values in 0 .. 15.
const std::vector<uint32_t>& random_small_values(uint32_t n);
// n bits of which exactly n / 2, chosen at random, are set.
const std::vector<bool>& random_half_mask(uint32_t n);

} // namespace bench
