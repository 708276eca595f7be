#include <cstdio>
#include <optional>

#include "host/commands.h"
#ifdef _WIN32
#include "host/prefs_window.h"
#endif

int run_prefs_command(component_host& host, const std::vector<std::string>& arguments) {
    std::optional<std::string> screenshot;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--screenshot" && i + 1 < arguments.size() && !screenshot && !arguments[i + 1].empty()) {
            screenshot = arguments[++i];
        } else {
            std::fprintf(stderr, "prefs: expected no arguments or: --screenshot FILE.png\n");
            return 2;
        }
    }
#ifdef _WIN32
    prefs_window window(host);
    if (!screenshot) return window.run();
    window.screenshot(std::filesystem::u8path(*screenshot));
    return 0;
#else
    (void)host;
    std::fprintf(stderr, "prefs: the preferences window needs the Windows build of the host\n");
    return 1;
#endif
}
