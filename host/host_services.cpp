#include "host/host_services.h"

#include <cstdio>

#include "sdk/service_impl.h"

namespace {
host_registry* g_registry = nullptr;
}

host_api* host_api_object() { return g_registry; }

host_registry::host_registry() { g_registry = this; }

host_registry::~host_registry() {
    if (g_registry == this) g_registry = nullptr;
}

uint32_t host_registry::service_count(const guid_t& class_guid) {
    uint32_t count = 0;
    for (const auto& [guid, service] : own_) count += guid == class_guid;
    for (service_factory_base* head : component_lists_) {
        for (auto* node = head; node; node = node->next()) count += node->class_guid() == class_guid;
    }
    return count;
}

bool host_registry::service_instantiate(service_ptr_t<service_base>& out, const guid_t& class_guid, uint32_t index) {
    for (const auto& [guid, service] : own_) {
        if (guid == class_guid && index-- == 0) {
            out = service;
            return true;
        }
    }
    for (service_factory_base* head : component_lists_) {
        for (auto* node = head; node; node = node->next()) {
            if (node->class_guid() == class_guid && index-- == 0) {
                node->instance_create(out);
                return true;
            }
        }
    }
    return false;
}

void stderr_console::print(const char* text, uint32_t length) {
    if (length == string_npos) {
        std::fprintf(stderr, "%s\n", text);
    } else {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(length), text);
    }
}


void host_version_info::get_version_string(string_base& out) { out.set_string(host_version_text); }

