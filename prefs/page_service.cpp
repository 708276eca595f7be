#include "prefs/page_service.h"

#include "sdk/host_services.h"
#include "sdk/shared.h"
#include "support/guid_text.h"
#include "support/string8.h"

bool preferences_page_velmo::get_help_url(string_base& out) {
    out.set_string("");
    // The host has exactly one version service; anything else breaks its contract.
    service_enum_t<version_info> versions;
    service_ptr_t<version_info> version, another;
    if (!versions.next(version) || versions.next(another)) uBugCheck();
    string8_t version_text;
    version->get_version_string(version_text);

    out.add_string(help_root);
    out.add_string(version_text.get_ptr(), version_text.get_length());
    out.add_string("/preferences/");
    out.add_string(guid_text(page_guid).c_str());
    out.add_string("/");
    out.add_string(get_name());
    return true;
}
