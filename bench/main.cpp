#include <benchmark/benchmark.h>

#include <cstdio>
#include <exception>
#include <vector>

#include "cases.h"
#include "component_access.h"
#include "table_reporter.h"

// Runs every case beside its baseline and prints the summary table. The defaults below
// come first on the command line, so that the caller's own --benchmark_* flags win.
int main(int argc, char** argv) {
    std::vector<char*> args;
    args.push_back(argv[0]);
    char repetitions[] = "--benchmark_repetitions=7";
    char min_time[] = "--benchmark_min_time=0.05";
    char interleaving[] = "--benchmark_enable_random_interleaving=true";
    args.push_back(repetitions);
    args.push_back(min_time);
    args.push_back(interleaving);
    for (int i = 1; i < argc; ++i)
        args.push_back(argv[i]);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 2;

    try {
        bench::component();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "verandel-bench: %s\n", error.what());
        return 1;
    }
    bench::register_reorder_cases();
    bench::register_remove_cases();
    bench::register_config_cases();
    bench::register_sort_cases();
    bench::register_event_cases();

    bench::table_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.all_ran() ? 0 : 1;
}
