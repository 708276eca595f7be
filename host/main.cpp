// sonmara-host: loads components and drives their services from the command line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/commands.h"

namespace {

void print_usage() {
    std::fprintf(stderr,
                 "usage: sonmara-host [--component PATH]... COMMAND [ARGS]\n"
                 "commands:\n"
                 "  components            name, version and file types of every component, installation check\n"
                 "  info [--json] FILE... tags, technical fields and length of each file (folders: every *.spc)\n"
                 "  decode FILE... [-o OUT.wav | -o DIR] [--seek SECONDS] [--seconds N] [--loop] [--pcm16]\n"
                 "                        plays each file as a player does and writes a WAV file (32-bit float)\n"
                 "  tag FILE... [--set FIELD=VALUE]... [--add FIELD=VALUE]... [--clear FIELD]...\n"
                 "      [--replaygain-track DB] [--replaygain-album DB]\n"
                 "                        edits the tags of each file and prints what was written\n"
                 "  config                every setting of the loaded components with its value\n"
                 "  config set NAME VALUE sets one setting (a decimal 32-bit integer) and saves it\n"
                 "  prefs [--screenshot FILE.png]\n"
                 "                        the preferences window with every component's page (Windows build);\n"
                 "                        --screenshot draws it into a PNG file and exits\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> component_paths;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--component") == 0) {
            if (i + 1 == argc) {
                std::fprintf(stderr, "--component needs a path\n");
                return 2;
            }
            component_paths.push_back(argv[++i]);
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (rest.empty()) {
        print_usage();
        return 2;
    }

    try {
        component_host host;
        if (component_paths.empty()) {
            host.load_folder(component_host::executable_folder() / "components");
        } else {
            for (const auto& path : component_paths) host.load(std::filesystem::u8path(path));
        }
        host.start();

        const std::string command = rest[0];
        std::vector<std::string> arguments(rest.begin() + 1, rest.end());
        if (command == "components") return run_components_command(host);
        if (command == "info") return run_info_command(host, arguments);
        if (command == "tag") return run_tag_command(host, arguments);
        if (command == "decode") return run_decode_command(host, arguments);
        if (command == "config") return run_config_command(host, arguments);
        if (command == "prefs") return run_prefs_command(host, arguments);
        std::fprintf(stderr, "unknown command: %s\n", command.c_str());
        print_usage();
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
