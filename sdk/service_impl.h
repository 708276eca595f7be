#pragma once
#include <atomic>
#include <utility>

#include "sdk/service.h"

// Answers a query for any interface of T's chain.
template <class T>
bool service_query_chain(T* self, service_base*& out, const guid_t& guid) {
    if (!service_chain_has<T>(guid)) return false;
    self->service_add_ref();
    service_base* old = out;
    out = self;
    if (old) old->service_release();
    return true;
}

// A static singleton: never destroyed, so its reference count is always 1.
template <class T>
class service_impl_single_t final : public T {
public:
    template <class... Args>
    explicit service_impl_single_t(Args&&... args) : T(std::forward<Args>(args)...) {}

    int service_release() noexcept override { return 1; }
    int service_add_ref() noexcept override { return 1; }
    bool service_query(service_base*& out, const guid_t& guid) override { return service_query_chain<T>(this, out, guid); }
};

// A heap object destroyed when its last reference is released.
template <class T>
class service_impl_t final : public T {
public:
    template <class... Args>
    explicit service_impl_t(Args&&... args) : T(std::forward<Args>(args)...) {}

    int service_release() noexcept override {
        int count = --refcount_;
        if (count == 0) delete this;
        return count;
    }
    int service_add_ref() noexcept override { return ++refcount_; }
    bool service_query(service_base*& out, const guid_t& guid) override { return service_query_chain<T>(this, out, guid); }

private:
    std::atomic<int> refcount_{0};
};

// A new reference-counted T; the returned pointer holds the first reference.
template <class T, class... Args>
service_ptr_t<T> service_new(Args&&... args) {
    return service_ptr_t<T>(new service_impl_t<T>(std::forward<Args>(args)...));
}

// A list node with its singleton service embedded.
template <class T>
class service_factory_single_t final : public service_factory_base {
public:
    template <class... Args>
    explicit service_factory_single_t(Args&&... args)
        : service_factory_base(service_class_of<T>(), g_service_list), instance_(std::forward<Args>(args)...) {}

    void instance_create(service_ptr_t<service_base>& out) override { out.reset(&instance_); }

private:
    service_impl_single_t<T> instance_;
};

// A list node referring to a singleton that lives elsewhere.
template <class T>
class service_factory_single_ref_t final : public service_factory_base {
public:
    explicit service_factory_single_ref_t(T& instance)
        : service_factory_base(service_class_of<T>(), g_service_list), instance_(instance) {}

    void instance_create(service_ptr_t<service_base>& out) override { out.reset(&instance_); }

private:
    T& instance_;
};
