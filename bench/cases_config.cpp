#include <cstring>
#include <string>
#include <vector>

#include "cases.h"
#include "component_access.h"
#include "data.h"
#include "lean_host.h"
#include "registry.h"

namespace bench {

namespace {
// write_config, then read_config of the bytes it wrote, through in-memory host streams.
void round_trip_store(benchmark::State& state, uint32_t n) {
    const std::vector<uint32_t>& values = random_values(n);
    component_client& client = *component().client;
    memory_writer writer;
    memory_reader reader;
    const auto round_trip = [&] {
        writer.clear();
        client.write_config(writer, abort_object());
        reader.reset(writer.data(), writer.size());
        client.read_config(reader, abort_object());
    };
    assign_values(cfg_playlist_order, values);
    round_trip(); // also sizes the writer's block
    if (store_values() != values || writer.size() != 24 + 4 * static_cast<size_t>(n)) {
        state.SkipWithError("the store did not survive the round trip");
        return;
    }
    timed_loop(state, round_trip);
}

// The physical limit: the same bytes copied out and back in.
void round_trip_memcpy(benchmark::State& state, uint32_t n) {
    std::vector<uint32_t> values = random_values(n);
    std::vector<uint8_t> stream(4 * static_cast<size_t>(n));
    timed_loop(state, [&] {
        std::memcpy(stream.data(), values.data(), stream.size());
        benchmark::ClobberMemory();
        std::memcpy(values.data(), stream.data(), stream.size());
        benchmark::ClobberMemory();
    });
}
} // namespace

void register_config_cases() {
    for (const uint32_t n : case_sizes)
        add_case(
            "config_roundtrip/" + std::to_string(n), n, n == 1000000 ? 40.0 : 0.0,
            [n](benchmark::State& s) { round_trip_store(s, n); },
            [n](benchmark::State& s) { round_trip_memcpy(s, n); });
}

} // namespace bench
