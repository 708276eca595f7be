#ifdef _WIN32
#include "host/prefs_window.h"

#include <commctrl.h>

#include <stdexcept>

#include "host/png_writer.h"
#include "sdk/service_impl.h"
#include "support/exceptions.h"
#include "support/utf8.h"

namespace {

constexpr wchar_t window_class[] = L"sonmara-host preferences";
constexpr int apply_id = 1;
constexpr int reset_id = 2;
constexpr int tree_id = 3;
constexpr int margin = 8;
constexpr int tree_width = 160;
constexpr int button_width = 80;
constexpr int button_height = 24;

std::u16string widen(const char* utf8) {
    std::u16string wide(utf16_units_for_utf8(std::char_traits<char>::length(utf8)), u'\0');
    wide.resize(utf8_to_utf16(wide.data(), wide.size(), utf8));
    return wide;
}

const wchar_t* wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

void register_window_class(WNDPROC window_proc) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = window_class;
    RegisterClassExW(&wc);  // fails harmlessly when already registered
}

HWND make_child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id) {
    HWND child = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (!child) throw_last_error();
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
}

}  // namespace

// Tells the window that the page's state may have changed; forgets the
// window when it goes, as the page may outlive it.
class prefs_window::page_callback : public preferences_page_callback {
public:
    explicit page_callback(prefs_window* owner) : owner_(owner) {}
    void on_state_changed() override {
        if (owner_) owner_->update_apply();
    }
    void forget() { owner_ = nullptr; }

private:
    prefs_window* owner_;
};

prefs_window::prefs_window(component_host& host) : host_(host) {
    pages_ = host_.registry().all<preferences_page_v3>();
    if (pages_.empty()) throw std::runtime_error("no loaded component has a preferences page");
    register_window_class(&window_proc);
    window_ = CreateWindowExW(0, window_class, L"Preferences", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                              CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window_) throw_last_error();
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    callback_ = new service_impl_t<page_callback>(this);
    callback_->service_add_ref();
    try {
        build();
    } catch (...) {
        close();
        throw;
    }
}

void prefs_window::build() {
    tree_ = make_child(window_, WC_TREEVIEWW, L"", WS_BORDER | TVS_SHOWSELALWAYS, tree_id);
    for (const auto& page : pages_) {
        const std::u16string name = widen(page->get_name());
        TVINSERTSTRUCTW item = {};
        item.hParent = TVI_ROOT;
        item.hInsertAfter = TVI_LAST;
        item.item.mask = TVIF_TEXT;
        item.item.pszText = const_cast<wchar_t*>(wide(name));
        SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    apply_ = make_child(window_, WC_BUTTONW, L"Apply", WS_TABSTOP | BS_PUSHBUTTON, apply_id);
    reset_ = make_child(window_, WC_BUTTONW, L"Reset", WS_TABSTOP | BS_PUSHBUTTON, reset_id);
    show_page(0);
    HTREEITEM first = reinterpret_cast<HTREEITEM>(SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    SendMessageW(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(first));
}

prefs_window::~prefs_window() { close(); }

void prefs_window::close() {
    callback_->forget();
    instance_.release();  // destroys the page's window
    if (window_) DestroyWindow(window_);
    callback_->service_release();
}

void prefs_window::show_page(size_t index) {
    instance_.release();
    instance_ = pages_[index]->instantiate(window_, callback_);
    HWND page = instance_->get_wnd();
    RECT size;
    GetWindowRect(page, &size);
    const int page_width = size.right - size.left;
    const int page_height = size.bottom - size.top;
    const int buttons_y = margin + page_height + margin;
    SetWindowPos(page, HWND_TOP, margin + tree_width + margin, margin, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetWindowPos(tree_, nullptr, margin, margin, tree_width, page_height, SWP_NOZORDER);
    const int right = margin + tree_width + margin + page_width;
    SetWindowPos(reset_, nullptr, right - button_width, buttons_y, button_width, button_height, SWP_NOZORDER);
    SetWindowPos(apply_, nullptr, right - 2 * button_width - margin, buttons_y, button_width, button_height, SWP_NOZORDER);

    RECT frame = {0, 0, right + margin, buttons_y + button_height + margin};
    AdjustWindowRect(&frame, GetWindowLongW(window_, GWL_STYLE), FALSE);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
    update_apply();
}

void prefs_window::update_apply() {
    if (apply_ && instance_) EnableWindow(apply_, (instance_->get_state() & preferences_state::changed) != 0);
}

void prefs_window::apply() {
    instance_->apply();
    for (const auto& component : host_.components()) host_.store().save(*component.client, component.file_name);
    update_apply();
}

LRESULT CALLBACK prefs_window::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<prefs_window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    // Messages of the window's creation come before it knows its owner.
    if (!self) return DefWindowProcW(window, message, wparam, lparam);
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wparam) == apply_id && HIWORD(wparam) == BN_CLICKED) self->apply();
        if (LOWORD(wparam) == reset_id && HIWORD(wparam) == BN_CLICKED) self->instance_->reset();
        return 0;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lparam);
        if (header->idFrom == tree_id && header->code == TVN_SELCHANGEDW) {
            const auto* change = reinterpret_cast<const NMTREEVIEWW*>(lparam);
            size_t index = 0;
            for (HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageW(self->tree_, TVM_GETNEXTITEM, TVGN_ROOT, 0));
                 item && item != change->itemNew.hItem;
                 item = reinterpret_cast<HTREEITEM>(SendMessageW(self->tree_, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
                ++index;
            }
            if (index < self->pages_.size() && change->action != TVC_UNKNOWN) self->show_page(index);
        }
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        self->window_ = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

int prefs_window::run() {
    ShowWindow(window_, SW_SHOW);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab and the arrow keys move between the page's controls.
        if (page_window() && IsDialogMessageW(page_window(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

void prefs_window::screenshot(const std::filesystem::path& path) {
    ShowWindow(window_, SW_SHOW);
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    RECT client;
    GetClientRect(window_, &client);
    const int width = client.right, height = client.bottom;

    HDC window_dc = GetDC(window_);
    HDC memory_dc = CreateCompatibleDC(window_dc);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) {
        DeleteDC(memory_dc);
        ReleaseDC(window_, window_dc);
        throw std::runtime_error("cannot make a bitmap for the screenshot");
    }
    HGDIOBJ old = SelectObject(memory_dc, bitmap);
    BitBlt(memory_dc, 0, 0, width, height, window_dc, 0, 0, SRCCOPY);
    GdiFlush();

    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    const auto* pixels = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; i < size_t(width) * height; ++i) {
        rgb[i * 3] = pixels[i * 4 + 2];
        rgb[i * 3 + 1] = pixels[i * 4 + 1];
        rgb[i * 3 + 2] = pixels[i * 4];
    }
    SelectObject(memory_dc, old);
    DeleteObject(bitmap);
    DeleteDC(memory_dc);
    ReleaseDC(window_, window_dc);
    write_png_file(path, width, height, rgb);
}
#endif
