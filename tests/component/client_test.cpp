// The client object, the factory list and the published service objects, as a host sees
// them through the export.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "component/module_state.h"
#include "component_services.h"
#include "fake_host.h"
#include "host/service_access.h"
#include "order_memory/order_store.h"
#include "published_guids.h"
#include "varo/alloc_hook.h"

namespace {

// Module-wide client state back to what loading leaves, and a fresh host connected.
class client_test : public ::testing::Test {
protected:
    client_test() {
        services_initialized = false;
        services_ever_initialized = false;
        library_path.clear();
        library_file_name.clear();
        cfg_playlist_order.clear();
        init_state = state_not_started;
        varo::alloc_hook::reset();
        c = support::connect(&host);
    }
    ~client_test() override {
        varo::alloc_hook::refuse_nth(0);
        cfg_playlist_order.clear();
        init_state = state_not_started;
    }
    void TearDown() override { EXPECT_EQ(host.outstanding(), 0); }

    std::string file_name_record() {
        fake::fake_string text;
        c.version->get_file_name(text);
        EXPECT_EQ(text.calls, 1);
        EXPECT_EQ(text.last_max_length, string_sink_whole_text);
        return text.value;
    }

    fake::fake_host host;
    support::component_services c;
};

struct published_service {
    const char* name;
    service_base* object;
    GUID own;
};

std::vector<published_service> published_services(const support::component_services& c) {
    return {{"initquit", c.startup, published::initquit},
            {"play_callback_static", c.playback_events, published::play_callback_static},
            {"playlist_callback_static", c.playlist_events, published::playlist_callback_static},
            {"componentversion", c.version, published::componentversion}};
}

// GUIDs a service must not answer: every other class the host knows, the empty GUID, and
// its own GUID with one byte changed in each of the four 32-bit words.
std::vector<GUID> foreign_guids(const GUID& own) {
    std::vector<GUID> result = {published::initquit,
                                published::play_callback_static,
                                published::playlist_callback_static,
                                published::componentversion,
                                published::playlist_service,
                                published::playback_service,
                                GUID{}};
    for (size_t byte : {0u, 4u, 9u, 15u}) {
        GUID near = own;
        reinterpret_cast<unsigned char*>(&near)[byte] ^= 0x01;
        result.push_back(near);
    }
    result.erase(std::remove_if(result.begin(), result.end(),
                                [&](const GUID& g) { return guid_equal(g, own); }),
                 result.end());
    return result;
}

TEST_F(client_test, reports_revision_72_whatever_ran_before) {
    EXPECT_EQ(c.client->get_client_version(), component_client_revision);
    c.client->set_services_ready(true);
    c.client->set_module_path("/a/b.so", "b.so");
    c.client->get_factory_list();
    c.client->is_debug_build();
    EXPECT_EQ(c.client->get_client_version(), component_client_revision);
    EXPECT_TRUE(host.log.entries.empty()) << "client operations call nothing of the host";
}

TEST_F(client_test, is_never_a_debug_build) {
    EXPECT_FALSE(c.client->is_debug_build());
}

TEST_F(client_test, factory_list_holds_four_services_startup_playback_playlist_version) {
    service_factory_base* head = c.client->get_factory_list();
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head, c.client->get_factory_list()) << "the same list every time";

    const GUID expected[] = {published::initquit, published::play_callback_static,
                             published::playlist_callback_static, published::componentversion};
    service_factory_base* f = head;
    for (const GUID& guid : expected) {
        ASSERT_NE(f, nullptr);
        ASSERT_NE(f->guid, nullptr);
        EXPECT_TRUE(guid_equal(*f->guid, guid));
        f = f->next;
    }
    EXPECT_EQ(f, nullptr) << "the version record is the tail";
}

TEST_F(client_test, each_factory_hands_out_one_singleton_and_releases_what_the_out_pointer_held) {
    for (service_factory_base* f = c.client->get_factory_list(); f != nullptr; f = f->next) {
        service_ptr first;
        f->create_instance(first);
        ASSERT_FALSE(first.is_empty());

        service_ptr held(static_cast<service_base*>(&host.playlists));
        ASSERT_EQ(host.outstanding(), 1);
        f->create_instance(held);
        EXPECT_EQ(held.get(), first.get()) << "one object per factory";
        EXPECT_EQ(host.outstanding(), 0) << "the previous content was released";

        // The service answers its factory's GUID.
        service_ptr out;
        EXPECT_TRUE(first.get()->query(out, *f->guid));
        EXPECT_EQ(out.get(), first.get());
    }
}

