#include "sdk/component.h"
#include "support/string8.h"
#include "testing/component_fixture.h"

namespace {

using service_list_test = component_fixture;

TEST_F(service_list_test, client_reports_its_version_and_is_not_a_debug_build) {
    EXPECT_EQ(client().get_version(), 78u);
    EXPECT_FALSE(client().is_debug());
}

TEST_F(service_list_test, host_meets_services_in_reverse_registration_order) {
    std::vector<guid_t> order;
    for (auto* node = client().get_service_list(); node; node = node->next()) order.push_back(node->class_guid());
    ASSERT_GE(order.size(), 4u);
    // The last four registered first: validator, file type, version, input entry.
    size_t n = order.size();
    EXPECT_EQ(order[n - 4], component_installation_validator::class_guid);
    EXPECT_EQ(order[n - 3], input_file_type::class_guid);
    EXPECT_EQ(order[n - 2], componentversion::class_guid);
    EXPECT_EQ(order[n - 1], input_entry::class_guid);
}

TEST_F(service_list_test, version_record_texts) {
    auto versions = host_->registry().all<componentversion>();
    ASSERT_EQ(versions.size(), 1u);
    string8_t file_name, name, version, about;
    versions[0]->get_file_name(file_name);
    versions[0]->get_component_name(name);
    versions[0]->get_component_version(version);
    versions[0]->get_about_message(about);
    EXPECT_STREQ(file_name.get_ptr(), "son_velmo");
    EXPECT_STREQ(name.get_ptr(), "Velmo input");
    EXPECT_STREQ(version.get_ptr(), "0.81 + 0.13");
    EXPECT_STREQ(about.get_ptr(), "Uses SNESAPU.dll for SPC decoding.");
}

TEST_F(service_list_test, file_type_lists_spc_files_only) {
    auto types = host_->registry().all<input_file_type>();
    ASSERT_EQ(types.size(), 1u);
    string8_t name("untouched"), mask;
    EXPECT_EQ(types[0]->get_count(), 1u);
    ASSERT_TRUE(types[0]->get_name(0, name));
    ASSERT_TRUE(types[0]->get_mask(0, mask));
    EXPECT_STREQ(name.get_ptr(), "SPC files");
    EXPECT_STREQ(mask.get_ptr(), "*.spc");
    string8_t other("untouched");
    EXPECT_FALSE(types[0]->get_name(1, other));
    EXPECT_FALSE(types[0]->get_mask(1, other));
    EXPECT_STREQ(other.get_ptr(), "untouched");
    EXPECT_TRUE(types[0]->is_associatable(0));
    EXPECT_TRUE(types[0]->is_associatable(5));
}

TEST_F(service_list_test, singletons_count_one_reference_and_answer_only_their_classes) {
    auto versions = host_->registry().all<componentversion>();
    EXPECT_EQ(versions[0]->service_add_ref(), 1);
    EXPECT_EQ(versions[0]->service_release(), 1);
    service_ptr_t<input_entry_v2> not_an_entry;
    EXPECT_FALSE(versions[0].query(not_an_entry));
    service_ptr_t<input_entry_v2> v2;
    EXPECT_TRUE(entry().query(v2));
}

TEST_F(service_list_test, validator_compares_the_file_name_byte_for_byte) {
    auto validators = host_->registry().all<component_installation_validator>();
    ASSERT_EQ(validators.size(), 1u);
    const auto& loaded = host_->components().front();
    auto check = [&](const char* path) {
        client().set_library_path(path, "son_velmo");
        return validators[0]->is_installed_correctly();
    };
    EXPECT_TRUE(check(loaded.path.c_str()));
    for (const char* path : {"C:\\players\\components\\son_velmo.dll", "son_velmo.dll", "archive.zip|son_velmo.dll",
                             "C:son_velmo.dll"})
        EXPECT_TRUE(check(path)) << path;
    for (const char* path : {"C:\\players\\Son_Velmo.dll", "C:\\players\\son_velmo.dll.bak", "son_velmo"})
        EXPECT_FALSE(check(path)) << path;
    client().set_library_path(loaded.path.c_str(), "son_velmo");
}

TEST_F(service_list_test, input_entry_identity) {
    service_ptr_t<input_entry_v2> v2;
    ASSERT_TRUE(entry().query(v2));
    EXPECT_STREQ(v2->get_name(), "Velmo input");
    EXPECT_EQ(v2->get_guid(), (guid_t{0xFFEE4F1E, 0x598A, 0x4429, {0x98, 0xE3, 0xF6, 0xFE, 0x27, 0x02, 0xCB, 0xE3}}));
    EXPECT_EQ(v2->get_preferences_guid(),
              (guid_t{0xA8E61D30, 0xB2E2, 0x4CCE, {0xAD, 0x31, 0x73, 0x9E, 0x6C, 0xA8, 0x5D, 0xF1}}));
    EXPECT_EQ(v2->get_flags(), 0u);
    EXPECT_FALSE(v2->is_low_merit());
    EXPECT_FALSE(v2->is_our_content_type("audio/x-spc"));
}

}  // namespace
