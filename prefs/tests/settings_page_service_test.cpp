// The preferences page service as the host meets it in the component's list.
#include "sdk/preferences_page.h"
#include "support/string8.h"
#include "testing/component_fixture.h"
#include "testing/thrown.h"

namespace {

class page_service_test : public component_fixture {
protected:
    service_ptr_t<preferences_page_v3> page() {
        auto pages = host_->registry().all<preferences_page_v3>();
        EXPECT_EQ(pages.size(), 1u);
        return pages.empty() ? service_ptr_t<preferences_page_v3>() : pages.front();
    }
};

TEST_F(page_service_test, identity_place_and_first_version_operations) {
    auto service = page();
    ASSERT_TRUE(service);
    EXPECT_EQ(client().get_service_list()->class_guid(), preferences_page::class_guid) << "met first";
    EXPECT_STREQ(service->get_name(), "Velmo input");
    EXPECT_EQ(service->get_guid(), (guid_t{0xA8E61D30, 0xB2E2, 0x4CCE, {0xAD, 0x31, 0x73, 0x9E, 0x6C, 0xA8, 0x5D, 0xF1}}));
    EXPECT_EQ(service->get_parent_guid(),
              (guid_t{0xFC01B529, 0x4BD7, 0x47CD, {0xBA, 0xF7, 0x2F, 0xB6, 0x32, 0xF0, 0xDB, 0xB6}}));
    EXPECT_EQ(service->get_sort_priority(), 0.0);
    EXPECT_FALSE(service->reset_query());
    EXPECT_EQ(service->service_add_ref(), 1);
    EXPECT_EQ(service->service_release(), 1);
    EXPECT_EQ(thrown_message<exception_not_implemented>([&] { service->create(nullptr); }),
              "Feature not implemented") << "the first version's window creation must fail";
    service_ptr_t<preferences_page_instance> not_an_instance;
    EXPECT_FALSE(service.query(not_an_instance));
}

TEST_F(page_service_test, help_url_joins_root_host_version_page_guid_and_name_unescaped) {
    auto service = page();
    ASSERT_TRUE(service);
    string8_t url("left over");
    EXPECT_TRUE(service->get_help_url(url));
    EXPECT_STREQ(url.get_ptr(), "https://help.sonmara.invalid/sonmara-host 1.0/preferences/"
                                "A8E61D30-B2E2-4CCE-AD31-739E6CA85DF1/Velmo input");
}

#ifndef _WIN32
TEST_F(page_service_test, without_windows_instantiate_fails_clearly) {
    auto service = page();
    ASSERT_TRUE(service);
    EXPECT_THROW(service->instantiate(nullptr, {}), exception_not_implemented);
}
#endif

}  // namespace
