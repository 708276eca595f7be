#pragma once
#include "sdk/track_info.h"
#include "spc/playback_plan.h"
#include "spc/spc_tags.h"

// What the host is told about a file: its meta fields, technical info and,
// when the plan ends the song, its length.
void report_track_info(track_info& info, const spc_tags& tags, const playback_plan& plan);
