#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "host/track_info_impl.h"
#include "prefs/setting_table.h"
#include "prefs/settings.h"
#include "spc/input_velmo.h"
#include "testing/spc_image_builder.h"
#include "testing/test_services.h"

// Opens images with the component's own input object, the settings put back
// after each test.
class input_fixture : public ::testing::Test {
protected:
    void TearDown() override {
        for (const setting_row& row : setting_table) setting_variable(row) = row.default_value;
    }

    std::unique_ptr<input_velmo> open(const std::vector<uint8_t>& image) {
        // The input keeps its file, so the file outlives it.
        hints_.push_back(std::make_unique<counted_memory_file>(image));
        auto input = std::make_unique<input_velmo>();
        never_aborting abort;
        input->open(service_ptr_t<file>(hints_.back().get()), "test.spc", input_open_info_read, abort);
        return input;
    }

    const spc_tags& tags_of(const std::vector<uint8_t>& image) {
        last_ = open(image);
        return last_->tags();
    }

    const playback_plan& plan_of(const std::vector<uint8_t>& image) {
        last_ = open(image);
        return last_->plan();
    }

    track_info_impl info_of(const std::vector<uint8_t>& image) {
        track_info_impl info;
        open(image)->report_info(info);
        return info;
    }

    static std::vector<std::string> meta(const track_info_impl& info, const char* name) {
        std::vector<std::string> values;
        uint32_t field = info.meta_find(name);
        if (field == track_info::npos) return values;
        for (uint32_t v = 0; v < info.meta_enum_value_count(field); ++v) values.push_back(info.meta_enum_value(field, v));
        return values;
    }

    std::vector<std::unique_ptr<counted_memory_file>> hints_;
    std::unique_ptr<input_velmo> last_;
};
