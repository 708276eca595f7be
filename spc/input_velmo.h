#pragma once
#include <cstdint>

#include "prefs/settings_snapshot.h"
#include "sdk/input.h"
#include "sdk/input_impl.h"
#include "spc/playback_plan.h"
#include "spc/spc_tags.h"
#include "support/byte_buffer.h"
#include "support/string8.h"

// One opened SPC file: its image, what its tags say, the settings it was
// opened with and the plan it plays by. Serves the info reader and the tag
// writer; the decoding role is added by the input entry's class.
class input_velmo {
public:
    input_velmo() = default;
    input_velmo(const input_velmo&) = delete;
    input_velmo& operator=(const input_velmo&) = delete;

    void open(const service_ptr_t<file>& hint, const char* path, input_open_reason reason, abort_callback& abort);

    void get_info(track_info& info, abort_callback&) { report_info(info); }
    file_stats get_file_stats(abort_callback& abort);

    void retag_set_info(const track_info& info, abort_callback& abort);

    static bool g_is_our_content_type(const char*) { return false; }
    static bool g_is_our_path(const char* path, const char* extension);
    static guid_t g_get_guid();
    static const char* g_get_name();
    static guid_t g_get_preferences_guid();
    static bool g_is_low_merit() { return false; }

    // Reads the tags from the image and plans the playback from them.
    void parse_tags();
    void report_info(track_info& info) const;

    const settings_snapshot& settings() const { return settings_; }
    const spc_tags& tags() const { return tags_; }
    const playback_plan& plan() const { return plan_; }

protected:
    // The whole file from its current position, as the image.
    void read_image(abort_callback& abort);

    service_ptr_t<file> file_;
    string8_t path_;
    uint32_t file_size_ = 0;
    byte_buffer image_;
    settings_snapshot settings_{};
    spc_tags tags_;
    playback_plan plan_{};
};
