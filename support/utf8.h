#pragma once
#include <cstddef>
#include <cstdint>

#include "sdk/string_base.h"

// UTF-8 <-> UTF-16 conversion. Invalid UTF-8 is never an error: every
// conversion stops at the first invalid sequence and keeps what it produced.

inline constexpr uint32_t utf8_max_char_bytes = 6;

// Decodes one character; returns its byte length, 0 at the terminating 0 byte
// or an invalid sequence (value then 0). Surrogates and values above 0x10FFFF
// are accepted. The bounded form reads at most `available` bytes.
uint32_t utf8_decode_char(const char* src, uint32_t& value);
uint32_t utf8_decode_char(const char* src, uint32_t& value, size_t available);

// Writes 1 to 6 bytes (no terminator) to out, which must hold 6;
// values of 0x80000000 and above write nothing. Returns the byte count.
uint32_t utf8_encode_char(uint32_t value, char* out);

// Converts up to src_max bytes or the first 0 byte. Values above 0xFFFFF
// become '?'. Writes at most out_units units including the terminator (none
// when out_units is 0); a character that does not fit ends the conversion.
// Returns the units written before the terminator.
size_t utf8_to_utf16(char16_t* out, size_t out_units, const char* src, size_t src_max = SIZE_MAX);

// Converts up to src_max units or the first 0 unit; surrogate pairs are
// combined, lone surrogates kept as their own value. Writes at most out_bytes
// bytes including the terminator; returns the bytes before the terminator.
size_t utf16_to_utf8(char* out, size_t out_bytes, const char16_t* src, size_t src_max = SIZE_MAX);

// Output sizes (terminator included) that always suffice for the converters
// above; throw std::bad_alloc when the size would not fit 32 bits.
uint32_t utf16_units_for_utf8(size_t utf8_bytes);
uint32_t utf8_bytes_for_utf16(size_t utf16_units);

// UTF-16 text of up to src_max units appended to a string.
void utf8_append_utf16(string_receiver& out, const char16_t* src, size_t src_max = SIZE_MAX);

#ifdef _WIN32
// The same converters over Windows' 16-bit wchar_t.
size_t utf8_to_utf16(wchar_t* out, size_t out_units, const char* src, size_t src_max = SIZE_MAX);
size_t utf16_to_utf8(char* out, size_t out_bytes, const wchar_t* src, size_t src_max = SIZE_MAX);
#endif
