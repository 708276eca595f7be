#include "support/format.h"

#include "support/number_text.h"
#include "support/utf8.h"

namespace {

// Widths beyond this are taken as this: no format needs more, and a huge
// width must not turn into a huge allocation.
constexpr uint32_t max_width = 1024;

void add_padded(string_base& out, const char* text, uint32_t length, uint32_t width, char pad) {
    for (uint32_t i = length; i < width; ++i) out.add_string(&pad, 1);
    out.add_string(text, length);
}

}  // namespace

void format_list(string_base& out, const char* fmt, const int32_t* args, size_t count) {
    out.truncate(0);
    if (!fmt) return;
    size_t next = 0;
    auto take = [&]() -> int32_t { return next < count ? args[next++] : 0; };
    const char* p = fmt;
    while (*p) {
        if (*p != '%') {
            const char* start = p;
            while (*p && *p != '%') ++p;
            out.add_string(start, static_cast<uint32_t>(p - start));
            continue;
        }
        const char* conversion = p++;
        const char pad = *p == '0' ? '0' : ' ';
        uint32_t width = 0;
        for (; *p >= '0' && *p <= '9'; ++p) {
            width = width * 10 + static_cast<uint32_t>(*p - '0');
            if (width > max_width) width = max_width;
        }
        switch (*p) {
            case 'd':
            case 'i': {
                const number_text n(static_cast<int64_t>(take()));
                add_padded(out, n.get_ptr(), n.get_length(), width, pad);
                break;
            }
            case 'u':
            case 'x':
            case 'X': {
                const number_text n(static_cast<uint64_t>(static_cast<uint32_t>(take())), *p == 'u' ? 10u : 16u);
                if (*p == 'x') {
                    char lower[16];
                    for (uint32_t i = 0; i < n.get_length(); ++i)
                        lower[i] = static_cast<char>(n.get_ptr()[i] >= 'A' ? n.get_ptr()[i] + ('a' - 'A') : n.get_ptr()[i]);
                    add_padded(out, lower, n.get_length(), width, pad);
                } else {
                    add_padded(out, n.get_ptr(), n.get_length(), width, pad);
                }
                break;
            }
            case 'c': {
                char bytes[utf8_max_char_bytes];
                const uint32_t length = utf8_encode_char(static_cast<uint32_t>(take()), bytes);
                add_padded(out, bytes, length, width, ' ');
                break;
            }
            case '%':
                out.add_string("%", 1);
                break;
            default:
                // Unknown or cut-off conversion: copied as it stands.
                out.add_string(conversion, static_cast<uint32_t>(p - conversion));
                continue;
        }
        ++p;
    }
}
