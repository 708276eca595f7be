// The configuration stream of the sixteen settings, read and written by the
// real component through its client object.
#include "host/config_records.h"
#include "prefs/setting_table.h"
#include "testing/component_fixture.h"

namespace {

using bytes = std::vector<uint8_t>;

const bytes samplerate_guid = {0x9E, 0xC7, 0xE7, 0xDB, 0xAA, 0x25, 0xE8, 0x47, 0x95, 0x61, 0x77, 0x9D, 0x26, 0x29, 0x2F, 0x13};
const bytes channels_guid = {0xD0, 0xB8, 0x5E, 0x6C, 0x7C, 0x27, 0xF5, 0x4C, 0xAC, 0xD1, 0xF1, 0x43, 0xD2, 0x39, 0x53, 0x43};
const bytes write_all_xid6_guid = {0x48, 0xC5, 0x23, 0xFB, 0x10, 0x03, 0xAF, 0x40, 0xAB, 0x4D, 0xFD, 0x68, 0x65, 0x7C, 0x98, 0x05};

bytes record(const bytes& guid, uint32_t length, const bytes& data) {
    bytes out = guid;
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(length >> (8 * i)));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

bytes le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

bytes operator+(bytes a, const bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class settings_stream_test : public component_fixture {
protected:
    // The stored value of a setting, found by its GUID in a fresh write.
    uint32_t stored(const bytes& guid) {
        bytes all = write_config();
        for (size_t at = 0; at + 24 <= all.size(); at += 24) {
            if (std::equal(guid.begin(), guid.end(), all.begin() + at)) {
                return uint32_t(all[at + 20]) | uint32_t(all[at + 21]) << 8 | uint32_t(all[at + 22]) << 16 |
                       uint32_t(all[at + 23]) << 24;
            }
        }
        ADD_FAILURE() << "setting not written";
        return 0;
    }
};

// The sizes of the writes a configuration write makes.
class write_sizes final : public stream_writer {
public:
    void write(const void*, uint32_t bytes, abort_callback&) override { sizes.push_back(bytes); }
    std::vector<uint32_t> sizes;
};

TEST_F(settings_stream_test, defaults_are_sixteen_records_in_reverse_order) {
    // Each record: its GUID, its length and its data, one write each.
    write_sizes writes;
    client().get_config(writes, abort_);
    EXPECT_EQ(writes.sizes.size(), 48u);
    for (size_t i = 0; i < writes.sizes.size(); ++i) EXPECT_EQ(writes.sizes[i], (i % 3 == 0 ? 16u : 4u)) << i;

    bytes all = write_config();
    ASSERT_EQ(all.size(), 384u);
    EXPECT_TRUE(std::equal(write_all_xid6_guid.begin(), write_all_xid6_guid.end(), all.begin()));
    bytes last(all.end() - 24, all.end());
    EXPECT_EQ(last, record(samplerate_guid, 4, le32(32000)));
    EXPECT_EQ(stored(channels_guid), 2u);
}

TEST_F(settings_stream_test, stream_holds_the_table_in_reverse_with_its_defaults) {
    std::vector<config_record> expected;
    for (auto row = std::rbegin(setting_table); row != std::rend(setting_table); ++row) {
        config_record record{row->guid, {}};
        set_record_value(record, row->default_value);
        expected.push_back(record);
    }
    EXPECT_EQ(write_config(), write_config_records(expected));
}

TEST_F(settings_stream_test, empty_stream_keeps_defaults_and_order_of_records_does_not_matter) {
    read_config({});
    EXPECT_EQ(write_config(), defaults_);
    read_config(record(channels_guid, 4, le32(1)) + record(samplerate_guid, 4, le32(48000)));
    EXPECT_EQ(stored(samplerate_guid), 48000u);
    EXPECT_EQ(stored(channels_guid), 1u);
}

TEST_F(settings_stream_test, short_long_and_foreign_records) {
    bytes foreign_guid(16, 0xAB);
    read_config(record(samplerate_guid, 2, {0x11, 0x22}) + record(channels_guid, 4, le32(1)));
    EXPECT_EQ(stored(samplerate_guid), 32000u) << "a record too short leaves the value";
    EXPECT_EQ(stored(channels_guid), 1u) << "and the next record is still read";

    read_config(record(samplerate_guid, 8, le32(44100) + le32(0xDEADBEEF)) + record(channels_guid, 4, le32(2)));
    EXPECT_EQ(stored(samplerate_guid), 44100u);
    EXPECT_EQ(stored(channels_guid), 2u);

    read_config(record(foreign_guid, 100, bytes(100, 7)) + record(samplerate_guid, 4, le32(22050)));
    EXPECT_EQ(stored(samplerate_guid), 22050u);
    EXPECT_EQ(write_config().size(), 384u) << "foreign records are not written again";
}

TEST_F(settings_stream_test, stray_trailing_bytes_and_truncation) {
    read_config(record(samplerate_guid, 4, le32(96000)) + bytes(10, 0x55));
    EXPECT_EQ(stored(samplerate_guid), 96000u);

    bytes cut = record(samplerate_guid, 4, le32(8000)) + channels_guid + bytes{4, 0};
    EXPECT_THROW(read_config(cut), sonmara_io::exception_io_data_truncation);
    EXPECT_EQ(stored(samplerate_guid), 8000u) << "records before the failure count";

    bytes data_cut = record(channels_guid, 4, {1, 0});
    EXPECT_THROW(read_config(data_cut), sonmara_io::exception_io_data_truncation);
}

TEST_F(settings_stream_test, values_are_not_limited) {
    read_config(record(samplerate_guid, 4, le32(0xFFFFFFFF)));
    EXPECT_EQ(stored(samplerate_guid), 0xFFFFFFFFu);
}

TEST_F(settings_stream_test, host_keeps_the_stream_across_runs) {
    read_config(record(samplerate_guid, 4, le32(64000)));
    component_client* loaded = &client();  // the DLL stays loaded after its host ends
    host_.reset();                         // saves
    auto saved = config_store(folder_.path()).file_for("son_velmo.dll");
    ASSERT_TRUE(std::filesystem::exists(saved));
    EXPECT_EQ(std::filesystem::file_size(saved), 384u);

    memory_reader defaults(defaults_);
    loaded->set_config(defaults, abort_);
    host_ = std::make_unique<host_with_component>(folder_.path());
    EXPECT_EQ(stored(samplerate_guid), 64000u);
}

}  // namespace
