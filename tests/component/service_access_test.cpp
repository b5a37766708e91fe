// Acquiring the host's services: the three errors, the null directory, and the calls made.

#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "component_services.h"
#include "fake_host.h"
#include "host/service_access.h"
#include "published_guids.h"
#include "thrown_message.h"
#include "varo/exceptions.h"

namespace {

using entries = std::vector<std::string>;

class service_access_test : public ::testing::Test {
protected:
    service_access_test() { support::connect(&host); }
    void TearDown() override { EXPECT_EQ(host.outstanding(), 0); }

    fake::fake_host host;
};

struct service_class {
    const char* name;
    GUID guid;
    uint32_t fake::fake_host::*instances;
};

const service_class classes[] = {
    {"playlist", published::playlist_service, &fake::fake_host::playlist_instances},
    {"playback", published::playback_service, &fake::fake_host::playback_instances},
};

template <typename E>
bool is(const std::exception& e) {
    return dynamic_cast<const E*>(&e) != nullptr;
}

TEST_F(service_access_test, returns_one_reference_to_the_one_instance_without_querying_it) {
    for (const service_class& k : classes) {
        SCOPED_TRACE(k.name);
        host.log.clear();
        {
            const service_ptr service = acquire_service(k.guid);
            const service_base* expected = guid_equal(k.guid, published::playlist_service)
                                               ? static_cast<const service_base*>(&host.playlists)
                                               : static_cast<const service_base*>(&host.playback);
            EXPECT_EQ(service.get(), expected);
            EXPECT_EQ(host.outstanding(), 1);
        }
        const std::string n = k.name;
        EXPECT_EQ(host.log.entries, (entries{"find_class " + n, "count " + n, "create " + n + " 0",
                                             "add_ref " + n, "release " + n}));
    }
}

TEST_F(service_access_test, each_host_answer_maps_to_its_error_and_message) {
    struct error_case {
        const char* name;
        uint32_t instances;
        bool create_fails;
        bool hands_out_nothing;
        std::function<bool(const std::exception&)> type;
        const char* message;
        bool reaches_create;
    };
    const error_case cases[] = {
        {"no instance", 0, false, false, is<exception_service_not_found>, "Service not found",
         false},
        {"two instances", 2, false, false, is<exception_service_duplicated>, "Service duplicated",
         false},
        {"many instances", 0xFFFFFFFF, false, false, is<exception_service_duplicated>,
         "Service duplicated", false},
        {"create refuses", 1, true, false, is<varo::exception_bug_check>, "Bug check", true},
        {"create claims an instance it does not hand out", 1, false, true,
         is<varo::exception_bug_check>, "Bug check", true},
    };
    for (const service_class& k : classes) {
        for (const error_case& e : cases) {
            SCOPED_TRACE(std::string(k.name) + ": " + e.name);
            host.playlist_instances = host.playback_instances = 1;
            host.*k.instances = e.instances;
            host.create_fails = e.create_fails;
            host.create_hands_out_nothing = e.hands_out_nothing;
            host.log.clear();

            EXPECT_EQ(thrown_message([&] { acquire_service(k.guid); }, e.type), e.message);

            const std::string n = k.name;
            entries expected = {"find_class " + n, "count " + n};
            if (e.reaches_create)
                expected.push_back("create " + n + " 0");
            EXPECT_EQ(host.log.entries, expected);
            EXPECT_EQ(host.outstanding(), 0);
        }
    }
}

TEST_F(service_access_test, no_directory_from_the_export_means_service_not_found) {
    velmora_get_interface(nullptr, nullptr);
    for (const service_class& k : classes) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(thrown_message([&] { acquire_service(k.guid); }, is<exception_service_not_found>),
                  "Service not found");
    }
    EXPECT_TRUE(host.log.entries.empty());
}

TEST_F(service_access_test, an_error_from_the_host_itself_passes_through) {
    for (uint64_t call = 1; call <= 3; ++call) {
        SCOPED_TRACE(call);
        host.log.fail_at(call);
        EXPECT_THROW(acquire_service(published::playlist_service), fake::host_fault);
        EXPECT_TRUE(host.log.failed());
        EXPECT_EQ(host.outstanding(), 0);
    }
}

} // namespace
