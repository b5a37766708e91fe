#pragma once

// The order store, the lifecycle flag and the stored host directory are module-wide: every
// test starts from an empty store, a component that has not started, and a fresh fake host
// connected through the export. Every test ends by checking that the host got back every
// reference it handed out.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "component_services.h"
#include "fake_host.h"
#include "order_memory/order_store.h"
#include "store_access.h"
#include "thrown_message.h"
#include "varo/alloc_hook.h"
#include "varo/exceptions.h"

namespace order_memory_testing {

using support::set_store;
using support::store_values;
using entries = std::vector<std::string>;
using values = std::vector<uint32_t>;

class order_memory_test : public ::testing::Test {
protected:
    order_memory_test() {
        cfg_playlist_order.clear();
        init_state = state_not_started;
        varo::alloc_hook::reset();
        services = support::connect(&host);
    }
    ~order_memory_test() override {
        varo::alloc_hook::refuse_nth(0);
        cfg_playlist_order.clear();
        init_state = state_not_started;
    }
    void TearDown() override {
        EXPECT_EQ(host.outstanding(), 0) << "service references still held by the component";
        EXPECT_EQ(song.references(), 0) << "track references not released exactly once";
    }

    // Fills the store's block beyond its count with a marker, so that a write at or past
    // the count shows (the block is allocated there, so no sanitizer would see it).
    static void mark_spare_capacity() {
        auto& block = cfg_playlist_order.storage();
        for (uint32_t i = block.size(); i < block.capacity(); ++i)
            block[i] = spare_marker;
    }
    static bool spare_capacity_untouched() {
        const auto& block = cfg_playlist_order.storage();
        for (uint32_t i = block.size(); i < block.capacity(); ++i)
            if (block[i] != spare_marker)
                return false;
        return true;
    }
    static constexpr uint32_t spare_marker = 0x5A5A5A5A;

    // The entries of the log that name a call of the playlist service's set_active_order.
    entries orders_set() const {
        entries out;
        for (const std::string& e : host.log.entries)
            if (e.rfind("set_active_order", 0) == 0)
                out.push_back(e);
        return out;
    }

    initquit& startup() { return *services.startup; }
    play_callback_static& playback_events() { return *services.playback_events; }
    playlist_callback_static& playlist_events() { return *services.playlist_events; }

    fake::fake_host host;
    fake::fake_track song{host.log};
    support::component_services services;
};

// The log of acquiring one service and of releasing it, as the fake host records them.
inline entries acquired(const std::string& name) {
    return {"find_class " + name, "count " + name, "create " + name + " 0", "add_ref " + name};
}
inline std::string released(const std::string& name) {
    return "release " + name;
}

// Concatenates pieces of an expected log.
inline entries calls(std::initializer_list<entries> pieces) {
    entries out;
    for (const entries& p : pieces)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// How the host spoils one acquisition; each maps to one error of acquire_service.
enum class acquisition_fault { no_instance, two_instances, create_refused };

struct acquisition_fault_case {
    const char* name;
    acquisition_fault fault;
    const char* message;
    std::function<bool(const std::exception&)> is_expected_type;
};

inline std::vector<acquisition_fault_case> acquisition_faults() {
    return {
        {"no instance", acquisition_fault::no_instance, "Service not found",
         [](const std::exception& e) {
             return dynamic_cast<const exception_service_not_found*>(&e) != nullptr;
         }},
        {"two instances", acquisition_fault::two_instances, "Service duplicated",
         [](const std::exception& e) {
             return dynamic_cast<const exception_service_duplicated*>(&e) != nullptr;
         }},
        {"create refused", acquisition_fault::create_refused, "Bug check",
         [](const std::exception& e) {
             return dynamic_cast<const varo::exception_bug_check*>(&e) != nullptr;
         }},
    };
}

// Makes the `nth` acquisition (1 = the next one) fail with `fault`; the ones before it
// succeed. Returns a function telling whether the fault has been placed.
inline std::function<bool()> spoil_acquisition(fake::fake_host& host, int nth,
                                               acquisition_fault fault) {
    auto seen = std::make_shared<int>(0);
    host.log.on_record = [&host, nth, fault, seen](const std::string& call) {
        if (call.rfind("find_class ", 0) != 0 || ++*seen != nth)
            return;
        const bool playlist = call == "find_class playlist";
        uint32_t& instances = playlist ? host.playlist_instances : host.playback_instances;
        switch (fault) {
        case acquisition_fault::no_instance:
            instances = 0;
            break;
        case acquisition_fault::two_instances:
            instances = 2;
            break;
        case acquisition_fault::create_refused:
            host.create_fails = true;
            break;
        }
    };
    return [seen, nth] { return *seen >= nth; };
}

} // namespace order_memory_testing
