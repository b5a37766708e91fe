#include <algorithm>
#include <string>
#include <vector>

#include "cases.h"
#include "component_access.h"
#include "data.h"
#include "lean_host.h"
#include "registry.h"

// Each operation refills the N entries (one copy of N values, the same for the case and its
// baseline) and then removes half of them.
namespace bench {

namespace {
// The entries a removal keeps: those whose removal bit is clear, in order.
std::vector<uint32_t> kept(const std::vector<uint32_t>& values, const std::vector<bool>& removed) {
    std::vector<uint32_t> out;
    for (size_t i = 0; i < values.size(); ++i)
        if (!removed[i])
            out.push_back(values[i]);
    return out;
}

void remove_from_store(benchmark::State& state, uint32_t n) {
    const std::vector<uint32_t>& values = random_values(n);
    const lean_mask mask(random_half_mask(n));
    const bit_array& removed = mask;
    playlist_callback& events = *component().playlist_events;
    const auto refill_and_remove = [&] {
        assign_values(cfg_playlist_order, values);
        events.playlists_removed(removed, n, n - n / 2);
    };
    refill_and_remove(); // also brings the store's block to its steady size
    if (store_values() != kept(values, random_half_mask(n))) {
        state.SkipWithError("the store did not follow the removal");
        return;
    }
    timed_loop(state, refill_and_remove);
}

// std::remove_if asking the same host mask, one get per entry.
void remove_from_vector(benchmark::State& state, uint32_t n) {
    const std::vector<uint32_t>& values = random_values(n);
    const lean_mask mask(random_half_mask(n));
    const bit_array& removed = mask;
    std::vector<uint32_t> list;
    list.reserve(n);
    timed_loop(state, [&] {
        list.assign(values.begin(), values.end());
        const uint32_t* first = list.data();
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [&](const uint32_t& item) {
                                      return removed.get(static_cast<uint32_t>(&item - first));
                                  }),
                   list.end());
        benchmark::ClobberMemory();
    });
    if (list != kept(values, random_half_mask(n)))
        state.SkipWithError("the baseline removed the wrong entries");
}
} // namespace

void register_remove_cases() {
    for (const uint32_t n : case_sizes)
        add_case(
            "remove/" + std::to_string(n), n, 1.5,
            [n](benchmark::State& s) { remove_from_store(s, n); },
            [n](benchmark::State& s) { remove_from_vector(s, n); });
}

} // namespace bench
