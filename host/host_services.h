#pragma once
#include <string>
#include <utility>
#include <vector>

#include "sdk/component.h"
#include "sdk/host_services.h"

// The host's service registry: its own services first, then those of every
// loaded component, each in its own list order.
class host_registry final : public host_api {
public:
    host_registry();
    ~host_registry();

    uint32_t service_count(const guid_t& class_guid) override;
    bool service_instantiate(service_ptr_t<service_base>& out, const guid_t& class_guid, uint32_t index) override;

    void add_service(const guid_t& class_guid, service_base* service) { own_.emplace_back(class_guid, service); }
    void add_component_list(service_factory_base* head) { component_lists_.push_back(head); }

    // Every service of interface T, in enumeration order.
    template <class T>
    std::vector<service_ptr_t<T>> all() {
        std::vector<service_ptr_t<T>> result;
        for (uint32_t i = 0, n = service_count(service_class_of<T>()); i < n; ++i) {
            service_ptr_t<service_base> base;
            service_ptr_t<T> typed;
            if (service_instantiate(base, service_class_of<T>(), i) && base.query(typed)) result.push_back(typed);
        }
        return result;
    }

private:
    std::vector<std::pair<guid_t, service_ptr_t<service_base>>> own_;
    std::vector<service_factory_base*> component_lists_;
};

// Lines from components go to stderr, one per call.
class stderr_console : public console_receiver {
public:
    void print(const char* text, uint32_t length) override;
};

class host_version_info : public version_info {
public:
    void get_version_string(string_base& out) override;
};

inline constexpr const char* host_version_text = "sonmara-host 1.0";
