#include "headless.h"

#include "calibration/maintenance_run.h"
#include "calibration/oculet_camera.h"
#include "oculet/CDShowGridOverlay.h"
#include "vantis/messages/maintenance_messages.h"

namespace tendal {

int RunHeadless(Startup& startup, std::ostream& out) {
    const std::string& vid = startup.defaults.vid;
    StreamReporter reporter(out, LogFilePath(vid));
    VantisAuto::CDoc doc;
    std::string why;
    if (!LoadConfiguration(doc, vid, &why)) {
        reporter.Log(Messages().Text(msg::kNoConfig));
        if (!why.empty()) out << why << "\n";
        return 1;
    }
    if (!doc.m_bConnected) {
        out << "The configuration is not ready: the calibration program has not connected its projectors.\n";
        return 1;
    }
    CDShowGridOverlay graph;
    vantis::calibration::OculetCamera camera(graph);
    vantis::calibration::StopRequest stop;
    vantis::calibration::MaintenanceOptions options;
    options.vendorWord = vid;
    const auto result = vantis::calibration::RunMaintenance(doc, camera, reporter, stop, options);
    graph.Close();
    // As closing the window does: the camera settings reached by the
    // auto-tune and the new warps' flags are kept.
    if (!vantis::model::SaveSystemConfig(doc, vid, "Config", &why)) out << "cannot save the configuration: " << why << "\n";
    doc.DisconnectAll();
    return result.outcome == vantis::calibration::Outcome::Done ? 0 : 1;
}

}  // namespace tendal
