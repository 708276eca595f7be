#pragma once
// The page's controls held in memory, behaving as the dialog's windows do
// where the page relies on it: writing a number box raises its text-changed
// notification, a slider stops at the ends of its range, and a list's text is
// its selected label. The user's actions raise the notifications the dialog
// would send.
#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "prefs/page_controls.h"
#include "prefs/page_logic.h"

class memory_page_controls final : public page_controls {
public:
    struct list_state {
        std::vector<std::pair<std::string, uint32_t>> entries;
        int selected = -1;
    };

    // Receives the command notifications the controls raise.
    std::function<void(int id, int code)> on_command;

    void clear_list(int id) override { lists[id] = {}; }
    void add_list_entry(int id, const char* label, uint32_t data) override { lists[id].entries.emplace_back(label, data); }
    void select_list_entry(int id, int index) override {
        list_state& list = lists[id];
        list.selected = index >= 0 && index < int(list.entries.size()) ? index : -1;
    }
    std::optional<uint32_t> selected_list_data(int id) override {
        const list_state& list = lists[id];
        if (list.selected < 0) return std::nullopt;
        return list.entries[list.selected].second;
    }

    std::string text(int id) override {
        auto list = lists.find(id);
        if (list == lists.end()) return texts[id];
        return list->second.selected < 0 ? std::string() : list->second.entries[list->second.selected].first;
    }
    void set_text(int id, const std::string& text) override {
        texts[id] = text;
        if (on_command) on_command(id, notify_text_changed);
    }

    bool checked(int id) override { return checks[id]; }
    void set_checked(int id, bool state) override { checks[id] = state; }

    void set_slider_range(int, int minimum, int maximum, int tick_frequency) override {
        slider_minimum = minimum;
        slider_maximum = maximum;
        slider_ticks = tick_frequency;
        slider = std::clamp(slider, minimum, maximum);
    }
    int slider_position(int) override { return slider; }
    void set_slider_position(int, int position) override { slider = std::clamp(position, slider_minimum, slider_maximum); }

    // The user's actions.
    void click(int id) {
        checks[id] = !checks[id];
        on_command(id, 0);
    }
    void choose(int id, int index) {
        select_list_entry(id, index);
        on_command(id, notify_selection_changed);
    }
    void type(int id, const std::string& text) { set_text(id, text); }

    std::map<int, list_state> lists;
    std::map<int, std::string> texts;
    std::map<int, bool> checks;
    int slider = 0;
    int slider_minimum = 0;
    int slider_maximum = 100;
    int slider_ticks = 1;
};
