#pragma once

// One line to every console receiver of the host, in the host's order.
// Lines written before the host declared its services ready are dropped.
void console_print(const char* line);

void set_services_ready(bool ready);
