#pragma once
// Reads an extended dialog template from a module's resources, as the system
// does when it creates the dialog.
#include <windows.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

struct template_item {
    uint32_t help_id = 0, ex_style = 0, style = 0;
    RECT units{};  // left, top, right, bottom in dialog units
    int32_t id = 0;
    std::wstring class_name;  // the predefined classes' ordinals as their names
    std::wstring text;
};

struct dialog_template {
    uint32_t style = 0, ex_style = 0;
    int width = 0, height = 0;
    int point_size = 0;
    std::wstring font;
    std::vector<template_item> items;
};

class template_reader {
public:
    explicit template_reader(const uint8_t* at, size_t size) : at_(at), end_(at + size) {}

    template <class T>
    T read() {
        if (size_t(end_ - at_) < sizeof(T)) throw std::runtime_error("dialog template ends early");
        T value;
        std::memcpy(&value, at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    std::wstring string() {
        std::wstring text;
        for (wchar_t c; (c = static_cast<wchar_t>(read<uint16_t>())) != 0;) text += c;
        return text;
    }
    // A string or an ordinal (0xFFFF and a number).
    std::wstring string_or_ordinal() {
        const uint16_t first = read<uint16_t>();
        if (first == 0) return {};
        if (first == 0xFFFF) {
            static const wchar_t* const names[] = {L"Button", L"Edit", L"Static", L"ListBox", L"ScrollBar", L"ComboBox"};
            const uint16_t ordinal = read<uint16_t>();
            return ordinal >= 0x80 && ordinal <= 0x85 ? names[ordinal - 0x80] : L"#" + std::to_wstring(ordinal);
        }
        at_ -= 2;
        return string();
    }
    void align(size_t to, const uint8_t* base) {
        while ((at_ - base) % to) ++at_;
    }

private:
    const uint8_t* at_;
    const uint8_t* end_;
};

inline dialog_template load_dialog_template(HMODULE module, int id) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    if (!found) throw std::runtime_error("no dialog template");
    const auto* base = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
    template_reader in(base, SizeofResource(module, found));
    if (in.read<uint16_t>() != 1 || in.read<uint16_t>() != 0xFFFF) throw std::runtime_error("not an extended template");
    dialog_template dialog;
    in.read<uint32_t>();  // help ID
    dialog.ex_style = in.read<uint32_t>();
    dialog.style = in.read<uint32_t>();
    const uint16_t count = in.read<uint16_t>();
    in.read<int16_t>();
    in.read<int16_t>();
    dialog.width = in.read<int16_t>();
    dialog.height = in.read<int16_t>();
    in.string_or_ordinal();  // menu
    in.string_or_ordinal();  // class
    in.string();             // caption
    if (dialog.style & DS_SETFONT) {
        dialog.point_size = in.read<uint16_t>();
        in.read<uint16_t>();
        in.read<uint8_t>();
        in.read<uint8_t>();
        dialog.font = in.string();
    }
    for (uint16_t i = 0; i < count; ++i) {
        in.align(4, base);
        template_item item;
        item.help_id = in.read<uint32_t>();
        item.ex_style = in.read<uint32_t>();
        item.style = in.read<uint32_t>();
        item.units.left = in.read<int16_t>();
        item.units.top = in.read<int16_t>();
        item.units.right = item.units.left + in.read<int16_t>();
        item.units.bottom = item.units.top + in.read<int16_t>();
        item.id = in.read<int32_t>();
        item.class_name = in.string_or_ordinal();
        item.text = in.string_or_ordinal();
        const uint16_t extra = in.read<uint16_t>();
        for (uint16_t b = 0; b < extra; ++b) in.read<uint8_t>();
        dialog.items.push_back(item);
    }
    return dialog;
}
