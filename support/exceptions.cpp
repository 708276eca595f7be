#include "support/exceptions.h"

#include "sdk/shared.h"
#include "support/platform.h"
#include "support/string8.h"

namespace {

std::string error_text(uint32_t code) {
    if (code == 0) return "Undefined error";
    string8_t text;
    if (uFormatSystemErrorMessage(text, code)) return text.get_ptr();
    return "Unknown error code (" + std::to_string(code) + ")";
}

}  // namespace

exception_win32::exception_win32(uint32_t code) : code_(code) {
    // Formatting the text may itself change the last error; the catcher must not see that.
    uint32_t saved = platform::last_error();
    message_ = error_text(code);
    platform::set_last_error(saved);
}

void throw_last_error() { throw exception_win32(platform::last_error()); }
