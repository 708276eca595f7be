#pragma once
// Windows only: a page instance over a dialog class, its message guard, and
// the reference count that ties the object's life to its window.
#include <windows.h>

#include <atomic>

#include "sdk/dialog_impl.h"
#include "sdk/exceptions.h"
#include "sdk/preferences_page.h"
#include "sdk/service_impl.h"

// The instance operations on top of the dialog TDialog, which offers
// get_state, apply and reset and is constructed from the callback.
template <class TDialog>
class preferences_page_instance_impl : public TDialog, public preferences_page_instance {
public:
    using parent_class = preferences_page_instance;
    using preferences_page_instance::class_guid;

    explicit preferences_page_instance_impl(service_ptr_t<preferences_page_callback> callback)
        : TDialog(std::move(callback)) {}

    uint32_t get_state() override { return TDialog::get_state(); }
    window_handle get_wnd() override { return this->m_hWnd; }
    void apply() override { TDialog::apply(); }
    void reset() override { TDialog::reset(); }
};

// Every message of the dialog runs inside a structured-exception guard whose
// filter is the host's, so the host's crash handling sees faults in handlers.
template <class T>
class CWindowFixSEH : public T {
public:
    using T::T;

protected:
    BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override {
        structured_exception_guard guard;
        return T::ProcessWindowMessage(window, message, wparam, lparam, result);
    }
};

// The allocated object: counts references and lives as long as its window or
// a reference to it, whichever ends last.
template <class T>
class window_service_impl_t final : public T {
public:
    using T::T;

    int service_add_ref() noexcept override { return ++refcount_; }
    int service_release() noexcept override {
        const int count = --refcount_;
        if (count == 0) {
            if (!this->m_hWnd) {
                delete this;
            } else if (!this->m_destroying) {
                // The final message then deletes the object.
                DestroyWindow(this->m_hWnd);
            }
        }
        return count;
    }
    bool service_query(service_base*& out, const guid_t& guid) override {
        return service_query_chain<preferences_page_instance>(this, out, guid);
    }

protected:
    // Deletes the object unless the host still holds a reference.
    void OnFinalMessage(HWND) override {
        service_add_ref();
        service_release();
    }

private:
    std::atomic<int> refcount_{0};
};

// Creates an instance of TDialog's page as a child of parent; raises
// exception_win32 when the window cannot be created.
template <class TDialog>
service_ptr_t<preferences_page_instance> create_page_instance(window_handle parent,
                                                              service_ptr_t<preferences_page_callback> callback) {
    using instance_t = window_service_impl_t<CWindowFixSEH<preferences_page_instance_impl<TDialog>>>;
    auto* instance = new instance_t(std::move(callback));
    service_ptr_t<preferences_page_instance> result(instance);
    if (!instance->Create(parent)) throw exception_win32(GetLastError());  // the reference goes, and with it the object
    return result;
}
