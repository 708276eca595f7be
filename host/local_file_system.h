#pragma once
#include "sdk/file.h"

// Files on the local disk, by plain path (no archive separator '|').
class local_file_system : public file_system {
public:
    bool is_our_path(const char* path) override;
    void open(service_ptr_t<file>& out, const char* path, int mode, abort_callback& abort) override;

};
