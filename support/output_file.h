#pragma once
#include <cstdio>
#include <filesystem>

// Where a tool's output goes: a new temporary file beside the target that
// is renamed into place only when complete, so a failure leaves the target as
// it was; or standard output, for the target "-". Failures throw
// std::runtime_error with the system's reason.
class output_file {
public:
    // An existing target is refused unless `overwrite`, and never replaced
    // when it is not a regular file (a folder, a device, a pipe).
    output_file(const std::filesystem::path& target, bool overwrite);
    ~output_file();
    output_file(const output_file&) = delete;
    output_file& operator=(const output_file&) = delete;

    static bool is_standard_output(const std::filesystem::path& target) { return target == "-"; }

    std::FILE* handle() const { return handle_; }
    bool seekable() const { return !temporary_.empty(); }
    // The file being written, for a writer that opens it by name after close().
    const std::filesystem::path& temporary() const { return temporary_; }
    // Ends writing through handle().
    void close();
    // Puts the finished file in the target's place.
    void commit();

private:
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::FILE* handle_ = nullptr;
    bool overwrite_;
    bool committed_ = false;
};

// The system's reason for the last failed call ("No such file or directory").
std::string last_system_error();
