#include "frame/component_state.h"
#include "frame/fatal_handlers.h"
#include "prefs/settings_stream.h"
#include "sdk/component.h"
#include "support/console.h"

#if defined(_WIN32)
#define VELMO_EXPORT __declspec(dllexport)
#else
#define VELMO_EXPORT __attribute__((visibility("default")))
#endif

service_factory_base* g_service_list = nullptr;

namespace {

host_api* g_host_api = nullptr;
string8_t g_component_path;
string8_t g_component_name;

class component_client_impl final : public component_client {
public:
    uint32_t get_version() override { return component_client_version; }
    service_factory_base* get_service_list() override { return g_service_list; }
    void get_config(stream_writer& out, abort_callback& abort) override { settings_write(out, abort); }
    void set_config(stream_reader& in, abort_callback& abort) override { settings_read(in, abort); }
    void set_library_path(const char* path, const char* name) override {
        g_component_path = path;
        g_component_name = name;
    }
    void services_init(bool ready) override { set_services_ready(ready); }
    bool is_debug() override { return false; }
};

component_client_impl g_client;

}  // namespace

host_api* host_api_object() { return g_host_api; }
const string8_t& component_path() { return g_component_path; }
const string8_t& component_name() { return g_component_name; }

extern "C" VELMO_EXPORT component_client* sonmara_get_interface(host_api* api) {
    install_fatal_handlers();
    g_host_api = api;
    return &g_client;
}
