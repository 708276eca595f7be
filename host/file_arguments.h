#pragma once
#include <string>
#include <vector>

// The files that command arguments name: a folder stands for every *.spc
// file under it, in name order.
std::vector<std::string> expand_file_arguments(const std::vector<std::string>& arguments);

// m:ss.mmm
std::string format_length(double seconds);
