#pragma once
#include <string>
#include <vector>

// What the file commands share: the files that arguments name, and how a
// file's info is shown.

// The files that command arguments name: a folder stands for every *.spc
// file under it, in name order.
std::vector<std::string> expand_file_arguments(const std::vector<std::string>& arguments);
// The same, or false after telling the user to name one when there are none.
bool expand_named_files(const char* command, std::vector<std::string>& files);

// m:ss.mmm
std::string format_length(double seconds);

#include <functional>

#include "host/component_host.h"

// Runs one file's work for each file with the input that claims it; a file
// that no component claims is reported. The exit status: 0 when every file
// succeeded, 1 when one failed (the work reports its own failures).
int for_each_file(component_host& host, const std::vector<std::string>& files,
                  const std::function<bool(input_entry&, const std::string&)>& work);

class track_info_impl;
// The file's name, then "  name: value" for every meta value and info
// field, then its length.
void print_track_info(const std::string& path, const track_info_impl& info);
