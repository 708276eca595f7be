#pragma once
// Reads a file that must be a plain regular file, and no more of it than
// a limit allows: a device, FIFO or folder is refused without blocking.
#include <cstddef>
#include <filesystem>
#include <string>

namespace apu::script700 {

// Fills `contents` with the whole file, or returns false with why in
// `error`; reads at most `limit` + 1 bytes, so a longer file is refused
// without being read whole. A link as the last part of `path` is refused.
bool read_regular_file(const std::filesystem::path& path, size_t limit, std::string& contents, std::string& error);

}  // namespace apu::script700
