// Writing tags through the component's info writer, as the host asks for it:
// the new header, the rebuilt chunk, the refusals that leave a file
// untouched, and what a failed write leaves.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>

#include "host/track_info_impl.h"
#include "support/little_endian.h"
#include "testing/component_fixture.h"
#include "testing/spc_image_builder.h"
#include "testing/thrown.h"

namespace {

// The host's record with replay gains, which the writer turns into an
// amplification.
class gain_info final : public track_info {
public:
    void set_length(double seconds) override { info.set_length(seconds); }
    double get_length() const override { return info.get_length(); }
    uint32_t meta_get_count() const override { return info.meta_get_count(); }
    const char* meta_enum_name(uint32_t i) const override { return info.meta_enum_name(i); }
    uint32_t meta_find(const char* name) const override { return info.meta_find(name); }
    uint32_t meta_enum_value_count(uint32_t i) const override { return info.meta_enum_value_count(i); }
    const char* meta_enum_value(uint32_t i, uint32_t v) const override { return info.meta_enum_value(i, v); }
    void meta_set(const char* name, const char* value) override { info.meta_set(name, value); }
    void meta_insert_value(uint32_t i, uint32_t v, const char* value) override { info.meta_insert_value(i, v, value); }
    void meta_remove(const char* name) override { info.meta_remove(name); }
    uint32_t info_get_count() const override { return info.info_get_count(); }
    const char* info_enum_name(uint32_t i) const override { return info.info_enum_name(i); }
    const char* info_enum_value(uint32_t i) const override { return info.info_enum_value(i); }
    const char* info_get(const char* name) const override { return info.info_get(name); }
    void info_set(const char* name, const char* value) override { info.info_set(name, value); }
    double get_album_gain() const override { return album_gain; }
    double get_track_gain() const override { return track_gain; }

    track_info_impl info;
    double album_gain = no_gain;
    double track_gain = no_gain;
};

// A file whose writes, or its change of length, can be made to fail.
class failing_file final : public counted_memory_file {
public:
    using counted_memory_file::counted_memory_file;
    void write(const void* buffer, uint32_t bytes, abort_callback& abort) override {
        if (operations++ == fail_at) throw sonmara_io::exception_io("write failed");
        test_memory_file::write(buffer, bytes, abort);
    }
    void resize(uint64_t length, abort_callback& abort) override {
        if (operations++ == fail_at) throw sonmara_io::exception_io("resize failed");
        test_memory_file::resize(length, abort);
    }
    int operations = 0;
    int fail_at = -1;
};

struct item {
    uint8_t id, type;
    uint16_t value;
    std::vector<uint8_t> data;
};

std::vector<item> items_of(const std::vector<uint8_t>& file) {
    std::vector<item> items;
    if (file.size() < 0x10208) return items;
    const uint32_t end = 0x10208 + (file[0x10204] | file[0x10205] << 8 | file[0x10206] << 16);
    for (uint32_t at = 0x10208; at + 4 <= end && at + 4 <= file.size();) {
        item it{file[at], file[at + 1], uint16_t(file[at + 2] | file[at + 3] << 8), {}};
        at += 4;
        if (it.type != 0) {
            const uint32_t size = (it.value + 3u) & ~3u;
            it.data.assign(file.begin() + at, file.begin() + std::min<size_t>(at + size, file.size()));
            at += size;
        }
        items.push_back(it);
    }
    return items;
}

std::optional<item> find(const std::vector<item>& items, uint8_t id) {
    for (const auto& it : items) {
        if (it.id == id) return it;
    }
    return std::nullopt;
}

uint32_t word(const item& it) { return get32(it.data.data()); }

class tag_writer_test : public component_fixture {
protected:
    // Items are written only where the header cannot hold them, unless a
    // test asks for all of them.
    void SetUp() override {
        component_fixture::SetUp();
        set_setting("cfg_write_all_xid6", 0);
    }

