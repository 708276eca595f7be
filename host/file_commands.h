#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/component_host.h"

// What the file commands share: the files that arguments name, and how a
// file's info is shown.

struct named_file {
    std::string path;      // as the component gets it
    std::string relative;  // below the folder argument that named it, or the file's own name
};

// The files that command arguments name: a folder stands for every *.spc
// file under it, in name order. Nothing, after telling the user to name one,
// when there are none.
std::optional<std::vector<named_file>> expand_named_files(const char* command, const std::vector<std::string>& arguments);

// Why the file (or the archive holding a member) cannot be read, in the
// system's words ("no such file", "is a folder"); nothing when it can.
std::optional<std::string> file_problem(const std::string& path);

// m:ss.mmm
std::string format_length(double seconds);

// Runs one file's work for each file with the input that claims it; a file
// that cannot be read or that no component claims is reported. The exit
// status: 0 when every file succeeded, 1 when one failed (the work reports
// its own failures).
int for_each_file(component_host& host, const std::vector<named_file>& files,
                  const std::function<bool(input_entry&, const named_file&)>& work);

class track_info_impl;
// The file's name, then "  name: value" for every meta value and info
// field, then its length.
void print_track_info(const std::string& path, const track_info_impl& info);
