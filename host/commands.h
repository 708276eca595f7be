#pragma once
#include <string>
#include <vector>

#include "host/component_host.h"
#include "host/config_records.h"

// Each command prints to stdout, reports problems as one line on stderr and
// returns the process exit status.
int run_components_command(component_host& host);
int run_info_command(component_host& host, const std::vector<std::string>& arguments);
// Edits the tags of each file and prints what was written.
int run_tag_command(component_host& host, const std::vector<std::string>& arguments);
// Decodes each file as a player does and writes it as a WAV file.
int run_decode_command(component_host& host, const std::vector<std::string>& arguments);
// Lists every setting of the loaded components; "set NAME VALUE" changes one,
// kept when the host saves at exit.
int run_config_command(component_host& host, const std::vector<std::string>& arguments);
// Opens the preferences window with the components' pages; "--screenshot
// FILE.png" draws it into a file and returns.
int run_prefs_command(component_host& host, const std::vector<std::string>& arguments);

// One "  name: value" line per record, known settings first in their order.
std::string config_listing(std::vector<config_record> records);
