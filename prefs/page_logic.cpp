#include "prefs/page_logic.h"

#include <algorithm>
#include <optional>
#include <string>

#include "prefs/page_lists.h"
#include "prefs/setting_table.h"
#include "prefs/settings.h"

namespace {

const page_list& list_of(const setting_row& row) {
    return *std::find_if(std::begin(page_lists), std::end(page_lists),
                         [&](const page_list& list) { return list.control_id == row.control_id; });
}

// The position of a value in a list; nothing when the list lacks it.
std::optional<int> entry_of(const page_list& list, uint32_t value) {
    for (size_t i = 0; i < list.entries.size(); ++i) {
        if (list.entries[i].value == value) return static_cast<int>(i);
    }
    return std::nullopt;
}

bool is_dsp_box(int control_id) {
    return std::any_of(std::begin(dsp_option_boxes), std::end(dsp_option_boxes),
                       [&](const dsp_option_box& box) { return box.control_id == control_id; });
}

bool is_control_of(page_control_kind kind, int control_id) {
    return std::any_of(std::begin(setting_table), std::end(setting_table), [&](const setting_row& row) {
        return row.control_kind == kind && row.control_id == control_id;
    });
}

std::string unsigned_text(int32_t value) { return std::to_string(static_cast<uint32_t>(value)); }

// Shows one value in a setting's control. Lists are left to the caller, which
// fills them or only selects.
void show_value(page_controls& controls, const setting_row& row, int32_t value) {
    switch (row.control_kind) {
    case page_control_kind::dsp_boxes:
        for (const auto& box : dsp_option_boxes) controls.set_checked(box.control_id, static_cast<uint32_t>(value) & box.bit);
        break;
    case page_control_kind::check_box:
        controls.set_checked(row.control_id, value != 0);
        break;
    case page_control_kind::number_box:
        controls.set_text(row.control_id, unsigned_text(value));
        break;
    case page_control_kind::slider:
        controls.set_slider_position(row.control_id, value);
        // The stored value, even where the slider stops short of it.
        controls.set_text(volume_display_id, unsigned_text(value));
        break;
    case page_control_kind::list:
        break;
    }
}

// What a control other than the DSP boxes holds, as its setting would store
// it; nothing for a list without a selection.
std::optional<uint32_t> shown_value(page_controls& controls, const setting_row& row) {
    switch (row.control_kind) {
    case page_control_kind::list:
        if (list_of(row).value_from_label) return page_number(controls.text(row.control_id));
        return controls.selected_list_data(row.control_id);
    case page_control_kind::check_box:
        return controls.checked(row.control_id) ? 1 : 0;
    case page_control_kind::number_box:
        return page_number(controls.text(row.control_id));
    case page_control_kind::slider:
        return static_cast<uint32_t>(controls.slider_position(row.control_id));
    case page_control_kind::dsp_boxes:
        break;
    }
    return std::nullopt;
}

}  // namespace

uint32_t page_number(std::string_view text) {
    if (text.empty() || text.size() > 10) return 0;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + uint64_t(c - '0');
    }
    return value > UINT32_MAX ? 0 : static_cast<uint32_t>(value);
}

preferences_page_logic::preferences_page_logic(page_controls& controls, service_ptr_t<preferences_page_callback> callback)
    : m_controls(controls), m_callback(std::move(callback)) {}

void preferences_page_logic::initialize() {
    for (const auto& row : setting_table) {
        const int32_t stored = setting_variable(row);
        if (row.control_kind == page_control_kind::list) {
            const page_list& list = list_of(row);
            m_controls.clear_list(list.control_id);
            for (const auto& entry : list.entries) m_controls.add_list_entry(list.control_id, entry.label, entry.value);
            m_controls.select_list_entry(list.control_id, entry_of(list, static_cast<uint32_t>(stored)).value_or(0));
            continue;
        }
        if (row.control_kind == page_control_kind::slider) m_controls.set_slider_range(row.control_id, 0, 255, 16);
        show_value(m_controls, row, stored);
    }
    // Writing the number boxes raised their notifications; none of them counts.
    m_last_changed = -1;
}

bool preferences_page_logic::on_command(int control_id, int notification_code) {
    const bool ours = is_dsp_box(control_id) || is_control_of(page_control_kind::check_box, control_id) ||
                      (notification_code == notify_text_changed && is_control_of(page_control_kind::number_box, control_id)) ||
                      (notification_code == notify_selection_changed && is_control_of(page_control_kind::list, control_id));
    if (ours) notify_changed(control_id);
    return ours;
}

void preferences_page_logic::on_volume_scroll() {
    const auto& slider = setting_named("cfg_amplification");
    m_controls.set_text(volume_display_id, std::to_string(static_cast<uint32_t>(m_controls.slider_position(slider.control_id))));
    notify_changed(slider.control_id);
}

uint32_t preferences_page_logic::state() {
    return preferences_state::resettable | (has_changed() ? preferences_state::changed : 0);
}

bool preferences_page_logic::has_changed() {
    // After a notification only that control counts; the test after it compares all.
    const int only = m_last_changed;
    m_last_changed = -1;
    auto compared = [&](int control_id) { return only == -1 || only == control_id; };

    for (const auto& row : setting_table) {
        const uint32_t stored = static_cast<uint32_t>(setting_variable(row).get());
        if (row.control_kind == page_control_kind::dsp_boxes) {
            // Bits without a box keep their stored state, so they never differ.
            uint32_t mask = stored;
            for (const auto& box : dsp_option_boxes) {
                if (!compared(box.control_id)) continue;
                mask = m_controls.checked(box.control_id) ? mask | box.bit : mask & ~box.bit;
            }
            if (mask != stored) return true;
            continue;
        }
        if (!compared(row.control_id)) continue;
        const std::optional<uint32_t> shown = shown_value(m_controls, row);
        if (shown && *shown != stored) return true;
    }
    return false;
}

void preferences_page_logic::apply() {
    for (const auto& row : setting_table) {
        cfg_int_t<int>& setting = setting_variable(row);
        if (row.control_kind == page_control_kind::dsp_boxes) {
            // Bits without a box are cleared.
            uint32_t mask = 0;
            for (const auto& box : dsp_option_boxes) {
                if (m_controls.checked(box.control_id)) mask |= box.bit;
            }
            setting = static_cast<int32_t>(mask);
            continue;
        }
        // A list without a selection leaves its setting alone.
        if (const std::optional<uint32_t> shown = shown_value(m_controls, row)) setting = static_cast<int32_t>(*shown);
    }
    state_changed();
}

void preferences_page_logic::reset() {
    for (const auto& row : setting_table) {
        if (row.control_kind == page_control_kind::list) {
            const page_list& list = list_of(row);
            m_controls.select_list_entry(list.control_id, entry_of(list, static_cast<uint32_t>(row.default_value)).value_or(0));
            continue;
        }
        show_value(m_controls, row, row.default_value);
    }
    m_last_changed = -1;
    state_changed();
}

void preferences_page_logic::notify_changed(int control_id) {
    m_last_changed = control_id;
    state_changed();
}

void preferences_page_logic::state_changed() {
    if (m_callback) m_callback->on_state_changed();
}
