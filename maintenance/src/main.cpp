// tendal: the maintenance program. With --headless one maintenance pass runs
// without a window (log lines on standard output, the report beside the
// configuration, exit status 0, 3 or 1); otherwise the dialog opens.
#include <cstring>
#include <iostream>
#include <string>

#include "headless.h"
#include "tendal_app.h"

#ifdef TENDAL_WITH_WINDOW
#include "tendal_window.h"
#endif

int main(int argc, char** argv) {
    bool headless = false;
    tendal::ReportOptions report;
    bool autoBoundary = false;
    for (int i = 1; i < argc; ++i) {
        int used = 0;
        std::string error;
        if (std::strcmp(argv[i], "--headless") == 0) {
            headless = true;
        } else if (std::strcmp(argv[i], "--auto-boundary") == 0) {
            autoBoundary = true;
            headless = true;  // the window's runs keep the boundary drawn in meridan
        } else if (tendal::TakeReportOption(argc, argv, i, &report, &used, &error)) {
            if (!error.empty()) {
                std::cerr << "tendal: " << error << "\n";
                return 2;
            }
            headless = true;  // the report options belong to the unattended pass
            i += used - 1;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout
                << "usage: tendal [--headless] [--auto-boundary] [--report FILE] [--check] "
                   "[--recalibrate-if-drift PX]\n"
                   "  Repeats the calibration of the installed system from its stored configuration.\n"
                   "  --headless  one pass without a window: log lines on standard output and appended\n"
                   "              to Tendal.log beside the configuration, a report (Report-*.json) beside\n"
                   "              it; exit status 0 when the pass completed and every projector is within\n"
                   "              its thresholds, 3 when one is out of threshold, 1 when it failed.\n"
                   "  --auto-boundary  find the boundary anew from the pass's black and white photos\n"
                   "              before calibrating (for a screen that is the lit area); when it cannot\n"
                   "              be found the pass ends with exit status 1 and nothing is saved.\n"
                   "  --report FILE  also write the report to FILE.\n"
                   "  --check     photograph the patterns and measure drift only; nothing on the\n"
                   "              projectors changes (exit 3 when a projector moved).\n"
                   "  --recalibrate-if-drift PX  a check, then a whole pass when a projector's drift\n"
                   "              (RMS, panel pixels) is over PX.\n"
                   "  --auto-boundary and the report options imply --headless.\n";
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
    if (headless) return tendal::RunHeadless(startup, std::cout, report, autoBoundary);
#ifdef TENDAL_WITH_WINDOW
    return tendal::RunWindow(argc, argv, startup);
#else
    std::cerr << "tendal: this build has no window; use --headless\n";
    return 2;
#endif
}
