#include "frame/fatal_handlers.h"

#ifdef _WIN32
#include <windows.h>

#include <csignal>
#include <initializer_list>
#include <cstdlib>

namespace {

void on_signal(int signal_number) {
    ULONG_PTR argument = static_cast<ULONG_PTR>(signal_number);
    RaiseException(fatal_signal_code, EXCEPTION_NONCONTINUABLE, 1, &argument);
}

void on_invalid_parameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t) {
    RaiseException(fatal_invalid_parameter_code, EXCEPTION_NONCONTINUABLE, 0, nullptr);
}

// Not every C runtime has the abort behaviour switch; use it where it exists.
void clear_abort_behavior() {
    using set_abort_behavior_t = unsigned (*)(unsigned, unsigned);
    for (const wchar_t* runtime : {L"ucrtbase.dll", L"msvcrt.dll"}) {
        HMODULE module = GetModuleHandleW(runtime);
        if (!module) continue;
        auto set = reinterpret_cast<set_abort_behavior_t>(reinterpret_cast<void*>(GetProcAddress(module, "_set_abort_behavior")));
        if (set) set(0, _WRITE_ABORT_MSG | _CALL_REPORTFAULT);
    }
}

}  // namespace

// A pure virtual call in this module raises instead of terminating quietly.
extern "C" void __cxa_pure_virtual() {
    RaiseException(fatal_pure_call_code, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    std::abort();
}

void install_fatal_handlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int signal_number : {SIGINT, SIGTERM, SIGBREAK, SIGABRT}) std::signal(signal_number, on_signal);
    _set_invalid_parameter_handler(on_invalid_parameter);
    clear_abort_behavior();
}

#else

void install_fatal_handlers() {}

#endif
