#include "frame/component_info.h"

#include <cstring>

#include "frame/component_state.h"
#include "prefs/page_service.h"

void componentversion_myimpl::get_file_name(string_base& out) { out.set_string(component_name().get_ptr()); }
void componentversion_myimpl::get_component_name(string_base& out) { out.set_string(preferences_page_velmo::name); }
void componentversion_myimpl::get_component_version(string_base& out) { out.set_string("0.81 + 0.13"); }
void componentversion_myimpl::get_about_message(string_base& out) {
    out.set_string("Uses SNESAPU.dll for SPC decoding.");
}

bool input_file_type_impl::get_name(uint32_t index, string_base& out) {
    if (index != 0) return false;
    out.set_string("SPC files");
    return true;
}

bool input_file_type_impl::get_mask(uint32_t index, string_base& out) {
    if (index != 0) return false;
    out.set_string("*.spc");
    return true;
}

bool component_installation_validator_filename::is_installed_correctly() {
    const string8_t& path = component_path();
    return std::strcmp(path.get_ptr() + path.filename_start(), expected_name_) == 0;
}
