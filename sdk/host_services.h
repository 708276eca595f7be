#pragma once
#include <cstdint>

#include "sdk/service.h"
#include "sdk/string_base.h"

// Services the host offers to its components.

class console_receiver : public service_base {
public:
    using parent_class = service_base;
    static constexpr guid_t class_guid = {0x90DF5270, 0x65BB, 0x4DBA, {0xBA, 0xF5, 0x86, 0xBE, 0x9E, 0x59, 0xDC, 0x20}};

    // length string_npos: up to the terminator.
    virtual void print(const char* text, uint32_t length) = 0;

protected:
    ~console_receiver() = default;
};

class version_info : public service_base {
public:
    using parent_class = service_base;
    static constexpr guid_t class_guid = {0x0C36A649, 0x9EA0, 0x4F48, {0xB2, 0x29, 0x0C, 0xB2, 0xAA, 0x9A, 0xB6, 0xF4}};

    virtual void get_version_string(string_base& out) = 0;

protected:
    ~version_info() = default;
};

// Receives diagnostic events from a decoder.
class event_logger : public service_base {
public:
    using parent_class = service_base;
    static constexpr guid_t class_guid = {0x4C0E8B4D, 0x2E36, 0x4A5F, {0xA6, 0x3E, 0x71, 0x0B, 0xD2, 0x55, 0x19, 0x84}};

    virtual void log(const char* line) = 0;

protected:
    ~event_logger() = default;
};
