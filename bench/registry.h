#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "alloc_count.h"

namespace bench {

using body = std::function<void(benchmark::State&)>;

// One line of the summary table: a case, its baseline and the ratio the case must keep.
struct case_row {
    std::string name;
    uint32_t items = 1;              // items one operation handles: times are per item
    double target = 0;               // largest allowed ratio; 0 = reported only
    std::vector<std::string> extras; // information rows, "<name>_<suffix>"
    std::vector<std::string> labels; // what each information row is
};

// Registers `name` and `name_baseline` side by side.
void add_case(const std::string& name, uint32_t items, double target, body component,
              body baseline);
// Registers `name_suffix`, shown under the case `name` for information.
void add_information(const std::string& name, const std::string& suffix, const std::string& label,
                     body fn);
const std::vector<case_row>& case_rows();

// Runs `operation` once per iteration and sets the run's counters from what the loop asked
// of the heap: "allocs" for the component's allocation hook, "new" for operator new, both
// per operation. The thread's CPU time is what the table reads, so that other work on the
// machine does not count.
template <typename F>
void timed_loop(benchmark::State& state, F&& operation) {
    const heap_requests before = heap_requests_now();
    for (auto _ : state)
        operation();
    const heap_requests asked = heap_requests_now() - before;
    state.counters["allocs"] =
        benchmark::Counter(static_cast<double>(asked.hook), benchmark::Counter::kAvgIterations);
    state.counters["new"] = benchmark::Counter(static_cast<double>(asked.operator_new),
                                               benchmark::Counter::kAvgIterations);
}

} // namespace bench
