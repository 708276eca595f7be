#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <type_traits>
#include <vector>

#include "host/memory_streams.h"
#include "sdk/exceptions.h"
#include "testing/files.h"
#include "testing/host_with_component.h"
#include "testing/test_services.h"
#include "tools/example_spc.h"

// The smallest image that passes the signature check: header and snapshot.
inline std::vector<uint8_t> minimal_spc_image() {
    std::vector<uint8_t> image(0x10200, 0);
    const char signature[] = "SNES-SPC700 Sound File Data v0.30";
    std::copy(signature, signature + sizeof signature - 1, image.begin());
    return image;
}

// Loads the real son_velmo.dll through the real host code. The DLL stays
// loaded for the whole test program, so its settings are put back after
// each test.
class component_fixture : public ::testing::Test {
protected:
    void SetUp() override {
        host_ = std::make_unique<host_with_component>(folder_.path(), components_folder() / "son_velmo.dll", &console_);
        defaults_ = write_config();
    }

    static std::filesystem::path components_folder() { return host_with_component::components_folder(); }

    // Loads a copy of the component from a new folder of its own, where it
    // finds a copy of `library` as its SNESAPU.DLL (none when empty). A new
    // folder each time: a module the system keeps loaded is never overwritten.
    std::filesystem::path load_component_beside(const std::filesystem::path& library) {
        host_.reset();
        static int count = 0;
        const auto folder = folder_.path() / ("component-" + std::to_string(count++));
        std::filesystem::create_directories(folder);
        const auto overwrite = std::filesystem::copy_options::overwrite_existing;
        std::filesystem::copy_file(components_folder() / "son_velmo.dll", folder / "son_velmo.dll", overwrite);
        if (!library.empty()) std::filesystem::copy_file(library, folder / "SNESAPU.DLL", overwrite);
        host_ = std::make_unique<host_with_component>(folder_.path(), folder / "son_velmo.dll", &console_);
        return folder;
    }

    void set_setting(const std::string& name, int32_t value) { host_->set_setting(name, value); }

    void TearDown() override {
        read_config(defaults_);
        host_.reset();
    }

    component_client& client() { return host_->client(); }

    std::vector<uint8_t> write_config() {
        memory_writer out;
        host_abort abort;
        client().get_config(out, abort);
        return std::vector<uint8_t>(out.data(), out.data() + out.size());
    }

    void read_config(const std::vector<uint8_t>& bytes) {
        memory_reader in(bytes);
        host_abort abort;
        client().set_config(in, abort);
    }

    service_ptr_t<input_entry> entry() {
        auto entries = host_->registry().all<input_entry>();
        return entries.empty() ? service_ptr_t<input_entry>() : entries.front();
    }

    // The project's example song, as a file in the test's folder.
    std::string write_example() { return folder_.write("example.spc", apu::example::build_example_spc().image); }
    // song.spc of the smallest image, written once: an open input may hold it.
    const std::string& minimal_song() {
        if (minimal_song_.empty()) minimal_song_ = folder_.write("song.spc", minimal_spc_image());
        return minimal_song_;
    }

    // One of the component's roles opened on a path, with an optional hint.
    template <class Role>
    service_ptr_t<Role> opened(const std::string& path, service_ptr_t<file> hint = {}) {
        service_ptr_t<Role> role;
        if constexpr (std::is_same_v<Role, input_decoder>) {
            entry()->open_for_decoding(role, hint, path.c_str(), abort_);
        } else if constexpr (std::is_same_v<Role, input_info_reader>) {
            entry()->open_for_info_read(role, hint, path.c_str(), abort_);
        } else {
            entry()->open_for_info_write(role, hint, path.c_str(), abort_);
        }
        return role;
    }

    // The test's files and the host's settings; removed after the test.
    temp_folder folder_;
    service_impl_single_t<recording_console> console_;
    std::unique_ptr<host_with_component> host_;
    std::vector<uint8_t> defaults_;
    host_abort abort_;
    std::string minimal_song_;
};
