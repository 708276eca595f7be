#include "script700/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <string>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace apu::script700 {

namespace {

// Opening never waits on a FIFO or a device and follows no link at the
// end of the path; the type is checked again on what was opened, so a
// swap after the caller's check is caught.
int open_without_blocking(const std::filesystem::path& path) {
#if defined(_WIN32)
    return _wopen(path.c_str(), _O_RDONLY | _O_BINARY);
#else
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
#endif
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

bool read_regular_file(const std::filesystem::path& path, size_t limit, std::string& contents, std::string& error) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    if (ec || status.type() == std::filesystem::file_type::not_found) {
        error = "no such file";
        return false;
    }
    if (status.type() == std::filesystem::file_type::directory) {
        error = "it is a folder";
        return false;
    }
    if (status.type() != std::filesystem::file_type::regular) {
        error = "it is not a regular file";
        return false;
    }
    const Descriptor file(open_without_blocking(path));
    struct stat opened {};
    if (file.get() < 0 || fstat(file.get(), &opened) != 0) {
        error = "it could not be opened";
        return false;
    }
    if (!S_ISREG(opened.st_mode)) {
        error = "it is not a regular file";
        return false;
    }
    contents.clear();
    char chunk[16384];
    while (contents.size() <= limit) {
        const size_t want = std::min(sizeof chunk, limit + 1 - contents.size());
        const auto got = ::read(file.get(), chunk, static_cast<unsigned>(want));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = "it could not be read";
            return false;
        }
        if (got == 0) break;
        contents.append(chunk, static_cast<size_t>(got));
    }
    if (contents.size() > limit) {
        error = "it is longer than " + std::to_string(limit) + " bytes";
        return false;
    }
    return true;
}

}  // namespace apu::script700
