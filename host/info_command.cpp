#include <cmath>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "host/commands.h"
#include "host/file_commands.h"
#include "host/memory_streams.h"
#include "host/run_settings.h"
#include "host/track_info_impl.h"

namespace {

struct file_report {
    std::string path;
    std::string error;  // empty when the file was read
    track_info_impl info;
};

file_report read_info(component_host& host, const std::string& path) {
    file_report report{path, {}, {}};
    if (const auto problem = file_problem(path)) {
        report.error = *problem;
        return report;
    }
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
    // Whole milliseconds, as the tags count them: no binary fractions.
    object["length"] = record.has_length() ? nlohmann::ordered_json(std::round(record.get_length() * 1000) / 1000)
                                           : nlohmann::ordered_json();
    return object;
}

}  // namespace

int run_info_command(component_host& host, const std::vector<std::string>& arguments) {
    bool json = false;
    std::vector<std::string> names;
    std::vector<setting_change> settings;
    for (size_t i = 0; i < arguments.size(); ++i) {
        switch (take_setting_option("info", arguments, i, settings)) {
        case option_taken::yes: continue;
        case option_taken::refused: return 2;
        case option_taken::no: break;
        }
        if (arguments[i] == "--json") {
            json = true;
        } else if (arguments[i].size() > 1 && arguments[i][0] == '-') {
            std::fprintf(stderr, "info: unknown option %s (info --help lists them)\n", arguments[i].c_str());
            return 2;
        } else {
            names.push_back(arguments[i]);
        }
    }
    const auto files = expand_named_files("info", names);
    if (!files) return 2;
    const run_settings for_this_run(host, settings);
    if (!for_this_run.usable("info")) return 2;
    bool failed = false;
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (const auto& file : *files) {
        const std::string& path = file.path;
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
