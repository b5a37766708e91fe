#include "data.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <random>

namespace bench {

namespace {
template <typename T, typename Make>
const T& cached(std::map<uint32_t, T>& cache, uint32_t n, Make make) {
    auto found = cache.find(n);
    if (found == cache.end())
        found = cache.emplace(n, make(n)).first;
    return found->second;
}

std::vector<uint32_t> make_permutation(uint32_t n, uint32_t seed) {
    std::vector<uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::mt19937 random(seed);
    std::shuffle(order.begin(), order.end(), random);
    return order;
}
} // namespace

const std::vector<uint32_t>& random_permutation(uint32_t n) {
    static std::map<uint32_t, std::vector<uint32_t>> cache;
    return cached(cache, n, [](uint32_t size) { return make_permutation(size, 1); });
}

const std::vector<uint32_t>& random_values(uint32_t n) {
    static std::map<uint32_t, std::vector<uint32_t>> cache;
    return cached(cache, n, [](uint32_t size) {
        // Multiplying by an odd constant maps distinct values to distinct values.
        std::vector<uint32_t> values = make_permutation(size, 2);
        for (uint32_t& v : values)
            v *= 2654435761u;
        return values;
    });
}

const std::vector<uint32_t>& random_small_values(uint32_t n) {
    static std::map<uint32_t, std::vector<uint32_t>> cache;
    return cached(cache, n, [](uint32_t size) {
        std::mt19937 random(3);
        std::vector<uint32_t> values(size);
        for (uint32_t& v : values)
            v = random() % 16;
        return values;
    });
}

const std::vector<bool>& random_half_mask(uint32_t n) {
    static std::map<uint32_t, std::vector<bool>> cache;
    return cached(cache, n, [](uint32_t size) {
        const std::vector<uint32_t> order = make_permutation(size, 4);
        std::vector<bool> bits(size);
        for (uint32_t i = 0; i < size / 2; ++i)
            bits[order[i]] = true;
        return bits;
    });
}

} // namespace bench