    // Writes the info into a file holding `image` and reads it back; the
    // file afterwards. `fail_at` makes that write or change of length fail.
    std::vector<uint8_t> write(const std::vector<uint8_t>& image, const track_info& info, int fail_at = -1) {
        failing_file target(image);
        target.fail_at = fail_at;
        auto writer = opened<input_info_writer>("song.spc", service_ptr_t<file>(&target));
        back_ = track_info_impl();
        writer->update_info(0, info, abort_);
        writer->commit(abort_);
        writer->get_info(0, back_, abort_);
        return target.bytes();
    }
    std::vector<uint8_t> write(const std::vector<uint8_t>& image) { return write(image, info_); }

    // What a fresh reader makes of a file.
    track_info_impl read(const std::vector<uint8_t>& bytes) {
        counted_memory_file hint(bytes);
        track_info_impl info;
        opened<input_info_reader>("song.spc", service_ptr_t<file>(&hint))->get_info(0, info, abort_);
        return info;
    }

    std::string meta(const char* name, uint32_t value = 0) const {
        const uint32_t field = back_.meta_find(name);
        return field == track_info::npos || value >= back_.meta_enum_value_count(field)
                   ? std::string()
                   : back_.meta_enum_value(field, value);
    }

    static std::string text_at(const std::vector<uint8_t>& file, uint32_t offset, uint32_t width) {
        return std::string(reinterpret_cast<const char*>(&file[offset]), width);
    }

    gain_info info_;
    track_info_impl back_;
};

TEST_F(tag_writer_test, a_long_title_fills_its_field_and_goes_whole_into_the_chunk) {
    const std::string title(40, 'T');
    info_.meta_set("title", title.c_str());
    const auto file = write(spc_image_builder().build());
    EXPECT_EQ(text_at(file, 0x2E, 32), std::string(32, 'T'));
    EXPECT_EQ(file[0x4E], 0);  // no NUL inside the field, the next one starts at once
    const auto items = items_of(file);
    const auto t = find(items, 0x01);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->value, 41);
    EXPECT_EQ(t->data.size(), 44u);
    EXPECT_EQ(std::string(t->data.begin(), t->data.begin() + 40), title);
    EXPECT_EQ(meta("title"), title);  // read again
}

TEST_F(tag_writer_test, short_texts_go_into_the_chunk_only_when_all_items_are_asked_for) {
    info_.meta_set("title", std::string(20, 'a').c_str());
    auto file = write(spc_image_builder().build());
    EXPECT_EQ(file.size(), 0x10200u);
    EXPECT_FALSE(find(items_of(file), 0x01));

    info_.meta_set("title", std::string(32, 'b').c_str());
    file = write(spc_image_builder().build());
    EXPECT_EQ(file.size(), 0x10200u);
    EXPECT_EQ(text_at(file, 0x2E, 32), std::string(32, 'b'));

    set_setting("cfg_write_all_xid6", 1);
    info_.meta_set("title", std::string(20, 'a').c_str());
    file = write(spc_image_builder().build());
    const auto t = find(items_of(file), 0x01);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->value, 21);
    EXPECT_EQ(t->data.size(), 24u);
}

TEST_F(tag_writer_test, removing_every_field_leaves_the_snapshot_and_the_old_artist) {
    const auto image = spc_image_builder()
                           .common("Title", "Game", "Dumper", "Comment")
                           .binary_form(1, 2, 1999, 120, 5000, "Old Artist", 1)
                           .xid6_text(0x20, "unknown item")
                           .build();
    const auto file = write(image);
    ASSERT_EQ(file.size(), 0x10200u);
    for (uint32_t i = 0x2C; i < 0x9E; ++i) ASSERT_EQ(file[i], 0) << i;
    EXPECT_EQ(text_at(file, 0xB0, 10), "Old Artist");
    EXPECT_TRUE(std::equal(image.begin() + 0x9E, image.begin() + 0x10200, file.begin() + 0x9E));
}

