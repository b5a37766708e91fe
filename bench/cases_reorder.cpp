#include <string>
#include <utility>
#include <vector>

#include "cases.h"
#include "component_access.h"
#include "data.h"
#include "registry.h"

namespace bench {

namespace {
// The plain in-place way: the same cycle walk over a vector, with a vector<bool> of the
// positions already placed.
void walk_in_place(std::vector<uint32_t>& values, const std::vector<uint32_t>& order) {
    const uint32_t n = static_cast<uint32_t>(values.size());
    std::vector<bool> placed(n);
    for (uint32_t i = 0; i < n; ++i) {
        if (order[i] == i || placed[i])
            continue;
        uint32_t prev = i;
        uint32_t cur = order[i];
        do {
            std::swap(values[prev], values[cur]);
            placed[cur] = true;
            prev = cur;
            cur = order[cur];
        } while (cur != i);
    }
}

// The out-of-place way: a gather into a fresh vector.
void gather(std::vector<uint32_t>& values, const std::vector<uint32_t>& order) {
    std::vector<uint32_t> moved(values.size());
    for (size_t k = 0; k < values.size(); ++k)
        moved[k] = values[order[k]];
    values.swap(moved);
}

void reorder_store(benchmark::State& state, uint32_t n) {
    const std::vector<uint32_t>& order = random_permutation(n);
    playlist_callback& events = *component().playlist_events;
    // One event checked against the plain walk first: a rejected order would time nothing.
    assign_values(cfg_playlist_order, random_values(n));
    std::vector<uint32_t> expected = random_values(n);
    walk_in_place(expected, order);
    events.playlists_reordered(order.data(), n);
    if (store_values() != expected) {
        state.SkipWithError("the store did not follow the reorder");
        return;
    }
    timed_loop(state, [&] {
        events.playlists_reordered(order.data(), n);
        benchmark::ClobberMemory();
    });
}

void reorder_vector(benchmark::State& state, uint32_t n,
                    void (*reorder)(std::vector<uint32_t>&, const std::vector<uint32_t>&)) {
    const std::vector<uint32_t>& order = random_permutation(n);
    std::vector<uint32_t> values = random_values(n);
    timed_loop(state, [&] {
        reorder(values, order);
        benchmark::DoNotOptimize(values.data());
        benchmark::ClobberMemory();
    });
}
} // namespace

void register_reorder_cases() {
    for (const uint32_t n : case_sizes) {
        const std::string name = "reorder/" + std::to_string(n);
        add_case(
            name, n, 1.5, [n](benchmark::State& s) { reorder_store(s, n); },
            [n](benchmark::State& s) { reorder_vector(s, n, walk_in_place); });
        add_information(name, "gather", "gather into a new vector",
                        [n](benchmark::State& s) { reorder_vector(s, n, gather); });
    }
}

} // namespace bench
