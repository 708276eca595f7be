#pragma once
#include <cstdint>

#include "sdk/service.h"
#include "sdk/string_base.h"

// A page of the host's preferences window: the service that names the page
// and places it in the tree, and the instance that lives in the window.

// The system's window handle (an opaque pointer outside Windows).
struct HWND__;
using window_handle = HWND__*;

// The host's side of a page instance: told whenever the page's state may have
// changed, after which it asks the instance for its state.
class preferences_page_callback : public service_base {
public:
    using parent_class = service_base;
    static constexpr guid_t class_guid = {0x5D5D094F, 0x0C97, 0x4F8D, {0x90, 0xE7, 0xD1, 0x49, 0xE8, 0x83, 0x1B, 0x35}};

    virtual void on_state_changed() = 0;

protected:
    ~preferences_page_callback() = default;
};

// Flags of a page instance's state.
namespace preferences_state {
inline constexpr uint32_t changed = 1;
inline constexpr uint32_t resettable = 8;
}  // namespace preferences_state

class preferences_page_instance : public service_base {
public:
    using parent_class = service_base;
    static constexpr guid_t class_guid = {0x6893A996, 0xA816, 0x49FE, {0x82, 0xCE, 0x0C, 0xB8, 0x04, 0xA4, 0xCF, 0xEC}};

    virtual uint32_t get_state() = 0;
    virtual window_handle get_wnd() = 0;
    virtual void apply() = 0;
    virtual void reset() = 0;

protected:
    ~preferences_page_instance() = default;
};

class preferences_page : public service_base {
public:
    using parent_class = service_base;
    static constexpr guid_t class_guid = {0x7255E8D0, 0x3FCF, 0x4781, {0xB9, 0x3B, 0xD0, 0x6C, 0xB8, 0x8D, 0xFA, 0xFA}};

    // The first version's window creation.
    virtual window_handle create(window_handle parent) = 0;
    virtual const char* get_name() = 0;
    virtual guid_t get_guid() = 0;
    virtual guid_t get_parent_guid() = 0;
    // The first version's reset.
    virtual bool reset_query() = 0;
    virtual void reset() = 0;

protected:
    ~preferences_page() = default;
};

class preferences_page_v2 : public preferences_page {
public:
    using parent_class = preferences_page;
    static constexpr guid_t class_guid = {0xCE4EBC9E, 0xAB20, 0x46F9, {0x92, 0x5F, 0x88, 0x3B, 0x08, 0x4F, 0x05, 0x69}};

    // Replaces out with the page's help address; false when it has none.
    virtual bool get_help_url(string_base& out) = 0;
    virtual double get_sort_priority() = 0;

protected:
    ~preferences_page_v2() = default;
};

class preferences_page_v3 : public preferences_page_v2 {
public:
    using parent_class = preferences_page_v2;
    static constexpr guid_t class_guid = {0xD6D0F741, 0x9F17, 0x4DF8, {0x9D, 0x5C, 0x87, 0xF2, 0x8B, 0x1F, 0x0E, 0x64}};

    // A new instance as a child window of parent, reporting to callback.
    virtual service_ptr_t<preferences_page_instance> instantiate(window_handle parent,
                                                                 service_ptr_t<preferences_page_callback> callback) = 0;

protected:
    ~preferences_page_v3() = default;
};
