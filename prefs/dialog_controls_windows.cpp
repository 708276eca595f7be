#ifdef _WIN32
#include "prefs/dialog_controls_windows.h"

#include <commctrl.h>

#include <vector>

#include "support/utf8.h"

namespace {

std::u16string to_utf16(const std::string& text) {
    std::u16string wide(utf16_units_for_utf8(text.size()), u'\0');
    wide.resize(utf8_to_utf16(wide.data(), wide.size(), text.data(), text.size()));
    return wide;
}

const wchar_t* wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

}  // namespace

void dialog_controls::clear_list(int id) { send(id, CB_RESETCONTENT); }

void dialog_controls::add_list_entry(int id, const char* label, uint32_t data) {
    const LRESULT index = send(id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(to_utf16(label))));
    if (index >= 0) send(id, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
}

void dialog_controls::select_list_entry(int id, int index) { send(id, CB_SETCURSEL, static_cast<WPARAM>(index)); }

std::optional<uint32_t> dialog_controls::selected_list_data(int id) {
    const LRESULT index = send(id, CB_GETCURSEL);
    if (index == CB_ERR) return std::nullopt;
    return static_cast<uint32_t>(send(id, CB_GETITEMDATA, static_cast<WPARAM>(index)));
}

std::string dialog_controls::text(int id) {
    HWND control = GetDlgItem(dialog_, id);
    const int units = GetWindowTextLengthW(control);
    if (units <= 0) return std::string();
    std::u16string buffer(static_cast<size_t>(units) + 1, u'\0');
    const int got = GetWindowTextW(control, reinterpret_cast<wchar_t*>(buffer.data()), units + 1);
    std::string utf8(utf8_bytes_for_utf16(static_cast<size_t>(got)), '\0');
    utf8.resize(utf16_to_utf8(utf8.data(), utf8.size(), buffer.data(), static_cast<size_t>(got)));
    return utf8;
}

void dialog_controls::set_text(int id, const std::string& text) { SetDlgItemTextW(dialog_, id, wide(to_utf16(text))); }

bool dialog_controls::checked(int id) { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }

void dialog_controls::set_checked(int id, bool checked) { CheckDlgButton(dialog_, id, checked ? BST_CHECKED : BST_UNCHECKED); }

void dialog_controls::set_slider_range(int id, int minimum, int maximum, int tick_frequency) {
    send(id, TBM_SETTICFREQ, static_cast<WPARAM>(tick_frequency));
    send(id, TBM_SETRANGE, TRUE, MAKELPARAM(minimum, maximum));
}

int dialog_controls::slider_position(int id) { return static_cast<int>(send(id, TBM_GETPOS)); }

void dialog_controls::set_slider_position(int id, int position) { send(id, TBM_SETPOS, TRUE, position); }
#endif
