#pragma once
#include <optional>
#include <string>

#include "sdk/guid.h"

// GUIDs in their usual text form, upper case, no braces:
// DBE7C79E-25AA-47E8-9561-779D26292F13.
std::string guid_text(const guid_t& guid);
// Reads that form in either case; nothing when the text is not a GUID.
std::optional<guid_t> parse_guid_text(const std::string& text);
