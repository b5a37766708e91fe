#pragma once

// The two injection loops: refuse the 1st, 2nd, ... allocation request of an operation, or
// make the fake host fail its 1st, 2nd, ... call during an event, until the operation runs
// through untouched. Each run starts from `prepare`; `check` sees how it ended.

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <string>

#include "fake_host.h"
#include "hardening_fixture.h"
#include "varo/alloc_hook.h"

namespace hardening {

// Far more than any operation here needs; reaching it means the loop would not end.
constexpr uint64_t injection_limit = 10000;

struct refusal_outcome {
    uint64_t nth = 0;     // the request refused (1 = the operation's first)
    bool refused = false; // the hook did refuse a request during the run
    bool threw = false;   // std::bad_alloc reached the caller
    std::string message;  // its what()
};

// A refusal that must reach the caller as std::bad_alloc ("bad allocation").
inline void expect_reported(const refusal_outcome& o) {
    ASSERT_TRUE(o.threw) << "request " << o.nth << " refused but no std::bad_alloc arrived";
    EXPECT_EQ(o.message, "bad allocation");
}

template <typename Prepare, typename Operation, typename Check>
uint64_t refuse_each_allocation(const std::string& name, Prepare prepare, Operation operation,
                                Check check) {
    for (uint64_t n = 1;; ++n) {
        prepare();
        varo::alloc_hook::reset();
        const int64_t blocks_before = module_blocks();
        varo::alloc_hook::refuse_nth(n);
        refusal_outcome outcome;
        outcome.nth = n;
        try {
            operation();
        } catch (const std::bad_alloc& e) {
            outcome.threw = true;
            outcome.message = e.what();
        }
        varo::alloc_hook::refuse_nth(0);
        outcome.refused = varo::alloc_hook::refusals() != 0;
        if (!outcome.refused) {
            EXPECT_FALSE(outcome.threw) << name << ": std::bad_alloc without a refusal";
        }
        // Every block allocated during the run is either freed or owned by the module.
        EXPECT_EQ(varo::alloc_hook::live_blocks(), module_blocks() - blocks_before)
            << name << ": a block leaked with request " << n << " refused";
        {
            SCOPED_TRACE(name + ", request " + std::to_string(n) + " refused");
            check(outcome);
        }
        if (!outcome.refused || n == injection_limit) {
            EXPECT_LT(n, injection_limit) << name << " never ran through";
            failure_points().allocation_points += n - 1;
            failure_points().allocation_operations += 1;
            return n - 1;
        }
    }
}

struct fault_outcome {
    uint64_t nth = 0;     // the host call made to fail (1 = the event's first)
    bool faulted = false; // the fake host did throw during the run
    bool reached = false; // fake::host_fault reached the caller
};

// How many calls starting with `prefix` the host answered before the failing one.
inline int answered_before_fault(const fake::call_log& log, const std::string& prefix) {
    int answered = 0;
    for (size_t i = 0; i < log.entries.size(); ++i) {
        const bool failing = i + 1 < log.entries.size() && log.entries[i + 1] == "fault";
        if (log.entries[i] == "fault")
            break;
        if (!failing && log.entries[i].rfind(prefix, 0) == 0)
            ++answered;
    }
    return answered;
}

template <typename Prepare, typename Event, typename Check>
uint64_t fault_each_host_call(fake::fake_host& host, const std::string& name, Prepare prepare,
                              Event event, Check check) {
    int64_t blocks_before = 0;
    const uint64_t points = fake::fail_each_host_call(
        host,
        [&] {
            prepare();
            varo::alloc_hook::reset();
            blocks_before = module_blocks();
        },
        event,
        [&](uint64_t n, bool thrown) {
            fault_outcome outcome;
            outcome.nth = n;
            outcome.reached = thrown;
            outcome.faulted = host.log.failed();
            // The host's error is never swallowed, and nothing else is thrown in its place.
            EXPECT_EQ(outcome.reached, outcome.faulted) << name << ", call " << n;
            EXPECT_EQ(host.outstanding(), 0) << name << ": service reference kept, call " << n;
            EXPECT_EQ(varo::alloc_hook::live_blocks(), module_blocks() - blocks_before)
                << name << ": a block leaked with call " << n << " failing";
            SCOPED_TRACE(name + ", host call " + std::to_string(n) + " failing");
            check(outcome);
        });
    failure_points().host_points += points;
    failure_points().host_events += 1;
    return points;
}

} // namespace hardening
