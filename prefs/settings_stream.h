#pragma once
#include "sdk/file.h"

// The configuration stream: one record per setting, each its 16-byte GUID,
// a little-endian 32-bit length and that many bytes of data.
void settings_write(stream_writer& out, abort_callback& abort);
// Reads records until the stream ends; unknown GUIDs are skipped and a
// setting whose data does not parse keeps its value.
void settings_read(stream_reader& in, abort_callback& abort);
