#pragma once
// Files for tests and benchmarks: whole files as bytes, and a fresh folder.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

// Empty when the file cannot be read.
inline std::vector<uint8_t> read_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void write_bytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// A fresh folder under the system's temporary folder, removed with its files.
class temp_folder {
public:
    temp_folder() {
        // Random, so that test programs running side by side never share one.
        static const unsigned run = std::random_device{}();
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("velmo-host-test-" + std::to_string(run) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~temp_folder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    temp_folder(const temp_folder&) = delete;
    temp_folder& operator=(const temp_folder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        write_bytes(path_ / name, bytes);
        return (path_ / name).u8string();
    }
    std::vector<uint8_t> read(const std::string& name) const { return read_bytes(path_ / name); }

private:
    std::filesystem::path path_;
};