TEST_F(client_test, each_service_answers_exactly_its_own_class_guid) {
    for (const published_service& s : published_services(c)) {
        SCOPED_TRACE(s.name);
        ASSERT_NE(s.object, nullptr);

        service_ptr held(static_cast<service_base*>(&host.playlists));
        EXPECT_TRUE(s.object->query(held, s.own));
        EXPECT_EQ(held.get(), s.object);
        EXPECT_EQ(host.outstanding(), 0) << "query releases what the out pointer held";

        for (const GUID& other : foreign_guids(s.own)) {
            service_ptr kept(static_cast<service_base*>(&host.playback));
            EXPECT_FALSE(s.object->query(kept, other)) << std::hex << other.Data1;
            EXPECT_EQ(kept.get(), static_cast<service_base*>(&host.playback))
                << "a refused query leaves the out pointer alone";
            EXPECT_EQ(host.playback.outstanding(), 1);
        }
    }
}

TEST_F(client_test, releasing_a_service_any_number_of_times_leaves_it_usable) {
    for (const published_service& s : published_services(c)) {
        SCOPED_TRACE(s.name);
        for (int i = 0; i < 1000; ++i)
            ASSERT_EQ(s.object->release(), 1);
        EXPECT_EQ(s.object->add_ref(), 1);
        service_ptr out;
        EXPECT_TRUE(s.object->query(out, s.own));
    }
    EXPECT_EQ(c.playback_events->get_flags(),
              play_callback_flag_track_started | play_callback_flag_playback_stopped);
    EXPECT_EQ(c.playlist_events->get_flags(), playlist_callback_flags_all);
    fake::fake_string name;
    c.version->get_component_name(name);
    EXPECT_EQ(name.value, "Verandel");
}

TEST_F(client_test, services_ready_keeps_the_last_value_and_whether_true_was_ever_passed) {
    struct sequence {
        std::vector<bool> calls;
        bool initialized;
        bool ever;
    };
    const sequence cases[] = {
        {{}, false, false},
        {{false}, false, false},
        {{true}, true, true},
        {{true, false}, false, true},
        {{false, true, false, false}, false, true},
        {{true, false, true}, true, true},
    };
    for (const sequence& s : cases) {
        services_initialized = false;
        services_ever_initialized = false;
        for (bool flag : s.calls)
            c.client->set_services_ready(flag);
        EXPECT_EQ(services_initialized, s.initialized) << s.calls.size() << " calls";
        EXPECT_EQ(services_ever_initialized, s.ever) << s.calls.size() << " calls";
    }
}

TEST_F(client_test, export_keeps_the_latest_arguments_and_returns_the_same_client) {
    fake::fake_host other;
    char instance_a = 0;
    char instance_b = 0;
    component_client* first =
        velmora_get_interface(&host, reinterpret_cast<module_instance_handle>(&instance_a));
    EXPECT_EQ(module_instance, reinterpret_cast<module_instance_handle>(&instance_a));
    component_client* second =
        velmora_get_interface(&other, reinterpret_cast<module_instance_handle>(&instance_b));
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, c.client);
    EXPECT_EQ(module_instance, reinterpret_cast<module_instance_handle>(&instance_b));
    EXPECT_EQ(current_host_api(), &other);

    // Services are now acquired from the second host only.
    host.state.playlist_count = 2;
    other.state.playlist_count = 2;
    cfg_playlist_order.insert_one(0, 0);
    cfg_playlist_order.insert_one(0, 0);
    c.startup->on_startup();
    EXPECT_TRUE(host.log.entries.empty());
    EXPECT_FALSE(other.log.entries.empty());
    EXPECT_EQ(other.outstanding(), 0);
}

TEST_F(client_test, module_path_is_copied_into_buffers_of_exactly_length_plus_one) {
    char path[] = "/usr/lib/velmora/components/libverandel.so";
    char file[] = "libverandel.so";
    c.client->set_module_path(path, file);
    // The host may reuse its buffers at once.
    std::memset(path, 'x', sizeof path - 1);
    std::memset(file, 'y', sizeof file - 1);

    EXPECT_STREQ(library_path.data(), "/usr/lib/velmora/components/libverandel.so");
    EXPECT_EQ(library_path.size(), sizeof path);
    EXPECT_EQ(library_path.capacity(), sizeof path);
    EXPECT_STREQ(library_file_name.data(), "libverandel.so");
    EXPECT_EQ(library_file_name.size(), sizeof file);
    EXPECT_EQ(library_file_name.capacity(), sizeof file);
}

TEST_F(client_test, module_path_replaces_the_previous_text_at_its_own_length) {
    const char* const texts[] = {"short.so", "a/much/longer/path/than/before/x.so", "", "z"};
    for (const char* text : texts) {
        c.client->set_module_path(text, text);
        const uint32_t expected = static_cast<uint32_t>(std::strlen(text)) + 1;
        for (const module_text* kept : {&library_path, &library_file_name}) {
            EXPECT_EQ(kept->size(), expected) << '"' << text << '"';
            EXPECT_EQ(kept->capacity(), expected) << '"' << text << '"';
            ASSERT_NE(kept->data(), nullptr);
            EXPECT_STREQ(kept->data(), text);
        }
    }
}

