#pragma once
#include <cstdint>

#include "sdk/file.h"
#include "sdk/service.h"
#include "sdk/string_base.h"

// What a component offers about itself, and the object its export returns.

class componentversion : public service_base {
public:
    using parent_class = service_base;
    static constexpr guid_t class_guid = {0x7A3B9C10, 0x2D44, 0x4E1F, {0x8B, 0x62, 0x0C, 0x5E, 0x91, 0x3A, 0x77, 0x21}};

    virtual void get_file_name(string_base& out) = 0;
    virtual void get_component_name(string_base& out) = 0;
    virtual void get_component_version(string_base& out) = 0;
    virtual void get_about_message(string_base& out) = 0;

protected:
    ~componentversion() = default;
};

class input_file_type : public service_base {
public:
    using parent_class = service_base;
    static constexpr guid_t class_guid = {0x7A3B9C10, 0x2D44, 0x4E1F, {0x8B, 0x62, 0x0C, 0x5E, 0x91, 0x3A, 0x77, 0x22}};

    virtual uint32_t get_count() = 0;
    virtual bool get_name(uint32_t index, string_base& out) = 0;
    virtual bool get_mask(uint32_t index, string_base& out) = 0;
    virtual bool is_associatable(uint32_t index) = 0;

protected:
    ~input_file_type() = default;
};

class component_installation_validator : public service_base {
public:
    using parent_class = service_base;
    static constexpr guid_t class_guid = {0x7A3B9C10, 0x2D44, 0x4E1F, {0x8B, 0x62, 0x0C, 0x5E, 0x91, 0x3A, 0x77, 0x23}};

    virtual bool is_installed_correctly() = 0;

protected:
    ~component_installation_validator() = default;
};

// Returned by the export; the host's only way into the component.
class component_client {
public:
    virtual uint32_t get_version() = 0;
    virtual service_factory_base* get_service_list() = 0;
    virtual void get_config(stream_writer& out, abort_callback& abort) = 0;
    virtual void set_config(stream_reader& in, abort_callback& abort) = 0;
    virtual void set_library_path(const char* path, const char* name) = 0;
    virtual void services_init(bool ready) = 0;
    virtual bool is_debug() = 0;

protected:
    ~component_client() = default;
};

inline constexpr uint32_t component_client_version = 78;

// The single export of a component DLL.
using sonmara_get_interface_t = component_client* (*)(host_api* api);
