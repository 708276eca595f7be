#include "host/local_file_system.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>

#include "sdk/exceptions.h"
#include "sdk/service_impl.h"
#include "support/file_access.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

[[noreturn]] void throw_errno(int error) {
    if (error == ENOENT || error == ENOTDIR) throw sonmara_io::exception_io_not_found();
    if (error == EACCES || error == EPERM || error == EROFS) throw sonmara_io::exception_io_denied();
    throw sonmara_io::exception_io(std::strerror(error));
}

#ifdef _WIN32
std::wstring widen(const char* utf8) {
    int units = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring wide(units > 0 ? units : 1, L'\0');
    if (units > 0) MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), units);
    return wide;
}
std::FILE* open_file(const char* path, const char* mode) { return _wfopen(widen(path).c_str(), widen(mode).c_str()); }
int seek64(std::FILE* f, uint64_t position) { return _fseeki64(f, static_cast<int64_t>(position), SEEK_SET); }
int64_t tell64(std::FILE* f) { return _ftelli64(f); }
int truncate64(std::FILE* f, uint64_t length) { return _chsize_s(_fileno(f), static_cast<int64_t>(length)); }
#else
std::FILE* open_file(const char* path, const char* mode) { return std::fopen(path, mode); }
int seek64(std::FILE* f, uint64_t position) { return fseeko(f, static_cast<off_t>(position), SEEK_SET); }
int64_t tell64(std::FILE* f) { return ftello(f); }
int truncate64(std::FILE* f, uint64_t length) { return ftruncate(fileno(f), static_cast<off_t>(length)); }
#endif

class local_file : public file {
public:
    explicit local_file(std::FILE* handle) : handle_(handle) {}
    ~local_file() { std::fclose(handle_); }

    uint32_t read(void* buffer, uint32_t bytes, abort_callback& abort) override {
        check_abort(abort);
        size_t got = std::fread(buffer, 1, bytes, handle_);
        if (got < bytes && std::ferror(handle_)) throw_errno(errno);
        return static_cast<uint32_t>(got);
    }
    void read_object(void* buffer, uint32_t bytes, abort_callback& abort) override {
        if (read(buffer, bytes, abort) != bytes) throw sonmara_io::exception_io_data_truncation();
    }
    uint64_t skip(uint64_t bytes, abort_callback& abort) override {
        uint64_t position = get_position(abort);
        uint64_t size = get_size(abort);
        uint64_t step = position >= size ? 0 : std::min(bytes, size - position);
        seek(position + step, abort);
        return step;
    }
    void skip_object(uint64_t bytes, abort_callback& abort) override {
        if (skip(bytes, abort) != bytes) throw sonmara_io::exception_io_data_truncation();
    }

    void write(const void* buffer, uint32_t bytes, abort_callback& abort) override {
        check_abort(abort);
        if (std::fwrite(buffer, 1, bytes, handle_) != bytes) throw_errno(errno);
    }

    uint64_t get_size(abort_callback&) override {
        std::fflush(handle_);
#ifdef _WIN32
        int64_t size = _filelengthi64(_fileno(handle_));
        if (size < 0) throw_errno(errno);
        return static_cast<uint64_t>(size);
#else
        struct stat info;
        if (fstat(fileno(handle_), &info) != 0) throw_errno(errno);
        return static_cast<uint64_t>(info.st_size);
#endif
    }
    uint64_t get_position(abort_callback&) override {
        int64_t position = tell64(handle_);
        if (position < 0) throw_errno(errno);
        return static_cast<uint64_t>(position);
    }
    void resize(uint64_t length, abort_callback& abort) override {
        uint64_t position = get_position(abort);
        std::fflush(handle_);
        if (truncate64(handle_, length) != 0) throw_errno(errno);
        if (position > length) seek(length, abort);
    }
    void seek(uint64_t position, abort_callback& abort) override {
        check_abort(abort);
        if (seek64(handle_, position) != 0) throw_errno(errno);
    }
    void on_idle(abort_callback&) override {}
    uint64_t get_timestamp(abort_callback&) override {
        struct stat info;
        if (fstat(fileno(handle_), &info) != 0) throw_errno(errno);
        // 100-nanosecond units since 1601, as the platform reports file times.
        return (static_cast<uint64_t>(info.st_mtime) + 11644473600ull) * 10000000ull;
    }
    void rewind(abort_callback& abort) override { seek(0, abort); }

private:
    std::FILE* handle_;
};

}  // namespace

bool local_file_system::is_our_path(const char* path) { return *path != 0 && std::strchr(path, '|') == nullptr; }

void local_file_system::open(service_ptr_t<file>& out, const char* path, int mode, abort_callback& abort) {
    check_abort(abort);
    std::FILE* handle = open_file(path, mode == file_open_write_existing ? "r+b" : "rb");
    if (!handle) throw_errno(errno);
    struct stat info;
    if (fstat(fileno(handle), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(handle);
        throw sonmara_io::exception_io_not_found();
    }
    out.attach(service_new<local_file>(handle).detach());
}

