#pragma once
#include <cstdint>

// The few operating-system calls the component makes itself, behind one thin
// layer: Windows in the shipped build, POSIX stand-ins natively.
namespace platform {

using module_handle = void*;
using event_handle = void*;

uint32_t last_error();
void set_last_error(uint32_t code);

// A manual-reset, initially clear, unnamed event; null on failure.
event_handle create_event();
void close_event(event_handle event);

// Address of a named export of a loaded module, or null.
void* find_symbol(module_handle module, const char* name);
void free_library(module_handle module);

// Copies a file (UTF-8 paths) over an existing one; false on failure.
bool copy_file(const char* from, const char* to);

}  // namespace platform
