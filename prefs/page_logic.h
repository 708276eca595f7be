#pragma once
#include <cstdint>
#include <string_view>

#include "prefs/page_controls.h"
#include "sdk/preferences_page.h"

// Notification codes of the dialog's command messages that the page handles.
inline constexpr int notify_text_changed = 0x0300;      // a number box's text changed
inline constexpr int notify_selection_changed = 1;      // a list's selection changed

// What the preferences page does, over its controls: shows the stored
// settings, tracks which control changed last, answers whether the controls
// differ from the settings, applies them and puts them back to the defaults.
// Runs on the interface thread only.
class preferences_page_logic {
public:
    preferences_page_logic(page_controls& controls, service_ptr_t<preferences_page_callback> callback);

    // The dialog's initialisation: every control shows its stored setting.
    void initialize();
    // A command message from a control; true when the page handled it.
    bool on_command(int control_id, int notification_code);
    // The volume slider moved: its position is shown beside it.
    void on_volume_scroll();

    // The changed flag when the controls differ from the settings, and always
    // the resettable flag.
    uint32_t state();
    void apply();
    // The controls show the defaults; the settings stay until applied.
    void reset();

private:
    bool has_changed();
    void notify_changed(int control_id);
    void state_changed();

    page_controls& m_controls;
    service_ptr_t<preferences_page_callback> m_callback;
    // The control whose notification came last, -1 for none: the next changed
    // test compares only that control.
    int m_last_changed = -1;
};

// A number box's or list label's text as an unsigned decimal number; 0 for
// text that is not one, or a number above 4294967295.
uint32_t page_number(std::string_view text);
