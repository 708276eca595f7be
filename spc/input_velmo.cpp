#include "spc/input_velmo.h"

#include <algorithm>
#include <cstring>

#include "prefs/page_service.h"
#include "prefs/settings.h"
#include "sdk/exceptions.h"
#include "sdk/shared.h"
#include "spc/spc_layout.h"
#include "spc/tag_length.h"
#include "spc/tag_writer.h"
#include "spc/track_info_report.h"
#include "support/file_access.h"

namespace {
constexpr guid_t input_guid = {0xFFEE4F1E, 0x598A, 0x4429, {0x98, 0xE3, 0xF6, 0xFE, 0x27, 0x02, 0xCB, 0xE3}};
}  // namespace

bool input_velmo::g_is_our_path(const char*, const char* extension) {
    return cfg_spc_extension != 0 && stricmp_utf8(extension, "spc") == 0;
}

guid_t input_velmo::g_get_guid() { return input_guid; }
const char* input_velmo::g_get_name() { return preferences_page_velmo::name; }
guid_t input_velmo::g_get_preferences_guid() { return preferences_page_velmo::page_guid; }

void input_velmo::open(const service_ptr_t<file>& hint, const char* path, input_open_reason reason,
                       abort_callback& abort) {
    if (hint) file_ = hint;
    path_ = path;
    if (!hint) {
        if (reason != input_open_info_read && reason != input_open_decode && reason != input_open_info_write) uBugCheck();
        g_open(file_, path, reason == input_open_info_write ? file_open_write_existing : file_open_read, abort);
    } else {
        file_->rewind(abort);
    }

    read_image(abort);

    if (file_size_ < spc_layout::signature_size ||
        std::memcmp(image_.data(), spc_layout::signature, spc_layout::signature_size) != 0) {
        throw sonmara_io::exception_io_unsupported_format();
    }
    settings_ = settings_snapshot::take();
    parse_tags();
}

void input_velmo::parse_tags() {
    tags_ = spc_tags();
    read_id666(image_.data(), file_size_, tags_);
    read_xid6(image_.data(), file_size_, tags_);
    limit_tag_lengths(tags_);
    plan_ = plan_playback(tags_, settings_);
}

void input_velmo::report_info(track_info& info) const { report_track_info(info, tags_, plan_); }

file_stats input_velmo::get_file_stats(abort_callback& abort) {
    return file_stats{file_->get_size(abort), file_->get_timestamp(abort)};
}

void input_velmo::retag_set_info(const track_info& info, abort_callback& abort) {
    write_tags(*file_, image_, file_size_, tags_, plan_.dsp_amplification, settings_.write_all_xid6, info, abort);
    file_->seek(0, abort);
    read_image(abort);
    parse_tags();
}

void input_velmo::read_image(abort_callback& abort) {
    file_size_ = static_cast<uint32_t>(file_->get_size(abort));
    // At least a whole snapshot: a short file reads as zeros past its end,
    // as the emulation library reads it, and a short read leaves zeros too.
    image_.set_size(std::max(file_size_, spc_layout::snapshot_size));
    image_.fill(0);
    file_->read(image_.data(), file_size_, abort);
}
