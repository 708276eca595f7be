#pragma once
// Windows only: a modeless dialog from a template of the module that holds T,
// with its messages routed to T, and the guard that shows faults raised inside
// message handlers to the host.
#include <windows.h>

#include <intrin.h>

#include "sdk/shared.h"

// T names its template as IDD and handles messages in ProcessWindowMessage:
// true when handled, with the message's result.
template <class T>
class CDialogImpl {
public:
    HWND m_hWnd = nullptr;

    // The dialog as a child of parent; null on failure, with the system's error.
    HWND Create(HWND parent) {
        return CreateDialogParamW(own_module(), MAKEINTRESOURCEW(T::IDD), parent, &dialog_proc,
                                  reinterpret_cast<LPARAM>(this));
    }

protected:
    CDialogImpl() = default;
    virtual ~CDialogImpl() = default;

    virtual BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) = 0;
    // After the window's last message; the window is gone.
    virtual void OnFinalMessage(HWND) {}

    // Set once the window has begun to be destroyed.
    bool m_destroying = false;

private:
    // The module this template is compiled into, which holds the dialog template.
    static HINSTANCE own_module() {
        HMODULE module = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&dialog_proc), &module);
        return module;
    }

    static INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(window, DWLP_USER, lparam);
            reinterpret_cast<CDialogImpl*>(lparam)->m_hWnd = window;
        }
        // Messages before the initialisation (the font) take the default handling.
        auto* self = reinterpret_cast<CDialogImpl*>(GetWindowLongPtrW(window, DWLP_USER));
        if (!self) return FALSE;
        if (message == WM_DESTROY) self->m_destroying = true;

        LRESULT result = 0;
        const BOOL handled = self->ProcessWindowMessage(window, message, wparam, lparam, result);
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(window, DWLP_USER, 0);
            self->m_hWnd = nullptr;
            self->OnFinalMessage(window);  // may delete self
            return handled;
        }
        if (!handled) return FALSE;
        // The initialisation's result asks for the default focus; others travel in the window.
        if (message == WM_INITDIALOG) return result;
        SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
};

// While alive, a fault on this thread is first offered to the host's filter,
// uExceptFilterProc: it resumes execution when the filter says so, and the
// search for a handler goes on otherwise. Registered on the thread's handler
// chain, so it must live on the stack and be left in the order it was made.
class structured_exception_guard {
public:
    structured_exception_guard() {
        record_.next = reinterpret_cast<registration*>(__readfsdword(0));
        record_.handler = &filter;
        __writefsdword(0, reinterpret_cast<DWORD>(&record_));
    }
    ~structured_exception_guard() { __writefsdword(0, reinterpret_cast<DWORD>(record_.next)); }
    structured_exception_guard(const structured_exception_guard&) = delete;
    structured_exception_guard& operator=(const structured_exception_guard&) = delete;

private:
    struct registration {
        registration* next;
        EXCEPTION_DISPOSITION(__cdecl* handler)(EXCEPTION_RECORD*, void*, CONTEXT*, void*);
    };

    static EXCEPTION_DISPOSITION __cdecl filter(EXCEPTION_RECORD* record, void*, CONTEXT* context, void*) {
        if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
        EXCEPTION_POINTERS pointers = {record, context};
        if (uExceptFilterProc(&pointers) == EXCEPTION_CONTINUE_EXECUTION) return ExceptionContinueExecution;
        return ExceptionContinueSearch;
    }

    registration record_;
};
