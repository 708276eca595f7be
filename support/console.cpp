#include "support/console.h"

#include <atomic>

#include "sdk/host_services.h"

namespace {
std::atomic<bool> g_services_ready{false};
}

void set_services_ready(bool ready) { g_services_ready = ready; }

void console_print(const char* line) {
    if (!g_services_ready) return;
    service_enum_t<console_receiver> receivers;
    service_ptr_t<console_receiver> receiver;
    while (receivers.next(receiver)) receiver->print(line, string_npos);
}
