#include "table_reporter.h"

#include <cstdio>

#include "registry.h"

namespace bench {

namespace {
double counter(const benchmark::BenchmarkReporter::Run& run, const char* name) {
    const auto found = run.counters.find(name);
    return found == run.counters.end() ? 0.0 : found->second.value;
}

std::string allocs_text(double allocs) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", allocs);
    return text;
}
} // namespace

bool table_reporter::ReportContext(const Context& context) {
    std::printf("%d cpus at %.0f MHz\n", context.cpu_info.num_cpus,
                context.cpu_info.cycles_per_second / 1e6);
    for (const auto& cache : context.cpu_info.caches)
        std::printf("  L%d %s cache: %d KiB (x%d)\n", cache.level, cache.type.c_str(),
                    cache.size / 1024, cache.num_sharing);
    std::fflush(stdout);
    return true;
}

void table_reporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        const std::string name = run.run_name.function_name;
        result r;
        r.failed = run.error_occurred;
        const bool summary = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
        if (r.failed) {
            std::printf("%-36s FAILED: %s\n", name.c_str(), run.error_message.c_str());
            record(name, r);
            continue;
        }
        if (!summary && !single)
            continue;
        r.nanoseconds = run.GetAdjustedCPUTime();
        r.hook_allocs = counter(run, "allocs");
        r.new_allocs = counter(run, "new");
        std::printf("%-36s %14.1f ns/op  allocs %s (hook) %s (new)\n", name.c_str(), r.nanoseconds,
                    allocs_text(r.hook_allocs).c_str(), allocs_text(r.new_allocs).c_str());
        record(name, r);
    }
    std::fflush(stdout);
}

void table_reporter::record(const std::string& name, const result& r) {
    result& kept = results_[name];
    if (r.failed || !kept.failed)
        kept = r;
}

void table_reporter::Finalize() {
    std::printf("\n%-30s %9s %10s %10s %8s %7s %8s %8s  %s\n", "case", "items", "ns/item",
                "base ns", "ratio", "target", "allocs", "b.allocs", "verdict");
    for (const case_row& row : case_rows()) {
        const auto own = results_.find(row.name);
        const auto base = results_.find(row.name + "_baseline");
        if (own == results_.end() || base == results_.end())
            continue; // filtered out
        if (own->second.failed || base->second.failed) {
            std::printf("%-30s FAILED\n", row.name.c_str());
            ++failed_;
            continue;
        }
        const double per_item = own->second.nanoseconds / row.items;
        const double base_per_item = base->second.nanoseconds / row.items;
        const double ratio = own->second.nanoseconds / base->second.nanoseconds;
        char target[16] = "-";
        const char* verdict = "report";
        if (row.target > 0) {
            std::snprintf(target, sizeof target, "%.1fx", row.target);
            verdict = ratio <= row.target ? "ok" : "MISS";
            ++targets_;
            if (ratio <= row.target)
                ++held_;
        }
        std::printf("%-30s %9u %10.3f %10.3f %7.2fx %7s %8s %8s  %s\n", row.name.c_str(), row.items,
                    per_item, base_per_item, ratio, target,
                    allocs_text(own->second.hook_allocs + own->second.new_allocs).c_str(),
                    allocs_text(base->second.hook_allocs + base->second.new_allocs).c_str(),
                    verdict);
        for (size_t i = 0; i < row.extras.size(); ++i) {
            const auto extra = results_.find(row.extras[i]);
            if (extra == results_.end() || extra->second.failed)
                continue;
            std::printf("  %-38s %10.3f %10s %7.2fx %7s %8s %8s  %s\n", row.labels[i].c_str(),
                        extra->second.nanoseconds / row.items, "",
                        extra->second.nanoseconds / base->second.nanoseconds, "",
                        allocs_text(extra->second.hook_allocs + extra->second.new_allocs).c_str(),
                        "", "info");
        }
    }
    std::printf("\ntargets held: %d of %d; failed cases: %d\n", held_, targets_, failed_);
    std::printf("\nns/item: median over the repetitions of the thread's CPU time per item (per "
                "event for events);\nratio = case / baseline. allocs: heap requests per "
                "operation (the component's through its\nallocation hook, plus operator new).\n");
    std::fflush(stdout);
}

} // namespace bench
