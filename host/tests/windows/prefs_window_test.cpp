// The preferences page's real dialog inside the host's preferences window,
// driven with window messages as a user's input would send them.
#include <windows.h>

#include <commctrl.h>

#include <set>

#include "host/prefs_window.h"
#include "host/tests/captured_command.h"
#include "host/tests/wav_reader.h"
#include "host/tests/windows/dialog_template.h"
#include "sdk/dialog_impl.h"
#include "testing/files.h"

namespace {

// The tests' windows live on a desktop of their own, made on this display:
// the session's default desktop may have been started by a program that
// had none, and other programs' windows must not meet these.
const bool own_desktop = [] {
    const std::wstring name = L"velmo-prefs-tests-" + std::to_wstring(GetCurrentProcessId());
    HDESK desktop = CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    return desktop && SetThreadDesktop(desktop);
}();

constexpr uint32_t changed = preferences_state::resettable | preferences_state::changed;
constexpr uint32_t unchanged = preferences_state::resettable;

std::string narrow(const std::wstring& wide) { return std::string(wide.begin(), wide.end()); }

std::wstring window_text(HWND window) {
    std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
    text.resize(GetWindowTextW(window, text.data(), static_cast<int>(text.size())));
    return text;
}

std::wstring class_of(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// Window class names are compared without regard to case.
bool same_class(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

bool overlap(const RECT& a, const RECT& b) {
    RECT both;
    return IntersectRect(&both, &a, &b) != 0;
}

std::vector<HWND> children_in_order(HWND page) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) children.push_back(child);
    return children;
}

RECT rect_in(HWND window, HWND parent) {
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string describe(const template_item& item) { return narrow(item.text) + " (" + std::to_string(item.id) + ")"; }

// What is wrong with the page's controls against its template: one not shown,
// placed elsewhere, reaching outside the dialog, or overlapping another where
// the template does not overlap them. A list's window is only its closed part.
std::vector<std::string> layout_problems(HWND page, const dialog_template& dialog) {
    std::vector<std::string> problems;
    const std::vector<HWND> children = children_in_order(page);
    if (children.size() != dialog.items.size()) return {"the page has " + std::to_string(children.size()) + " controls"};
    RECT client;
    GetClientRect(page, &client);
    std::vector<RECT> expected, actual;
    for (size_t i = 0; i < children.size(); ++i) {
        const template_item& item = dialog.items[i];
        // Position and size are converted apart, as the dialog manager does.
        RECT want = {item.units.left, item.units.top, item.units.right - item.units.left, item.units.bottom - item.units.top};
        MapDialogRect(page, &want);
        want.right += want.left;
        want.bottom += want.top;
        const RECT got = rect_in(children[i], page);
        const bool is_list = same_class(item.class_name, L"ComboBox");
        if (!IsWindowVisible(children[i])) problems.push_back(describe(item) + " is not visible");
        if (got.left != want.left || got.top != want.top || got.right != want.right || (!is_list && got.bottom != want.bottom)) {
            problems.push_back(describe(item) + " is not where the template puts it");
        }
        RECT inside;
        if (!IntersectRect(&inside, &got, &client) || !EqualRect(&inside, &got)) problems.push_back(describe(item) + " reaches outside the dialog");
        expected.push_back(want);
        actual.push_back(got);
    }
    for (size_t i = 0; i < children.size(); ++i) {
        for (size_t j = i + 1; j < children.size(); ++j) {
            if (overlap(actual[i], actual[j]) && !overlap(expected[i], expected[j])) {
                problems.push_back(describe(dialog.items[i]) + " overlaps " + describe(dialog.items[j]));
            }
        }
    }
    return problems;
}

struct rgb_image {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// Reads the host's screenshots: 8-bit RGB, stored deflate blocks, no row filters.
rgb_image read_png(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = read_bytes(path);
    rgb_image image;
    std::vector<uint8_t> zlib;
    for (size_t at = 8; at + 12 <= bytes.size();) {
        const uint32_t size = be32(&bytes[at]);
        const std::string type(reinterpret_cast<const char*>(&bytes[at + 4]), 4);
        if (type == "IHDR") image.width = be32(&bytes[at + 8]), image.height = be32(&bytes[at + 12]);
        if (type == "IDAT") zlib.insert(zlib.end(), &bytes[at + 8], &bytes[at + 8] + size);
        at += 12 + size;
    }
    std::vector<uint8_t> raw;
    for (size_t at = 2; at + 5 <= zlib.size();) {
        const size_t size = zlib[at + 1] | zlib[at + 2] << 8;
        raw.insert(raw.end(), &zlib[at + 5], &zlib[at + 5] + size);
        if (zlib[at] & 1) break;
        at += 5 + size;
    }
    const size_t row = size_t(image.width) * 3;
    for (uint32_t y = 0; y < image.height && (y + 1) * (row + 1) <= raw.size(); ++y) {
        image.rgb.insert(image.rgb.end(), raw.begin() + y * (row + 1) + 1, raw.begin() + (y + 1) * (row + 1));
    }
    return image;
}

// Controls whose place in the screenshot holds one colour only: nothing of them was drawn.
std::vector<std::string> undrawn_controls(const rgb_image& image, HWND host_window, HWND page, const dialog_template& dialog) {
    std::vector<std::string> problems;
    const std::vector<HWND> children = children_in_order(page);
    for (size_t i = 0; i < children.size() && i < dialog.items.size(); ++i) {
        const RECT place = rect_in(children[i], host_window);
        std::set<uint32_t> colours;
        for (LONG y = std::max<LONG>(place.top, 0); y < place.bottom && y < LONG(image.height); ++y) {
            for (LONG x = std::max<LONG>(place.left, 0); x < place.right && x < LONG(image.width); ++x) {
                const uint8_t* p = &image.rgb[(size_t(y) * image.width + x) * 3];
                colours.insert(uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
            }
        }
        if (colours.size() < 2) problems.push_back(describe(dialog.items[i]) + " is not drawn");
    }
    return problems;
}

class prefs_window_test : public command_fixture<run_prefs_command> {
protected:
    void SetUp() override {
        ASSERT_TRUE(own_desktop) << "no desktop of the tests' own";
        component_fixture::SetUp();
    }
    void TearDown() override {
        window_.reset();
        component_fixture::TearDown();
    }

    void open() { window_ = std::make_unique<prefs_window>(*host_); }
    HWND page() { return window_->page_window(); }
    HWND item(int id) { return GetDlgItem(page(), id); }
    std::string text(int id) { return narrow(window_text(item(id))); }
    bool checked(int id) { return IsDlgButtonChecked(page(), id) == BST_CHECKED; }
    // What each control shows: a list its selected label, a box its text.
    void expect_texts(std::initializer_list<std::pair<int, const char*>> expected) {
        for (const auto& [id, shown] : expected) EXPECT_EQ(text(id), shown) << "control " << id;
    }
    int slider() { return static_cast<int>(SendMessageW(item(1015), TBM_GETPOS, 0, 0)); }

    void click(int id) { SendMessageW(item(id), BM_CLICK, 0, 0); }
    void choose(int id, int index) {
        SendMessageW(item(id), CB_SETCURSEL, index, 0);
        SendMessageW(page(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(item(id)));
    }
    void type(int id, const wchar_t* value) { SetWindowTextW(item(id), value); }
    void slide(int position) {
        SendMessageW(item(1015), TBM_SETPOS, TRUE, position);
        SendMessageW(page(), WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(item(1015)));
    }

    uint32_t state() { return window_->instance()->get_state(); }
    bool apply_enabled() { return IsWindowEnabled(window_->apply_button()) != 0; }
    void press(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

    int32_t stored(const std::string& name) {
        for (const auto& record : read_settings(client())) {
            if (record.guid == *setting_guid(name)) return record_value(record).value_or(-12345);
        }
        ADD_FAILURE() << name << " not stored";
        return 0;
    }

    dialog_template page_template() {
        HMODULE module = GetModuleHandleW(L"son_velmo.dll");
        return load_dialog_template(module, 101);
    }

    std::unique_ptr<prefs_window> window_;
};

TEST_F(prefs_window_test, template_101_is_the_page_layout_and_the_dialog_is_made_from_it) {
    open();
    const dialog_template dialog = page_template();
    EXPECT_EQ(dialog.style, 0x40000048u);
    EXPECT_EQ(dialog.ex_style, 0u);
    EXPECT_EQ(dialog.width, 338);
    EXPECT_EQ(dialog.height, 307);
    EXPECT_EQ(dialog.point_size, 8);
    EXPECT_EQ(dialog.font, L"MS Shell Dlg");
    const std::vector<int32_t> ids = {-1, -1, 1000, -1, 1002, -1, 1011, -1, 1012, -1, 1004, 1005, 1006, 1007, 1019,
                                      1020, 1018, 1016, 1021, 1022, 1023, 1024, 1003, 1025, -1, 1013, 1008, -1, 1009,
                                      -1, 1010, 1014, -1, 1028, -1, 1015, 1017, -1, 1026, 1030, 1029, -1, 1027};
    ASSERT_EQ(dialog.items.size(), ids.size());
    for (size_t i = 0; i < ids.size(); ++i) {
        const template_item& t = dialog.items[i];
        EXPECT_EQ(t.id, ids[i]) << i;
        EXPECT_EQ(t.ex_style, 0u) << i;
        EXPECT_EQ(t.help_id, 0u) << i;
    }
    EXPECT_EQ(dialog.items[11].text, L"Enable \"surround\" sound");
    EXPECT_EQ(dialog.items[34].style, 0x50020000u) << "the Volume label";
    EXPECT_TRUE(same_class(dialog.items[35].class_name, L"msctls_trackbar32"));
    EXPECT_EQ(dialog.items[38].units.bottom - dialog.items[38].units.top, 150) << "a list's dropped height";

    const std::vector<HWND> children = children_in_order(page());
    ASSERT_EQ(children.size(), dialog.items.size());
    for (size_t i = 0; i < children.size(); ++i) {
        EXPECT_EQ(GetDlgCtrlID(children[i]), dialog.items[i].id) << i;
        EXPECT_TRUE(same_class(class_of(children[i]), dialog.items[i].class_name.c_str())) << i;
        if (same_class(dialog.items[i].class_name, L"Button") || same_class(dialog.items[i].class_name, L"Static")) {
            EXPECT_EQ(window_text(children[i]), dialog.items[i].text) << i;
        }
    }
    EXPECT_EQ(GetWindowLongW(page(), GWL_STYLE) & WS_CHILD, WS_CHILD);
    EXPECT_EQ(GetParent(page()), window_->window());
}

TEST_F(prefs_window_test, every_setting_round_trips_through_the_controls) {
    const std::vector<std::pair<const char*, int32_t>> values = {
        {"cfg_samplerate", 96000}, {"cfg_bitspersample", 8},     {"cfg_channels", 1},
        {"cfg_interpolation", 0},  {"cfg_dsp_options", 0x1FFF}, {"cfg_fast_seek", 0},
        {"cfg_use_internal_length", 0}, {"cfg_force_length", 0}, {"cfg_song_length", 65000},
        {"cfg_fade_length", 7},    {"cfg_amplification", 255},  {"cfg_stereo_separation", 0},
        {"cfg_spc_extension", 0},  {"cfg_no_script700", 1},     {"cfg_use_xid6_amp", 0},
        {"cfg_write_all_xid6", 0}};
    for (const auto& [name, value] : values) set_setting(name, value);
    open();
    expect_texts({{1000, "96000"}, {1011, "8"}, {1012, "Mono"}, {1002, "None"}, {1026, "0"}, {1009, "65000"},
                  {1017, "255"}});
    const std::pair<int, bool> boxes[] = {{1003, true}, {1025, false}, {1029, true}, {1027, false}};
    for (const auto& [id, is_checked] : boxes) EXPECT_EQ(checked(id), is_checked) << "box " << id;
    EXPECT_EQ(slider(), 255);
    EXPECT_EQ(state(), unchanged);
    EXPECT_FALSE(apply_enabled());

    read_config(defaults_);
    window_->instance()->apply();
    for (const auto& [name, value] : values) EXPECT_EQ(stored(name), value) << name;
}

TEST_F(prefs_window_test, unlisted_rate_and_uncovered_dsp_bits) {
    set_setting("cfg_samplerate", 12345);
    set_setting("cfg_dsp_options", 0x00004010);
    open();
    EXPECT_EQ(text(1000), "8000");
    EXPECT_TRUE(checked(1007));
    EXPECT_FALSE(checked(1006));
    EXPECT_EQ(state(), changed);
    ASSERT_TRUE(apply_enabled());
    press(window_->apply_button());
    EXPECT_EQ(stored("cfg_samplerate"), 8000);
    EXPECT_EQ(stored("cfg_dsp_options"), 0x10);
    EXPECT_FALSE(apply_enabled());
    // Apply saved the stream.
    EXPECT_TRUE(std::filesystem::exists(host_->store().file_for("son_velmo.dll")));
}

TEST_F(prefs_window_test, after_a_notification_only_that_control_is_compared) {
    open();
    click(1007);
    EXPECT_TRUE(checked(1007));
    EXPECT_TRUE(apply_enabled());
    choose(1000, 2);
    choose(1000, 5);  // the stored 32000 again
    EXPECT_FALSE(apply_enabled()) << "the host's question after the list's notification compared the list only";
    EXPECT_EQ(state(), changed) << "the next compares every control";
}

TEST_F(prefs_window_test, slider_value_number_boxes_and_enabling) {
    set_setting("cfg_force_length", 0);
    open();
    EXPECT_TRUE(IsWindowEnabled(item(1009)));
    EXPECT_TRUE(IsWindowEnabled(item(1010)));
    slide(37);
    EXPECT_EQ(text(1017), "37");
    EXPECT_TRUE(apply_enabled());
    type(1009, L"");
    press(window_->apply_button());
    EXPECT_EQ(stored("cfg_amplification"), 37);
    EXPECT_EQ(stored("cfg_song_length"), 0);
    slide(300);
    EXPECT_EQ(slider(), 255);
    EXPECT_EQ(text(1017), "255");
}

TEST_F(prefs_window_test, amplification_beyond_the_slider_is_shown_as_stored) {
    set_setting("cfg_amplification", 300);
    open();
    EXPECT_EQ(text(1017), "300");
    EXPECT_EQ(slider(), 255);
    EXPECT_EQ(state(), changed);
}

TEST_F(prefs_window_test, reset_shows_defaults_and_changes_settings_only_on_apply) {
    set_setting("cfg_interpolation", 1);
    set_setting("cfg_no_script700", 1);
    open();
    EXPECT_FALSE(apply_enabled());
    press(window_->reset_button());
    expect_texts({{1002, "Gaussian"}, {1009, "180000"}, {1017, "16"}});
    EXPECT_FALSE(checked(1029));
    EXPECT_TRUE(apply_enabled());
    EXPECT_EQ(stored("cfg_interpolation"), 1);
    press(window_->apply_button());
    EXPECT_EQ(stored("cfg_interpolation"), 3);
    EXPECT_EQ(stored("cfg_no_script700"), 0);
}

TEST_F(prefs_window_test, releasing_the_instance_destroys_its_window) {
    open();
    service_ptr_t<preferences_page_instance> held(window_->instance());
    const HWND page_window = page();
    window_.reset();  // the host window and its children go first
    EXPECT_FALSE(IsWindow(page_window));
    EXPECT_EQ(held->get_wnd(), nullptr);
    held.release();

    auto pages = host_->registry().all<preferences_page_v3>();
    ASSERT_EQ(pages.size(), 1u);
    HWND parent = CreateWindowExW(0, L"Static", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    auto instance = pages[0]->instantiate(parent, {});
    const HWND child = instance->get_wnd();
    ASSERT_TRUE(IsWindow(child));
    instance.release();
    EXPECT_FALSE(IsWindow(child));
    DestroyWindow(parent);
}

TEST_F(prefs_window_test, a_rate_applied_on_the_page_is_used_for_files_opened_afterwards) {
    open();
    choose(1000, 7);  // 48000
    press(window_->apply_button());
    temp_folder folder;
    const std::string out = (folder.path() / "out.wav").u8string();
    std::string printed, errors;
    const int status = run_captured(
        [&] { return run_decode_command(*host_, {write_example(), "-o", out, "--seconds", "1"}); }, printed, errors);
    ASSERT_EQ(status, 0) << errors;
    const wav_file wav = parse_wav(read_bytes(out));
    EXPECT_EQ(wav.rate, 48000u);
}

TEST_F(prefs_window_test, screenshot_shows_every_control_where_the_template_puts_it) {
    open();
    const dialog_template dialog = page_template();
    const auto shot = component_host::executable_folder() / "prefs-screenshot.png";
    window_->screenshot(shot);
    const rgb_image image = read_png(shot);
    RECT client;
    GetClientRect(window_->window(), &client);
    EXPECT_EQ(image.width, uint32_t(client.right));
    EXPECT_EQ(image.height, uint32_t(client.bottom));
    EXPECT_EQ(layout_problems(page(), dialog), std::vector<std::string>{});
    EXPECT_EQ(undrawn_controls(image, window_->window(), page(), dialog), std::vector<std::string>{});

    // The measures catch what they are for: a hidden box and a moved number box.
    ShowWindow(item(1007), SW_HIDE);
    RECT fade = rect_in(item(1010), page());
    SetWindowPos(item(1009), nullptr, fade.left, fade.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const auto broken = component_host::executable_folder() / "prefs-screenshot-broken.png";
    window_->screenshot(broken);
    const auto problems = layout_problems(page(), dialog);
    EXPECT_NE(std::find(problems.begin(), problems.end(), "Disable echo (1007) is not visible"), problems.end());
    EXPECT_NE(std::find(problems.begin(), problems.end(), " (1009) overlaps  (1010)"), problems.end());
    const auto undrawn = undrawn_controls(read_png(broken), window_->window(), page(), dialog);
    EXPECT_NE(std::find(undrawn.begin(), undrawn.end(), "Disable echo (1007) is not drawn"), undrawn.end());
    std::filesystem::remove(broken);
}

TEST_F(prefs_window_test, prefs_command_writes_a_screenshot_and_refuses_other_arguments) {
    temp_folder folder;
    const auto shot = folder.path() / "window.png";
    EXPECT_EQ(run({"--screenshot", shot.u8string()}), 0) << err_;
    EXPECT_GT(read_png(shot).width, 338u);
    EXPECT_EQ(run({"--bogus"}), 2);
    EXPECT_EQ(run({"--screenshot"}), 2);
}

// Stands outside the guard and resumes after the test's own exception, so
// that the test sees what the guard did before the search reached it.
struct resume_registration {
    resume_registration* next;
    EXCEPTION_DISPOSITION(__cdecl* handler)(EXCEPTION_RECORD*, void*, CONTEXT*, void*);
};
constexpr DWORD test_exception = 0xE0001234;

EXCEPTION_DISPOSITION __cdecl resume_test_exception(EXCEPTION_RECORD* record, void*, CONTEXT*, void*) {
    return record->ExceptionCode == test_exception ? ExceptionContinueExecution : ExceptionContinueSearch;
}

TEST(structured_exception_guard, a_fault_inside_is_offered_to_the_host_filter) {
    resume_registration outer = {reinterpret_cast<resume_registration*>(__readfsdword(0)), &resume_test_exception};
    __writefsdword(0, reinterpret_cast<DWORD>(&outer));
    testing::internal::CaptureStderr();
    {
        structured_exception_guard guard;
        RaiseException(test_exception, 0, 0, nullptr);
    }
    RaiseException(test_exception, 0, 0, nullptr);  // outside the guard the host's filter is not asked
    const std::string reported = testing::internal::GetCapturedStderr();
    __writefsdword(0, reinterpret_cast<DWORD>(outer.next));
    EXPECT_EQ(reported.find("Crash: exception E0001234"), 0u) << reported;
    EXPECT_EQ(reported.find("Crash", 1), std::string::npos) << reported;
}

}  // namespace
