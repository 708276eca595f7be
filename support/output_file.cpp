#include "support/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// A file of that name that did not exist before, opened for writing.
std::FILE* create_new(const fs::path& path) {
#ifdef _WIN32
    const int fd = _wopen(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    return fd < 0 ? nullptr : _fdopen(fd, "wb");
#else
    const int fd = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    return fd < 0 ? nullptr : fdopen(fd, "wb");
#endif
}

// Refuses a target that must not be replaced.
void check_target(const fs::path& target, bool overwrite) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(target, error);
    if (!fs::exists(status)) return;
    const std::string name = target.u8string();
    if (fs::is_symlink(status) || !fs::is_regular_file(status)) {
        throw std::runtime_error(name + " is not a regular file; it is left as it is");
    }
    if (!overwrite) throw std::runtime_error(name + " exists; give --overwrite to replace it");
}

}  // namespace

std::string last_system_error() { return std::strerror(errno); }

output_file::output_file(const fs::path& target, bool overwrite) : target_(target), overwrite_(overwrite) {
    if (is_standard_output(target)) {
#ifdef _WIN32
        _setmode(_fileno(stdout), _O_BINARY);
#endif
        handle_ = stdout;
        return;
    }
    check_target(target, overwrite);
    static std::mt19937 random{std::random_device{}()};
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    for (int attempt = 0; !handle_; ++attempt) {
        temporary_ = folder / (std::string(".").append(target.filename().u8string()) + "." +
                                 std::to_string(random() % 1000000) + ".part");
        handle_ = create_new(temporary_);
        if (!handle_ && (errno != EEXIST || attempt == 100)) {
            const std::string reason = last_system_error();
            temporary_.clear();
            throw std::runtime_error("cannot write " + target.u8string() + ": " + reason);
        }
    }
}

output_file::~output_file() {
    if (!seekable() || committed_) return;
    if (handle_) std::fclose(handle_);
    std::error_code ignored;
    fs::remove(temporary_, ignored);
}

void output_file::close() {
    if (!seekable()) {
        if (std::fflush(handle_) != 0) throw std::runtime_error("cannot write to standard output: " + last_system_error());
        return;
    }
    if (!handle_) return;
    const bool written = std::fflush(handle_) == 0 && !std::ferror(handle_);
    const std::string reason = last_system_error();
    const bool closed = std::fclose(handle_) == 0;
    handle_ = nullptr;
    if (!written || !closed) throw std::runtime_error("cannot write " + target_.u8string() + ": " + reason);
}

void output_file::commit() {
    close();
    if (!seekable()) return;
    check_target(target_, overwrite_);  // it may have appeared meanwhile
    std::error_code error;
    fs::rename(temporary_, target_, error);
    if (error) throw std::runtime_error("cannot write " + target_.u8string() + ": " + error.message());
    committed_ = true;
}
