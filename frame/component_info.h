#pragma once
#include "sdk/component.h"

// The component's version record.
class componentversion_myimpl : public componentversion {
public:
    void get_file_name(string_base& out) override;
    void get_component_name(string_base& out) override;
    void get_component_version(string_base& out) override;
    void get_about_message(string_base& out) override;
};

// The one file type the component lists: "SPC files", *.spc.
class input_file_type_impl : public input_file_type {
public:
    explicit input_file_type_impl(bool associatable) : associatable_(associatable) {}
    uint32_t get_count() override { return 1; }
    bool get_name(uint32_t index, string_base& out) override;
    bool get_mask(uint32_t index, string_base& out) override;
    bool is_associatable(uint32_t) override { return associatable_; }

private:
    bool associatable_;
};

// Installed correctly when the component's own file carries the expected name.
class component_installation_validator_filename : public component_installation_validator {
public:
    explicit component_installation_validator_filename(const char* expected_name) : expected_name_(expected_name) {}
    bool is_installed_correctly() override;

private:
    const char* expected_name_;
};