TEST_F(tag_writer_test, files_it_would_damage_are_refused_and_left_as_they_were) {
    auto short_file = spc_image_builder().build();
    short_file.resize(0x300);
    for (const auto& image :
         {spc_image_builder().xid6_value(0x11, 2).trailing({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}).build(), short_file}) {
        info_.meta_set("title", "New");
        failing_file target(image);
        auto writer = opened<input_info_writer>("song.spc", service_ptr_t<file>(&target));
        EXPECT_EQ(thrown_message<sonmara_io::exception_io_unsupported_format>([&] { writer->update_info(0, info_, abort_); }),
                  "Unsupported file format") << "written";
        EXPECT_EQ(target.bytes(), image);
        EXPECT_EQ(target.operations, 0);
    }
}

TEST_F(tag_writer_test, disc_date_and_track_texts) {
    auto item_for = [&](const char* field, const char* text, uint8_t id) -> int {
        info_ = gain_info();
        info_.meta_set(field, text);
        const auto it = find(items_of(write(spc_image_builder().build())), id);
        return it ? it->value : -1;
    };
    EXPECT_EQ(item_for("discnumber", "3", 0x11), 3);
    for (const char* bad : {"10", "0", "3a", "1/2"}) EXPECT_EQ(item_for("discnumber", bad, 0x11), -1) << bad;
    EXPECT_EQ(item_for("date", "1995", 0x14), 1995);
    EXPECT_EQ(item_for("date", "1995-03-15", 0x14), -1);
    const std::pair<const char*, int> tracks[] = {{"12", 0x0C00}, {"5b", 0x0562}, {"5/12", 0x052F}, {"0", 0},
                                                  {"x", -1},      {"100", -1},    {"-3", -1}};
    for (const auto& [text, item] : tracks) EXPECT_EQ(item_for("tracknumber", text, 0x12), item) << text;
}

TEST_F(tag_writer_test, amplification_from_amp_and_replay_gain) {
    auto amplifications = [&](const std::vector<uint8_t>& image) {
        std::vector<uint32_t> values;
        for (const auto& it : items_of(write(image))) {
            if (it.id == 0x36) values.push_back(word(it));
        }
        return values;
    };
    const auto plain = spc_image_builder().build();
    info_.meta_set("amp", "65536");
    EXPECT_EQ(amplifications(plain), std::vector<uint32_t>{0x10000});
    info_.meta_set("amp", "9999999");
    EXPECT_EQ(amplifications(plain), std::vector<uint32_t>{0x80000});

    info_ = gain_info();
    info_.track_gain = -6;
    EXPECT_EQ(amplifications(plain), std::vector<uint32_t>{32845});
    info_.album_gain = 0;  // the album's gain comes first
    EXPECT_EQ(amplifications(plain), std::vector<uint32_t>{0x10000});
    info_.meta_set("amp", "0");  // both: two items, "amp" last
    EXPECT_EQ(amplifications(plain), std::vector<uint32_t>{0x10000});

    // The old amplification stays unless something else is written, and an
    // "amp" of 0 removes it.
    info_ = gain_info();
    const auto amplified = spc_image_builder().xid6_word(0x36, 0x20000).build();
    EXPECT_EQ(amplifications(amplified), std::vector<uint32_t>{0x20000});
    info_.meta_set("amp", "0");
    EXPECT_TRUE(amplifications(amplified).empty());
}

TEST_F(tag_writer_test, a_text_form_header_keeps_its_form_date_and_lengths) {
    const auto image = spc_image_builder().text_form("03/15/1995", "120", "5000", "Old").build();
    info_.meta_set("artist", "One");
    info_.meta_insert_value(info_.meta_find("artist"), 1, "Two");
    const auto file = write(image);
    EXPECT_EQ(text_at(file, 0xB1, 9), std::string("One, Two") + '\0');
    EXPECT_TRUE(std::equal(image.begin() + 0x9E, image.begin() + 0xB1, file.begin() + 0x9E));
    EXPECT_EQ(file[0xD2], image[0xD2]);
    EXPECT_STREQ(back_.info_get("spc_songlength"), "120000");
}

