#pragma once
#ifdef _WIN32
#include <windows.h>

#include "prefs/page_controls.h"

// The page's controls as the child windows of its dialog.
class dialog_controls final : public page_controls {
public:
    void attach(HWND dialog) { dialog_ = dialog; }

    void clear_list(int id) override;
    void add_list_entry(int id, const char* label, uint32_t data) override;
    void select_list_entry(int id, int index) override;
    std::optional<uint32_t> selected_list_data(int id) override;
    std::string text(int id) override;
    void set_text(int id, const std::string& text) override;
    bool checked(int id) override;
    void set_checked(int id, bool checked) override;
    void set_slider_range(int id, int minimum, int maximum, int tick_frequency) override;
    int slider_position(int id) override;
    void set_slider_position(int id, int position) override;

private:
    LRESULT send(int id, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
        return SendDlgItemMessageW(dialog_, id, message, wparam, lparam);
    }

    HWND dialog_ = nullptr;
};
#endif
