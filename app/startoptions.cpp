#include "startoptions.h"

#include "browser/devtoolsendpoint.h"
#include "startmode.h"

namespace marklens {

namespace {

constexpr const char* kHelp =
    "usage: marklens [URL-OR-FILE] [--endpoint HOST:PORT]...\n"
    "Inspect web pages open in a running Chromium.\n"
    "\n"
    "  URL-OR-FILE           start a Chromium of Marklens's own on this page and attach to it\n"
    "  --endpoint HOST:PORT  also list the pages of the browser at this DevTools endpoint\n"
    "                        (repeatable; MARKLENS_DEVTOOLS adds a comma-separated list)\n"
    "  --version             print the version and exit\n"
    "  --help                print this help and exit\n"
    "\n"
    "The browser Marklens starts is chromium, chromium-browser or google-chrome from the PATH,\n"
    "or MARKLENS_BROWSER; its profile is $XDG_CACHE_HOME/marklens/browser, and it is closed when\n"
    "Marklens exits. MARKLENS_BROWSER_HEADLESS=1 starts it without a window (as without a\n"
    "display). A running Chromium shows up in File > Connect to Browser when it was started with\n"
    "--remote-debugging-port=9222.\n";

}  // namespace

const char* StartHelpText() { return kHelp; }

CStartOptions CStartOptions::Parse(const std::vector<std::string>& args) {
    CStartOptions options;
    for (std::size_t i = 0; i < args.size() && options.error.empty(); ++i) {
        const std::string& arg = args[i];
        if (IsStartSwitch(arg)) continue;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--endpoint" || arg.rfind("--endpoint=", 0) == 0) {
            std::string value;
            if (arg != "--endpoint")
                value = arg.substr(arg.find('=') + 1);
            else if (i + 1 < args.size())
                value = args[++i];
            if (CDevToolsEndpoint::Parse(value))
                options.endpoints.push_back(value);
            else
                options.error = "--endpoint needs HOST:PORT, not '" + value + "'";
        } else if (arg.size() > 1 && arg[0] == '-') {
            options.error = "unknown option " + arg;
        } else if (!options.page.empty()) {
            options.error = "one page at a time, not both '" + options.page + "' and '" + arg + "'";
        } else {
            options.page = arg;
        }
    }
    return options;
}

}  // namespace marklens
