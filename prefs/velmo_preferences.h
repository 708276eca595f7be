#pragma once
#ifdef _WIN32
#include "prefs/dialog_controls_windows.h"
#include "prefs/page_logic.h"
#include "sdk/dialog_impl.h"

// The page's dialog: template 101, its messages handed to the page's logic
// over the dialog's own controls.
class VelmoPreferences : public CDialogImpl<VelmoPreferences> {
public:
    static constexpr int IDD = 101;

    explicit VelmoPreferences(service_ptr_t<preferences_page_callback> callback)
        : m_logic(m_controls, std::move(callback)) {}

    uint32_t get_state() { return m_logic.state(); }
    void apply() { m_logic.apply(); }
    void reset() { m_logic.reset(); }

protected:
    BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    dialog_controls m_controls;
    preferences_page_logic m_logic;
    // The volume trackbar, null until initialisation.
    HWND m_volume_slider = nullptr;
};
#endif
