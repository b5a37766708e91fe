#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace bench {

// Prints one short line per finished benchmark and, at the end, the table of every case
// beside its baseline: time per item, the ratio and its target, and heap requests per
// operation. Times are the median of the repetitions.
class table_reporter final : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context& context) override;
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

    // Whether every case ran.
    bool all_ran() const { return failed_ == 0; }

private:
    struct result {
        double nanoseconds = 0; // per operation
        double hook_allocs = 0; // per operation
        double new_allocs = 0;  // per operation
        bool failed = false;
    };
    void record(const std::string& name, const result& r);

    std::map<std::string, result> results_;
    int targets_ = 0;
    int held_ = 0;
    int failed_ = 0;
};

} // namespace bench
