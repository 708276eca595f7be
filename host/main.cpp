// sonmara-host: loads components and drives their services from the command line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/commands.h"
#include "host/run_settings.h"

namespace {

const char* const overview =
    "usage: sonmara-host [--component PATH]... COMMAND [ARGS]\n"
    "Loads the components (every DLL in components/ beside the program, or each --component)\n"
    "and drives them as a player does. Commands:\n"
    "  components   name, version and file types of every component, installation check\n"
    "  info         tags, technical fields and length of each file\n"
    "  decode       plays each file as a player does and writes a WAV file (or streams it)\n"
    "  tag          edits the tags of each file and prints what was written\n"
    "  config       every setting of the loaded components; config set NAME VALUE changes one\n"
    "  prefs        the preferences window (Windows build)\n"
    "sonmara-host help COMMAND (or COMMAND --help) tells more. A FILE is a path, a folder\n"
    "(every *.spc under it) or ARCHIVE.zip|MEMBER. Exit status: 0 when every file worked,\n"
    "1 when one failed, 2 for a usage error.\n";

struct command_help {
    const char* command;
    const char* usage;
    bool takes_run_settings;
};

const command_help commands_help[] = {
    {"components", "usage: sonmara-host components\n"
                   "Name, version, about text and file types of every component, and its installation check.\n",
     false},
    {"info", "usage: sonmara-host info [--json] [SETTINGS] FILE...\n"
             "Every tag, technical field and the length of each file. --json prints one array of objects\n"
             "(path, error, meta, info, length in seconds or null).\n",
     true},
    {"decode",
     "usage: sonmara-host decode [OPTIONS] [SETTINGS] FILE...\n"
     "Plays each file as a player does and writes a WAV file (32-bit float unless --pcm16).\n"
     "  -o OUT.wav           the file for one song; -o - streams the WAV to standard output\n"
     "                       (messages go to standard error): decode song.spc -o - | aplay\n"
     "  -o DIR               a folder (made when missing) for the songs, each at its path below\n"
     "                       the folder argument that named it, with .wav for .spc; without -o\n"
     "                       the current folder. Two songs never share one output.\n"
     "  --overwrite          replace WAV files that exist (otherwise they are refused)\n"
     "  --seek SECONDS       start there (it must lie before the song's end)\n"
     "  --seconds N          stop after N seconds of output\n"
     "  --loops N            play the song N times in a row, each to its end and fade\n"
     "  --endless            play past the song's length, as the game loops it, without a fade;\n"
     "                       needs --seconds (the component still ends it after 5 s of silence)\n"
     "  --pcm16              16-bit output, rounded without dither\n"
     "A song with no length (the tags give none and cfg_force_length is off) needs --seconds.\n"
     "Output is written beside its target and put in place only when complete.\n",
     true},
    {"tag", "usage: sonmara-host tag FILE... [--set FIELD=VALUE]... [--add FIELD=VALUE]... [--clear FIELD]...\n"
            "       [--replaygain-track DB] [--replaygain-album DB] [--accept-changes]\n"
            "Edits each file's tags as a player's tag editor does and prints what the file holds then.\n"
            "The edit is made on a copy beside the file, which takes its place only when it holds what\n"
            "was asked; a value the file cannot hold as given (its code page, a field's width) is\n"
            "reported and the file left unchanged, unless --accept-changes. Without edits the\n"
            "tags are only shown.\n",
     false},
    {"config", "usage: sonmara-host config\n"
               "       sonmara-host config set NAME VALUE\n"
               "Lists every setting of the loaded components with what its value means, or sets one\n"
               "(by name or GUID; a number, or a list value's name such as gaussian) and saves it.\n"
               "A value no playback can use is refused.\n",
     false},
    {"prefs", "usage: sonmara-host prefs [--screenshot FILE.png]\n"
              "The preferences window with every component's page (Windows build only); --screenshot\n"
              "draws it into a PNG file and exits.\n",
     false},
};

bool is_help(const std::string& argument) { return argument == "--help" || argument == "-h" || argument == "help"; }

// Help for one command; false when there is no such command.
bool print_command_help(const std::string& command) {
    for (const auto& help : commands_help) {
        if (command != help.command) continue;
        std::printf("%s", help.usage);
        if (help.takes_run_settings) std::printf("SETTINGS, for this run only (nothing is saved):\n%s", run_settings_help);
        return true;
    }
    return false;
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
        std::fprintf(stderr, "%s", overview);
        return 2;
    }
    const std::string command = rest[0];
    std::vector<std::string> arguments(rest.begin() + 1, rest.end());
    if (is_help(command)) {
        if (arguments.empty()) {
            std::printf("%s", overview);
            return 0;
        }
        if (print_command_help(arguments[0])) return 0;
        std::fprintf(stderr, "help: unknown command %s\n%s", arguments[0].c_str(), overview);
        return 2;
    }
    for (const auto& argument : arguments) {
        if ((argument == "--help" || argument == "-h") && print_command_help(command)) return 0;
    }

    try {
        component_host host;
        if (component_paths.empty()) {
            host.load_folder(component_host::executable_folder() / "components");
        } else {
            for (const auto& path : component_paths) host.load(std::filesystem::u8path(path));
        }
        host.start();

        if (command == "components") return run_components_command(host);
        if (command == "info") return run_info_command(host, arguments);
        if (command == "tag") return run_tag_command(host, arguments);
        if (command == "decode") return run_decode_command(host, arguments);
        if (command == "config") return run_config_command(host, arguments);
        if (command == "prefs") return run_prefs_command(host, arguments);
        std::fprintf(stderr, "unknown command: %s\n%s", command.c_str(), overview);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
