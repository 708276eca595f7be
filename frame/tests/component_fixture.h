#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/component_host.h"
#include "host/memory_streams.h"
#include "support/exceptions.h"

// Loads the real son_velmo.dll through the real host code. The DLL stays
// loaded for the whole test program, so its settings are put back after
// each test.
class component_fixture : public ::testing::Test {
protected:
    void SetUp() override {
        config_folder_ = std::filesystem::temp_directory_path() / ("velmo-test-config-" + std::to_string(counter()++));
        host_ = std::make_unique<component_host>(config_store(config_folder_));
        host_->load(component_host::executable_folder() / "components" / "son_velmo.dll");
        host_->start();
        defaults_ = write_config();
    }

    void TearDown() override {
        read_config(defaults_);
        host_.reset();
        std::error_code error;
        std::filesystem::remove_all(config_folder_, error);
    }

    component_client& client() { return *host_->components().front().client; }

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

    // A file in the test's temporary folder; removed with it.
    std::string write_file(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::filesystem::create_directories(config_folder_);
        auto path = config_folder_ / name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path.u8string();
    }

    std::unique_ptr<component_host> host_;
    std::filesystem::path config_folder_;
    std::vector<uint8_t> defaults_;
    host_abort abort_;

private:
    static int& counter() {
        static int value = 0;
        return value;
    }
};

// The smallest image that passes the signature check: header and snapshot.
inline std::vector<uint8_t> minimal_spc_image() {
    std::vector<uint8_t> image(0x10200, 0);
    const char signature[] = "SNES-SPC700 Sound File Data v0.30";
    std::copy(signature, signature + sizeof signature - 1, image.begin());
    return image;
}
