#pragma once
#include <string>
#include <vector>

// What the file commands share: the files that arguments name, and how a
// file's info is shown.

// The files that command arguments name: a folder stands for every *.spc
// file under it, in name order.
std::vector<std::string> expand_file_arguments(const std::vector<std::string>& arguments);

// m:ss.mmm
std::string format_length(double seconds);

class track_info_impl;
// The file's name, then "  name: value" for every meta value and info
// field, then its length.
void print_track_info(const std::string& path, const track_info_impl& info);
