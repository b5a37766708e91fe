#include <algorithm>
#include <string>
#include <vector>

#include "cases.h"
#include "component_access.h"
#include "data.h"
#include "lean_host.h"
#include "order_memory/order_store.h"
#include "registry.h"

namespace bench {

namespace {
enum class sort_kind { unstable, stable };

// The list's own sort, reached through the list interface. Each operation first refills
// the list (one copy of N values, as in the baseline).
void sort_list(benchmark::State& state, const std::vector<uint32_t>& values, sort_kind kind) {
    varo::list_base_t<unsigned int>& list = cfg_playlist_order;
    item_comparator& comparator = value_comparator();
    const auto refill_and_sort = [&] {
        assign_values(cfg_playlist_order, values);
        if (kind == sort_kind::stable)
            list.stable_sort(comparator);
        else
            list.sort(comparator);
    };
    refill_and_sort(); // also brings the store's block to its steady size
    timed_loop(state, refill_and_sort);
    std::vector<uint32_t> expected = values;
    std::sort(expected.begin(), expected.end());
    if (store_values() != expected)
        state.SkipWithError("the list is not sorted");
}

// std::sort or std::stable_sort over a vector, comparing through the same comparator.
void sort_vector(benchmark::State& state, const std::vector<uint32_t>& values, sort_kind kind) {
    item_comparator& comparator = value_comparator();
    const auto less = [&comparator](const uint32_t& a, const uint32_t& b) {
        return comparator.compare(a, b) < 0;
    };
    std::vector<uint32_t> list;
    list.reserve(values.size());
    timed_loop(state, [&] {
        list.assign(values.begin(), values.end());
        if (kind == sort_kind::stable)
            std::stable_sort(list.begin(), list.end(), less);
        else
            std::sort(list.begin(), list.end(), less);
        benchmark::ClobberMemory();
    });
}

void add_sort_cases(const std::string& prefix, const std::vector<uint32_t>& (*input)(uint32_t),
                    sort_kind kind, double target) {
    for (const uint32_t n : case_sizes) {
        const std::vector<uint32_t>& values = input(n);
        add_case(
            prefix + "/" + std::to_string(n), n, n == 1000000 ? target : 0.0,
            [&values, kind](benchmark::State& s) { sort_list(s, values, kind); },
            [&values, kind](benchmark::State& s) { sort_vector(s, values, kind); });
    }
}
} // namespace

void register_sort_cases() {
    add_sort_cases("sort", random_values, sort_kind::unstable, 1.5);
    add_sort_cases("stable_sort", random_values, sort_kind::stable, 2.0);
    add_sort_cases("sort_dups", random_small_values, sort_kind::unstable, 0.0);
    add_sort_cases("stable_sort_dups", random_small_values, sort_kind::stable, 0.0);
}

} // namespace bench
