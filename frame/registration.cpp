// The component's services, linked into the service list at load in this
// order; the host meets them in reverse.
#include "frame/component_info.h"
#include "frame/decoding_input.h"
#include "prefs/page_service.h"
#include "sdk/input_impl.h"

namespace {

input_singletrack_factory_t<decoding_input, 0> g_input_factory;
service_factory_single_t<componentversion_myimpl> g_version_factory;
service_impl_single_t<input_file_type_impl> g_file_type(true);
service_factory_single_ref_t<service_impl_single_t<input_file_type_impl>> g_file_type_factory(g_file_type);
service_factory_single_t<component_installation_validator_filename> g_validator_factory("son_velmo.dll");
preferences_page_factory_t<preferences_page_velmo> g_page_factory;

}  // namespace
