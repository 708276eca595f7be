#include "sdk/cfg_var.h"

namespace {
// Constant-initialised, so they are empty before any setting is constructed.
cfg_var_reader* g_reader_head = nullptr;
cfg_var_writer* g_writer_head = nullptr;
}  // namespace

cfg_var_reader::cfg_var_reader(const guid_t& guid) : guid_(guid), next_(g_reader_head) { g_reader_head = this; }
cfg_var_reader* cfg_var_reader::list_head() { return g_reader_head; }

cfg_var_writer::cfg_var_writer(const guid_t& guid) : guid_(guid), next_(g_writer_head) { g_writer_head = this; }
cfg_var_writer* cfg_var_writer::list_head() { return g_writer_head; }
