#ifdef _WIN32
#include "prefs/velmo_preferences.h"

#include "prefs/setting_table.h"

static_assert(notify_text_changed == EN_CHANGE && notify_selection_changed == CBN_SELCHANGE);

BOOL VelmoPreferences::ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    switch (message) {
    case WM_INITDIALOG:
        m_controls.attach(window);
        m_volume_slider = GetDlgItem(window, setting_named("cfg_amplification").control_id);
        m_logic.initialize();
        result = TRUE;  // the default focus
        return TRUE;
    case WM_COMMAND:
        if (!m_logic.on_command(LOWORD(wparam), HIWORD(wparam))) return FALSE;
        result = 0;
        return TRUE;
    case WM_HSCROLL:
        // Scroll messages from anything but the slider are consumed unseen.
        if (m_volume_slider && reinterpret_cast<HWND>(lparam) == m_volume_slider) m_logic.on_volume_scroll();
        result = 0;
        return TRUE;
    default:
        return FALSE;
    }
}
#endif
