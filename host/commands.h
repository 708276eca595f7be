#pragma once
#include <string>
#include <vector>

#include "host/component_host.h"

// Each command prints to stdout, reports problems as one line on stderr and
// returns the process exit status.
int run_components_command(component_host& host);
int run_info_command(component_host& host, const std::vector<std::string>& arguments);
