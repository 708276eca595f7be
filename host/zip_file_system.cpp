#include "host/zip_file_system.h"

#include <cstring>
#include <string>

#include "host/memory_file.h"
#include "host/zip_archive.h"
#include "sdk/exceptions.h"
#include "sdk/service_impl.h"
#include "support/file_access.h"

bool zip_file_system::is_our_path(const char* path) { return std::strchr(path, '|') != nullptr; }

void zip_file_system::open(service_ptr_t<file>& out, const char* path, int mode, abort_callback& abort) {
    if (mode != file_open_read) throw sonmara_io::exception_io_denied();
    check_abort(abort);
    // The last separator splits, so "a.zip|b.zip|c" opens c inside a.zip|b.zip.
    const std::string whole(path);
    const size_t separator = whole.rfind('|');
    const std::string container = whole.substr(0, separator);
    const std::string inner = whole.substr(separator + 1);

    service_ptr_t<file> archive;
    g_open(archive, container.c_str(), file_open_read, abort);
    const std::vector<zip_entry> entries = zip_read_directory(*archive, abort);
    const zip_entry* entry = zip_find(entries, inner);
    if (!entry) throw sonmara_io::exception_io_not_found();
    std::vector<uint8_t> bytes = zip_read_member(*archive, *entry, abort);
    out.attach(service_new<memory_file>(std::move(bytes), archive->get_timestamp(abort)).detach());
}

