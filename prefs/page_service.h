#pragma once
#include "sdk/preferences_page_impl.h"
#ifdef _WIN32
#include "prefs/velmo_preferences.h"
#else
class VelmoPreferences;  // the dialog exists only where windows do
#endif

// The component's page in the host's preferences: its name, identity, place
// in the tree and help address; instances are made by the SDK's template.
class preferences_page_velmo : public preferences_page_impl<VelmoPreferences> {
public:
    static constexpr guid_t page_guid = {0xA8E61D30, 0xB2E2, 0x4CCE, {0xAD, 0x31, 0x73, 0x9E, 0x6C, 0xA8, 0x5D, 0xF1}};
    // A page of the host.
    static constexpr guid_t parent_guid = {0xFC01B529, 0x4BD7, 0x47CD, {0xBA, 0xF7, 0x2F, 0xB6, 0x32, 0xF0, 0xDB, 0xB6}};
    static constexpr const char* help_root = "https://help.sonmara.invalid/";
    // The component's name, which its page, its input and its version
    // service all show.
    static constexpr const char* name = "Velmo input";

    const char* get_name() override { return name; }
    guid_t get_guid() override { return page_guid; }
    guid_t get_parent_guid() override { return parent_guid; }
    // The root, the host's version text, "/preferences/", the page GUID and the name, unescaped.
    bool get_help_url(string_base& out) override;
    double get_sort_priority() override { return 0.0; }
};
