#include "registry.h"

#include <utility>

namespace bench {

namespace {
std::vector<case_row>& rows() {
    static std::vector<case_row> all;
    return all;
}

void add_benchmark(const std::string& name, body fn) {
    benchmark::RegisterBenchmark(name.c_str(), [fn](benchmark::State& state) {
        fn(state);
    })->Unit(benchmark::kNanosecond);
}
} // namespace

void add_case(const std::string& name, uint32_t items, double target, body component,
              body baseline) {
    add_benchmark(name, std::move(component));
    add_benchmark(name + "_baseline", std::move(baseline));
    case_row row;
    row.name = name;
    row.items = items;
    row.target = target;
    rows().push_back(row);
}

void add_information(const std::string& name, const std::string& suffix, const std::string& label,
                     body fn) {
    add_benchmark(name + "_" + suffix, std::move(fn));
    for (case_row& row : rows())
        if (row.name == name) {
            row.extras.push_back(name + "_" + suffix);
            row.labels.push_back(label);
        }
}

const std::vector<case_row>& case_rows() {
    return rows();
}

} // namespace bench