TEST_F(tag_writer_test, every_field_survives_a_write_and_a_read) {
    const auto image = spc_image_builder()
                           .binary_form(1, 2, 1999, 120, 5000, "", 1)
                           .xid6_word(0x05, 0x07CF0203)
                           .xid6_value(0x06, 2)
                           .xid6_word(0x30, 64000 * 5)
                           .xid6_word(0x31, 64000 * 10)
                           .xid6_word(0x33, 64000)
                           .xid6_value(0x34, 0x81)
                           .xid6_value(0x35, 2)
                           .build();
    const std::pair<const char*, const char*> fields[] = {
        {"title", "A title longer than thirty-two bytes"}, {"album", "Album"},     {"dumper", "Dumper"},
        {"comment", "Comment"}, {"copyright", "Publisher"}, {"date", "1995"},   {"ost", "Soundtrack"},
        {"discnumber", "2"},    {"tracknumber", "7a"}};
    for (const auto& [name, value] : fields) info_.meta_set(name, value);
    info_.meta_set("artist", "First");
    info_.meta_insert_value(info_.meta_find("artist"), 1, "Second, Jr");
    write(image);

    for (const auto& [name, value] : fields) EXPECT_EQ(meta(name), value) << name;
    EXPECT_EQ(meta("artist", 0), "First");
    EXPECT_EQ(meta("artist", 1), "Second");  // "Second, Jr" splits: the list form's known limit
    EXPECT_EQ(meta("artist", 2), "Jr");
    // The raw items come back as they were read.
    const auto file = write(image);
    for (const auto& [id, value] : std::vector<std::pair<uint8_t, uint32_t>>{
             {0x05, 0x07CF0203}, {0x30, 64000 * 5}, {0x31, 64000 * 10}, {0x33, 64000}}) {
        const auto it = find(items_of(file), id);
        ASSERT_TRUE(it) << int(id);
        EXPECT_EQ(word(*it), value) << int(id);
    }
    for (const auto& [id, value] : std::vector<std::pair<uint8_t, uint16_t>>{{0x06, 2}, {0x34, 0x81}, {0x35, 2}}) {
        const auto it = find(items_of(file), id);
        ASSERT_TRUE(it) << int(id);
        EXPECT_EQ(it->value, value) << int(id);
    }
}

// What a failure at each step leaves: before the header, the file as it
// was; after the header, the new header with the old chunk; during the
// chunk, the new header with the chunk up to the failure, still readable.
TEST_F(tag_writer_test, a_failure_at_any_write_leaves_a_readable_file) {
    const auto image = spc_image_builder().common("Old", "", "", "").xid6_text(0x13, "Old publisher").build();
    info_.meta_set("title", std::string(40, 'N').c_str());
    info_.meta_set("copyright", "New");
    const auto written = write(image);
    for (int fail_at = 0; fail_at < 3; ++fail_at) {
        failing_file target(image);
        target.fail_at = fail_at;
        auto writer = opened<input_info_writer>("song.spc", service_ptr_t<file>(&target));
        EXPECT_THROW(writer->update_info(0, info_, abort_), sonmara_io::exception_io) << fail_at;
        writer.release();
        const auto after = target.bytes();
        if (fail_at == 0) {
            EXPECT_EQ(after, image);
        } else {
            EXPECT_TRUE(std::equal(written.begin(), written.begin() + 0x100, after.begin())) << fail_at;
            EXPECT_TRUE(std::equal(image.begin() + 0x100, image.begin() + 0x10200, after.begin() + 0x100));
        }
        // Whatever is left opens and reads.
        EXPECT_NO_THROW(read(after)) << fail_at;
    }
}

}  // namespace
