#pragma once
#include "sdk/file.h"

// Members of zip archives, by paths of the form "container|member". The
// container is opened through the host's file systems, so it may itself be a
// member of another archive. Only stored (uncompressed) members can be read;
// members are read-only.
class zip_file_system : public file_system {
public:
    bool is_our_path(const char* path) override;
    void open(service_ptr_t<file>& out, const char* path, int mode, abort_callback& abort) override;

};