TEST_F(client_test, module_path_without_strings_keeps_empty_texts) {
    c.client->set_module_path("/x/y.so", "y.so");
    c.client->set_module_path(nullptr, nullptr);
    EXPECT_EQ(library_path.size(), 1u);
    EXPECT_EQ(library_file_name.size(), 1u);
    EXPECT_EQ(file_name_record(), "");
}

TEST_F(client_test, version_record_reports_the_bare_file_name_once_set) {
    EXPECT_EQ(file_name_record(), "") << "before set_module_path";
    c.client->set_module_path("/opt/velmora/components/libverandel.so", "libverandel.so");
    EXPECT_EQ(file_name_record(), "libverandel.so");
}

// Keeps the pointer the component hands out, as a host that holds on to the text does.
class pointer_keeping_string final : public string_sink {
public:
    void set_string(const char* text, uint32_t) override { kept = text; }
    const char* kept = nullptr;
};

// The host passes back the file name the version record gave it, or a pointer into it, as
// either string of set_module_path. Under the sanitizers and valgrind a copy made from a
// block already freed or moved is reported.
TEST_F(client_test, module_path_takes_text_from_the_file_name_it_handed_out) {
    struct passed_back_case {
        const char* name;
        bool path_is_file_name; // else `path`
        int file_name_offset;   // into the file name handed out; -1: `file_name`
        const char* path;
        const char* file_name;
        const char* expected_path;
        const char* expected_file_name;
    };
    const passed_back_case cases[] = {
        {"the file name as both strings", true, 0, nullptr, nullptr, "libverandel.so",
         "libverandel.so"},
        {"a tail of the file name as the file name", false, 3, "/opt/new/", nullptr, "/opt/new/",
         "verandel.so"},
        {"the file name as the path, a longer file name", true, -1, nullptr,
         "a-file-name-much-longer-than-the-first.so", "libverandel.so",
         "a-file-name-much-longer-than-the-first.so"},
        {"the file name's empty tail", false, 14, "/p/", nullptr, "/p/", ""},
    };
    for (const passed_back_case& t : cases) {
        SCOPED_TRACE(t.name);
        c.client->set_module_path("/opt/velmora/components/libverandel.so", "libverandel.so");
        pointer_keeping_string handed_out;
        c.version->get_file_name(handed_out);
        ASSERT_NE(handed_out.kept, nullptr);
        ASSERT_STREQ(handed_out.kept, "libverandel.so");

        const char* path = t.path_is_file_name ? handed_out.kept : t.path;
        const char* file_name =
            t.file_name_offset < 0 ? t.file_name : handed_out.kept + t.file_name_offset;
        c.client->set_module_path(path, file_name);
        EXPECT_STREQ(module_text_value(library_path), t.expected_path);
        EXPECT_EQ(file_name_record(), t.expected_file_name);
        EXPECT_EQ(library_file_name.capacity(), std::strlen(t.expected_file_name) + 1);
    }
}

TEST_F(client_test, version_record_names_the_component) {
    fake::fake_string name, version, about;
    c.version->get_component_name(name);
    c.version->get_component_version(version);
    c.version->get_about_message(about);
    EXPECT_EQ(name.value, "Verandel");
    EXPECT_EQ(version.value, "1.0");
    EXPECT_FALSE(about.value.empty());
    EXPECT_EQ(about.value.find('\n'), std::string::npos) << "a one-line credit";
    for (const fake::fake_string* text : {&name, &version, &about}) {
        EXPECT_EQ(text->calls, 1);
        EXPECT_EQ(text->last_max_length, string_sink_whole_text);
    }
}

TEST_F(client_test, refused_path_copy_reaches_the_host_and_keeps_the_old_file_name) {
    c.client->set_module_path("/a/b.so", "b.so");
    varo::alloc_hook::refuse_nth(1);
    try {
        c.client->set_module_path("/a/much/longer/path/c.so", "much-longer-name.so");
        FAIL() << "the refused copy must reach the host";
    } catch (const std::bad_alloc& e) {
        EXPECT_STREQ(e.what(), "bad allocation");
    }
    EXPECT_STREQ(library_path.data(), "/a/b.so");
    EXPECT_EQ(file_name_record(), "b.so");
}

TEST_F(client_test, configuration_passes_through_the_client) {
    for (uint32_t v : {3u, 1u, 4u})
        cfg_playlist_order.insert_one(v, cfg_playlist_order.item_count());
    abort_token abort;
    fake::fake_writer writer(host.log);
    c.client->write_config(writer, abort);
    ASSERT_FALSE(writer.bytes.empty());

    cfg_playlist_order.clear();
    fake::fake_reader reader(writer.bytes, host.log);
    c.client->read_config(reader, abort);
    ASSERT_EQ(cfg_playlist_order.item_count(), 3u);
    EXPECT_EQ(cfg_playlist_order[0], 3u);
    EXPECT_EQ(cfg_playlist_order[1], 1u);
    EXPECT_EQ(cfg_playlist_order[2], 4u);
}

} // namespace
