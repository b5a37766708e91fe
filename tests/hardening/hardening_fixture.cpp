#include "hardening_fixture.h"

#include <cstdio>
#include <memory>

namespace hardening {

tally& failure_points() {
    static tally counts;
    return counts;
}

int64_t module_blocks() {
    return (cfg_playlist_order.storage().data() != nullptr ? 1 : 0) +
           (library_path.data() != nullptr ? 1 : 0) + (library_file_name.data() != nullptr ? 1 : 0);
}

hardening_test::hardening_test() {
    varo::alloc_hook::refuse_nth(0);
    cfg_playlist_order.clear();
    init_state = state_not_started;
    component = support::connect(&host);
}

hardening_test::~hardening_test() {
    varo::alloc_hook::refuse_nth(0);
    cfg_playlist_order.clear();
    init_state = state_not_started;
    support::connect(nullptr);
}

void hardening_test::TearDown() {
    EXPECT_EQ(host.outstanding(), 0) << "service references still held by the component";
    EXPECT_EQ(song.references(), 0) << "track references not released exactly once";
}

namespace {
// Prints the tally once every test has run, so the CI log carries the figures.
class tally_printer : public ::testing::Environment {
public:
    void TearDown() override {
        const tally& t = failure_points();
        std::printf("allocation failure points tried: %llu over %llu operations\n",
                    static_cast<unsigned long long>(t.allocation_points),
                    static_cast<unsigned long long>(t.allocation_operations));
        std::printf("host failure points tried: %llu over %llu events\n",
                    static_cast<unsigned long long>(t.host_points),
                    static_cast<unsigned long long>(t.host_events));
    }
};
// gtest takes ownership of its environments.
const auto* const printer =
    ::testing::AddGlobalTestEnvironment(std::make_unique<tally_printer>().release());
} // namespace

} // namespace hardening
