#include "headless.h"

#include "calibration/maintenance_run.h"
#include "calibration/oculet_camera.h"
#include "calibration/stop_signals.h"
#include "oculet/CDShowGridOverlay.h"
#include "vantis/messages/maintenance_messages.h"

namespace tendal {

int RunHeadless(Startup& startup, std::ostream& out, const ReportOptions& report, bool autoBoundary) {
    const std::string& vid = startup.defaults.vid;
    StreamReporter reporter(out, LogFilePath(vid));
    reporter.File().BeginRun("headless");
    VantisAuto::CDoc doc;
    std::string why;
    if (!LoadConfiguration(doc, vid, &why)) {
        reporter.Log(ConfigurationError(vid, why));
        return 1;
    }
    if (!doc.m_bConnected) {
        out << "The configuration is not ready: the calibration program has not connected its projectors.\n";
        return 1;
    }
    CDShowGridOverlay graph;
    vantis::calibration::OculetCamera camera(graph);
    vantis::calibration::StopRequest stop;
    // SIGINT and SIGTERM stop the run: the projectors show their pictures again.
    vantis::calibration::StopSignals::Install(stop);
    std::string warning;
    vantis::calibration::MaintenanceOptions options = RunOptions(vid, &warning);
    options.autoBoundary = autoBoundary;
    if (!warning.empty()) out << warning << "\n";
    const auto result = RunReported(doc, camera, reporter, stop, options, report);
    graph.Close();
    // Only a completed pass is kept (the camera settings reached by the auto-tune and
    // the new warps' flags): a failed or stopped one never rewrites the configuration.
    const bool done = result.outcome == vantis::calibration::Outcome::Done;
    if (done && !vantis::model::SaveSystemConfig(doc, vid, "Config", &why))
        out << "cannot save the configuration: " << why << "\n";
    doc.DisconnectAll();
    vantis::calibration::StopSignals::Uninstall();
    if (const int signalled = vantis::calibration::StopSignals::ExitStatus(); signalled != 0)
        return signalled;
    return done ? ExitStatusOf(result) : 1;
}

}  // namespace tendal
