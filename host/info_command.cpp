#include <cstdio>

#include <nlohmann/json.hpp>

#include "host/commands.h"
#include "host/file_commands.h"
#include "host/memory_streams.h"
#include "host/track_info_impl.h"

namespace {

struct file_report {
    std::string path;
    std::string error;  // empty when the file was read
    track_info_impl info;
};

file_report read_info(component_host& host, const std::string& path) {
    file_report report{path, {}, {}};
    service_ptr_t<input_entry> entry = host.find_input(path);
    if (!entry) {
        report.error = "no component claims this file";
        return report;
    }
    try {
        host_abort abort;
        service_ptr_t<input_info_reader> reader;
        entry->open_for_info_read(reader, service_ptr_t<file>(), path.c_str(), abort);
        reader->get_info(reader->get_subsong(0), report.info, abort);
    } catch (const std::exception& e) {
        report.error = e.what();
    }
    return report;
}

nlohmann::ordered_json to_json(const file_report& report) {
    nlohmann::ordered_json object;
    object["path"] = report.path;
    object["error"] = report.error.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(report.error);
    nlohmann::ordered_json meta = nlohmann::ordered_json::object();
    nlohmann::ordered_json info = nlohmann::ordered_json::object();
    const track_info_impl& record = report.info;
    for (uint32_t i = 0; i < record.meta_get_count(); ++i) {
        nlohmann::ordered_json values = nlohmann::ordered_json::array();
        for (uint32_t v = 0; v < record.meta_enum_value_count(i); ++v) values.push_back(record.meta_enum_value(i, v));
        meta[record.meta_enum_name(i)] = values;
    }
    for (uint32_t i = 0; i < record.info_get_count(); ++i) info[record.info_enum_name(i)] = record.info_enum_value(i);
    object["meta"] = meta;
    object["info"] = info;
    object["length"] = record.has_length() ? nlohmann::ordered_json(record.get_length()) : nlohmann::ordered_json();
    return object;
}

}  // namespace

int run_info_command(component_host& host, const std::vector<std::string>& arguments) {
    bool json = false;
    std::vector<std::string> names;
    for (const auto& argument : arguments) {
        if (argument == "--json") {
            json = true;
        } else {
            names.push_back(argument);
        }
    }
    if (names.empty()) {
        std::fprintf(stderr, "info: name at least one file or folder\n");
        return 2;
    }
    bool failed = false;
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (const auto& path : expand_file_arguments(names)) {
        file_report report = read_info(host, path);
        if (!report.error.empty()) {
            failed = true;
            std::fprintf(stderr, "%s: %s\n", path.c_str(), report.error.c_str());
        }
        if (json) {
            all.push_back(to_json(report));
        } else if (report.error.empty()) {
            print_track_info(report.path, report.info);
        }
    }
    if (json) std::printf("%s\n", all.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
    return failed ? 1 : 0;
}
