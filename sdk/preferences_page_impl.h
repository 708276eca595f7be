#pragma once
// The service side of a preferences page: the first version's window creation
// and reset do nothing useful, and instantiate makes a page instance around
// the dialog class TDialog, whose window lives as long as it is referenced.
#include "sdk/exceptions.h"
#include "sdk/preferences_page.h"
#include "sdk/service_impl.h"
#ifdef _WIN32
#include "sdk/preferences_page_instance_impl.h"
#endif

template <class TDialog>
class preferences_page_impl : public preferences_page_v3 {
public:
    // Pages are opened through instantiate only.
    window_handle create(window_handle) override { throw exception_not_implemented(); }
    bool reset_query() override { return false; }
    void reset() override {}

    service_ptr_t<preferences_page_instance> instantiate(window_handle parent,
                                                         service_ptr_t<preferences_page_callback> callback) override {
#ifdef _WIN32
        return create_page_instance<TDialog>(parent, std::move(callback));
#else
        // Without a window system there is nothing to show the page in.
        (void)parent;
        (void)callback;
        throw exception_not_implemented();
#endif
    }
};

// The list node that hands out a page's one static service object.
template <class T>
using preferences_page_factory_t = service_factory_single_t<T>;
