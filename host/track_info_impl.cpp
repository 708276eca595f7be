#include "host/track_info_impl.h"

#include <algorithm>

#include "sdk/shared.h"

uint32_t track_info_impl::meta_find(const char* name) const {
    for (size_t i = 0; i < meta_.size(); ++i) {
        if (stricmp_utf8(meta_[i].name.c_str(), name) == 0) return static_cast<uint32_t>(i);
    }
    return npos;
}

void track_info_impl::meta_set(const char* name, const char* value) {
    uint32_t index = meta_find(name);
    if (index == npos) {
        meta_.push_back({name, {value}});
    } else {
        meta_[index].values.assign(1, value);
    }
}

void track_info_impl::meta_insert_value(uint32_t index, uint32_t value_index, const char* value) {
    auto& values = meta_.at(index).values;
    values.insert(values.begin() + std::min<size_t>(value_index, values.size()), value);
}

void track_info_impl::meta_remove(const char* name) {
    uint32_t index = meta_find(name);
    if (index != npos) meta_.erase(meta_.begin() + index);
}

const char* track_info_impl::info_get(const char* name) const {
    for (const auto& field : info_) {
        if (stricmp_utf8(field.name.c_str(), name) == 0) return field.value.c_str();
    }
    return nullptr;
}

void track_info_impl::info_set(const char* name, const char* value) {
    for (auto& field : info_) {
        if (stricmp_utf8(field.name.c_str(), name) == 0) {
            field.value = value;
            return;
        }
    }
    info_.push_back({name, value});
}
