#pragma once
#include <cstdint>

#include "sdk/string_base.h"
#include "support/byte_buffer.h"

// Text in the system's ANSI code page, as SPC tags store it. Windows builds
// use the system code page; elsewhere it is Windows-1252, where characters
// outside the code page become '?'.

// UTF-8 text of up to max_count bytes (or its first 0 byte) in the ANSI code
// page; out holds the converted bytes and a 0 byte, size = bytes + 1.
void utf8_to_ansi(byte_buffer& out, const char* text, uint32_t max_count = string_npos);

// ANSI text of up to max_count bytes (or its first 0 byte) as UTF-8; out holds
// the converted bytes and a 0 byte, size = bytes + 1.
void ansi_to_utf8(byte_buffer& out, const char* text, uint32_t max_count = string_npos);
void ansi_to_utf8(string_base& out, const char* text, uint32_t max_count = string_npos);
