#pragma once
#include <atomic>
#include <cstdint>

#include "sdk/file.h"
#include "sdk/guid.h"

// Persistent settings. Each static setting links its reading and writing
// halves at the front of this module's two lists when it is constructed.
class cfg_var_reader {
public:
    virtual void read_from_stream(stream_reader& in, uint32_t size_hint, abort_callback& abort) = 0;

    const guid_t& guid() const { return guid_; }
    cfg_var_reader* next_reader() const { return next_; }
    static cfg_var_reader* list_head();

protected:
    explicit cfg_var_reader(const guid_t& guid);
    ~cfg_var_reader() = default;

private:
    guid_t guid_;
    cfg_var_reader* next_;
};

class cfg_var_writer {
public:
    virtual void write_to_stream(stream_writer& out, abort_callback& abort) = 0;

    const guid_t& guid() const { return guid_; }
    cfg_var_writer* next_writer() const { return next_; }
    static cfg_var_writer* list_head();

protected:
    explicit cfg_var_writer(const guid_t& guid);
    ~cfg_var_writer() = default;

private:
    guid_t guid_;
    cfg_var_writer* next_;
};

class cfg_var : public cfg_var_reader, public cfg_var_writer {
protected:
    explicit cfg_var(const guid_t& guid) : cfg_var_reader(guid), cfg_var_writer(guid) {}
    ~cfg_var() = default;
};

// A 32-bit setting stored little-endian. A read that fails leaves the value as
// it was. The page assigns on the interface thread while decoders copy on
// theirs, so the value is one atomic word: a reader sees the old or the new.
template <class T>
class cfg_int_t final : public cfg_var {
    static_assert(sizeof(T) == 4, "settings are 32-bit words");

public:
    cfg_int_t(const guid_t& guid, T default_value) : cfg_var(guid), value_(default_value) {}

    operator T() const { return get(); }
    cfg_int_t& operator=(T value) {
        value_.store(value, std::memory_order_relaxed);
        return *this;
    }
    T get() const { return value_.load(std::memory_order_relaxed); }

    void read_from_stream(stream_reader& in, uint32_t, abort_callback& abort) override {
        uint8_t bytes[4];
        in.read_object(bytes, 4, abort);
        uint32_t raw = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
        *this = static_cast<T>(raw);
    }
    void write_to_stream(stream_writer& out, abort_callback& abort) override {
        uint32_t raw = static_cast<uint32_t>(get());
        uint8_t bytes[4] = {uint8_t(raw), uint8_t(raw >> 8), uint8_t(raw >> 16), uint8_t(raw >> 24)};
        out.write(bytes, 4, abort);
    }

private:
    std::atomic<T> value_;
    static_assert(std::atomic<T>::is_always_lock_free, "a setting is read and written whole without a lock");
};
