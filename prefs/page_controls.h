#pragma once
#include <cstdint>
#include <optional>
#include <string>

// The controls of the preferences page as its logic sees them, by control ID:
// the dialog's windows in the shipped build, an in-memory set in the tests.
// Text is UTF-8.
class page_controls {
public:
    // Lists.
    virtual void clear_list(int id) = 0;
    // Appends an entry at the end with its value as item data.
    virtual void add_list_entry(int id, const char* label, uint32_t data) = 0;
    virtual void select_list_entry(int id, int index) = 0;
    // The selected entry's item data; nothing when no entry is selected.
    virtual std::optional<uint32_t> selected_list_data(int id) = 0;

    // A list's text is its selected label, a number box's its contents.
    virtual std::string text(int id) = 0;
    // Setting a number box's text raises its text-changed notification.
    virtual void set_text(int id, const std::string& text) = 0;

    // Check boxes: 0 or 1.
    virtual bool checked(int id) = 0;
    virtual void set_checked(int id, bool checked) = 0;

    // The trackbar; positions outside its range stop at the nearer end.
    virtual void set_slider_range(int id, int minimum, int maximum, int tick_frequency) = 0;
    virtual int slider_position(int id) = 0;
    virtual void set_slider_position(int id, int position) = 0;

protected:
    ~page_controls() = default;
};
