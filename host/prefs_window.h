#pragma once
#ifdef _WIN32
#include <windows.h>

#include <filesystem>
#include <vector>

#include "host/component_host.h"
#include "sdk/preferences_page.h"

// The host's preferences window: a tree of the loaded components' pages, the
// selected page's instance beside it, and Apply and Reset buttons wired to the
// instance. Apply is enabled only while the page says it has changes; applying
// saves every component's configuration.
class prefs_window {
public:
    // Raises std::runtime_error when no component has a page or a window
    // cannot be made.
    explicit prefs_window(component_host& host);
    ~prefs_window();
    prefs_window(const prefs_window&) = delete;
    prefs_window& operator=(const prefs_window&) = delete;

    HWND window() const { return window_; }
    HWND apply_button() const { return apply_; }
    HWND reset_button() const { return reset_; }
    HWND page_window() const { return instance_ ? instance_->get_wnd() : nullptr; }
    preferences_page_instance* instance() const { return instance_.get(); }

    // Shows the window and handles messages until it is closed.
    int run();
    // Draws the window as it stands into a PNG file.
    void screenshot(const std::filesystem::path& path);

private:
    class page_callback;

    void build();
    void close();
    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void show_page(size_t index);
    void update_apply();
    void apply();

    component_host& host_;
    std::vector<service_ptr_t<preferences_page_v3>> pages_;
    service_ptr_t<preferences_page_instance> instance_;
    page_callback* callback_ = nullptr;
    HWND window_ = nullptr;
    HWND tree_ = nullptr;
    HWND apply_ = nullptr;
    HWND reset_ = nullptr;
};
#endif
