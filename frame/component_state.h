#pragma once
#include "support/string8.h"

// Where the host loaded the component from and what it calls it; empty until
// the host tells.
const string8_t& component_path();
const string8_t& component_name();
