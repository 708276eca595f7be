#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "sdk/string_base.h"

// A small printf: out is emptied, then filled from fmt. Conversions: %d and
// %i (signed), %u, %x, %X, %c (a character, written as UTF-8) and %%; an
// optional width pads on the left with spaces, or with '0' when it starts
// with 0 (the pad goes before a minus sign). Every argument is a 32-bit
// integer; a conversion without an argument left takes 0.
void format_list(string_base& out, const char* fmt, const int32_t* args, size_t count);

template <class... Args>
void format(string_base& out, const char* fmt, Args... args) {
    static_assert((std::is_integral_v<Args> && ...), "format takes integer arguments only");
    const int32_t list[sizeof...(Args) + 1] = {static_cast<int32_t>(args)..., 0};
    format_list(out, fmt, list, sizeof...(Args));
}
