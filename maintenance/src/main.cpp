// tendal: the maintenance program. With --headless one maintenance pass runs
// without a window (log lines on standard output, exit status 0 only when the
// pass completed); otherwise the dialog opens.
#include <cstring>
#include <iostream>

#include "headless.h"
#include "tendal_app.h"

#ifdef TENDAL_WITH_WINDOW
#include "tendal_window.h"
#endif

int main(int argc, char** argv) {
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--headless") == 0) {
            headless = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << "usage: tendal [--headless]\n"
                         "  Repeats the calibration of the installed system from its stored configuration.\n"
                         "  --headless  one pass without a window: log lines on standard output and appended\n"
                         "              to Tendal.log beside the configuration; exit status 0 only when the\n"
                         "              pass completed.\n";
            return 0;
        }
    }
    tendal::Startup startup;
    if (!tendal::Start(&startup)) {
#ifdef TENDAL_WITH_WINDOW
        if (!headless) return tendal::ShowStartError(argc, argv, startup.error);
#endif
        std::cerr << startup.error << "\n";
        return 1;
    }
    if (headless) return tendal::RunHeadless(startup, std::cout);
#ifdef TENDAL_WITH_WINDOW
    return tendal::RunWindow(argc, argv, startup);
#else
    std::cerr << "tendal: this build has no window; use --headless\n";
    return 2;
#endif
}
