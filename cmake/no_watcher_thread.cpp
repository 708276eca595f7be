// Linked into every win32 test program. The test framework starts a watcher
// thread, to free per-thread values when a thread ends, for each thread that
// first reports a failure or a skip; 32-bit Wine run through a user-mode CPU
// emulator crashes when two of a program's threads run at once, so that first
// report would end the program unprinted. The framework's CreateThread calls land
// here instead and get a handle to the calling thread, which its priority and
// resume calls leave as it is: per-thread values then live until the end.
#include <windows.h>

namespace {

HANDLE WINAPI no_watcher_thread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD id) {
    if (id) *id = GetCurrentThreadId();
    return OpenThread(THREAD_ALL_ACCESS, FALSE, GetCurrentThreadId());
}

}  // namespace

// The import slot the program's own calls go through.
extern "C" {
extern decltype(&CreateThread) const create_thread_import __asm__("__imp__CreateThread@24");
decltype(&CreateThread) const create_thread_import = no_watcher_thread;
}
