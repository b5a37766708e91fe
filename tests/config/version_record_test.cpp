// The version record the host reads, and its place in the factory list.

#include "config_test_support.h"

#include <cstring>

#include "component/module_state.h"

using namespace config_test;

namespace {

std::string text_of(const module_text& text) {
    return module_text_value(text);
}

// Each operation sets the host string once, with the all-ones length that means no limit.
template <typename Operation>
std::string written_by(Operation operation) {
    fake::fake_string out;
    (component().version->*operation)(out);
    EXPECT_EQ(out.calls, 1);
    EXPECT_EQ(out.last_max_length, string_sink_whole_text);
    return out.value;
}

class version_record_test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(component().version, nullptr);
        // As at load: no path passed yet.
        library_path.clear();
        library_file_name.clear();
    }
    void TearDown() override {
        library_path.clear();
        library_file_name.clear();
    }
};

TEST_F(version_record_test, fixed_texts) {
    EXPECT_EQ(written_by(&componentversion::get_component_name), "Verandel");
    EXPECT_EQ(written_by(&componentversion::get_component_version), "1.0");
    const std::string about = written_by(&componentversion::get_about_message);
    EXPECT_FALSE(about.empty());
    EXPECT_EQ(about.find_first_of("\r\n"), std::string::npos);
}

TEST_F(version_record_test, file_name_is_empty_before_the_host_passes_one) {
    EXPECT_EQ(written_by(&componentversion::get_file_name), "");
}

TEST_F(version_record_test, file_name_is_the_bare_name_never_the_path) {
    component_client& client = *component().client;
    client.set_module_path("C:\\Program Files\\Velmora\\components\\verandel_component.dll",
                           "verandel_component.dll");
    EXPECT_EQ(written_by(&componentversion::get_file_name), "verandel_component.dll");
    EXPECT_EQ(text_of(library_path),
              "C:\\Program Files\\Velmora\\components\\verandel_component.dll");

    // A later, shorter name replaces the earlier one completely.
    client.set_module_path("D:\\v.dll", "v.dll");
    EXPECT_EQ(written_by(&componentversion::get_file_name), "v.dll");
    EXPECT_EQ(library_file_name.size(), std::strlen("v.dll") + 1);

    client.set_module_path("", "");
    EXPECT_EQ(written_by(&componentversion::get_file_name), "");
}

TEST(factory_list_test, four_services_with_the_version_record_at_the_tail) {
    const std::vector<const GUID*>& guids = component().factory_guids;
    ASSERT_EQ(guids.size(), 4u);
    EXPECT_TRUE(guid_equal(*guids[0], initquit::class_guid));
    EXPECT_TRUE(guid_equal(*guids[1], play_callback_static::class_guid));
    EXPECT_TRUE(guid_equal(*guids[2], playlist_callback_static::class_guid));
    EXPECT_TRUE(guid_equal(*guids[3], componentversion::class_guid));

    service_factory_base* tail = component().client->get_factory_list();
    while (tail->next != nullptr)
        tail = tail->next;
    service_ptr record;
    tail->create_instance(record);
    ASSERT_FALSE(record.is_empty());
    // The factory and the record are one object.
    EXPECT_EQ(dynamic_cast<void*>(tail), dynamic_cast<void*>(record.get()));
}

TEST(factory_list_test, version_record_answers_only_its_own_class) {
    service_base* record = component().version;
    ASSERT_NE(record, nullptr);

    service_ptr out;
    ASSERT_TRUE(record->query(out, componentversion::class_guid));
    EXPECT_EQ(out.get(), record);

    const GUID zero = {};
    const GUID others[] = {initquit::class_guid, play_callback_static::class_guid,
                           playlist_callback_static::class_guid, playlist_service::class_guid,
                           zero};
    for (const GUID& other : others) {
        service_ptr untouched;
        EXPECT_FALSE(record->query(untouched, other));
        EXPECT_TRUE(untouched.is_empty());
    }
}

} // namespace
