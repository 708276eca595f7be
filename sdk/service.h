#pragma once
#include <cstdint>
#include <type_traits>

#include "sdk/guid.h"

// Every object handed between host and component is a reference-counted
// service. Interfaces name their class identifier and the interface they refine.
class service_base {
public:
    virtual int service_release() noexcept = 0;
    virtual int service_add_ref() noexcept = 0;
    // On a match: adds a reference, releases what out held, stores itself.
    virtual bool service_query(service_base*& out, const guid_t& class_guid) = 0;

protected:
    service_base() = default;
    ~service_base() = default;
};

template <class T>
class service_ptr_t {
public:
    service_ptr_t() = default;
    service_ptr_t(T* p) : p_(p) { if (p_) p_->service_add_ref(); }
    service_ptr_t(const service_ptr_t& other) : service_ptr_t(other.p_) {}
    service_ptr_t(service_ptr_t&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    ~service_ptr_t() { release(); }

    service_ptr_t& operator=(const service_ptr_t& other) { reset(other.p_); return *this; }
    service_ptr_t& operator=(service_ptr_t&& other) noexcept {
        if (this != &other) {
            release();
            p_ = other.p_;
            other.p_ = nullptr;
        }
        return *this;
    }

    void reset(T* p = nullptr) {
        if (p) p->service_add_ref();
        T* old = p_;
        p_ = p;
        if (old) old->service_release();
    }
    void release() {
        T* old = p_;
        p_ = nullptr;
        if (old) old->service_release();
    }
    // Takes over a reference the caller already owns.
    void attach(T* p) {
        release();
        p_ = p;
    }
    T* detach() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // Asks the object for another of its interfaces.
    template <class U>
    bool query(service_ptr_t<U>& out) const {
        if (!p_) return false;
        service_base* raw = nullptr;
        if (!p_->service_query(raw, U::class_guid)) return false;
        out.attach(static_cast<U*>(raw));
        return true;
    }

private:
    T* p_ = nullptr;
};

// True when the interface T or one it refines has the class identifier.
template <class T>
constexpr bool service_chain_has(const guid_t& guid) {
    if constexpr (std::is_same_v<T, service_base>) {
        return false;
    } else {
        return guid == T::class_guid || service_chain_has<typename T::parent_class>(guid);
    }
}

// The class a service is enumerated under: the interface right above service_base.
template <class T>
constexpr const guid_t& service_class_of() {
    if constexpr (std::is_same_v<typename T::parent_class, service_base>) {
        return T::class_guid;
    } else {
        return service_class_of<typename T::parent_class>();
    }
}

// A node of a module's service list; static objects push themselves at the head.
class service_factory_base {
public:
    virtual void instance_create(service_ptr_t<service_base>& out) = 0;

    service_factory_base* next() const { return next_; }
    const guid_t& class_guid() const { return class_guid_; }

protected:
    service_factory_base(const guid_t& class_guid, service_factory_base*& list_head)
        : next_(list_head), class_guid_(class_guid) {
        list_head = this;
    }
    ~service_factory_base() = default;

private:
    service_factory_base* next_;
    const guid_t& class_guid_;
};

// The head of this module's service list; each module defines it once.
extern service_factory_base* g_service_list;

// The host's side of service enumeration.
class host_api {
public:
    virtual uint32_t service_count(const guid_t& class_guid) = 0;
    virtual bool service_instantiate(service_ptr_t<service_base>& out, const guid_t& class_guid, uint32_t index) = 0;

protected:
    ~host_api() = default;
};

// The host API object this module was given (the component's is set by its export).
host_api* host_api_object();

// Enumerates the host's services of one interface in the host's order.
template <class T>
class service_enum_t {
public:
    service_enum_t() : count_(host_api_object() ? host_api_object()->service_count(service_class_of<T>()) : 0) {}

    bool next(service_ptr_t<T>& out) {
        while (index_ < count_) {
            service_ptr_t<service_base> base;
            if (!host_api_object()->service_instantiate(base, service_class_of<T>(), index_++)) continue;
            if (base.query(out)) return true;
        }
        return false;
    }

private:
    uint32_t count_;
    uint32_t index_ = 0;
};
