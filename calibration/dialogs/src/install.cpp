#include "dialogs/install.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <memory>

#include "calibration/auto_tune.h"
#include "calibration/oculet_camera.h"
#include "dialogs/CBlendSettingsDlg.h"
#include "dialogs/CBoundaryDlg.h"
#include "dialogs/CCameraDlg.h"
#include "dialogs/CNewChannelDlg.h"
#include "dialogs/CThresholdDlg.h"
#include "meridan/CVantisAutoDlg.h"
#include "meridan/job_feedback.h"
#include "oculet/CDShowCameraCtrl.h"

namespace meridan::dialogs {

namespace {

// Auto Tune of the camera dialog: a workflow job of the main window, with the
// wait window's progress and Stop, joined when the window closes.
void StartAutoTune(CVantisAutoDlg& main, QPointer<CCameraDlg> dialog) {
    if (main.WorkflowJob() != 0) return;
    struct Run {
        vantis::calibration::AutoTuneResult result;
        long exposure = 0;
        long gain = 0;
        std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    };
    auto run = std::make_shared<Run>();
    const int channels = static_cast<int>(main.Doc().m_channels.size());
    const auto id = main.RunWorkflow(
        [&main, run, channels](vantis::calibration::Reporter& r, vantis::calibration::StopRequest& stop) {
            vantis::calibration::OculetCamera oculet(*main.CameraView()->Graph());
            vantis::calibration::AutoTuneOptions options;
            options.vendorWord = main.Defaults().vid;
            meridan::ProgressCamera camera(oculet, [&r, options, channels](int number) {
                const meridan::JobStep step = meridan::AutoTuneStep(number, options, channels);
                r.Status(step.text, step.position, step.range);
            });
            run->result = vantis::calibration::RunAutoTune(main.Doc(), camera, r, stop,
                                                           vantis::calibration::EngineCalls{}, options);
            auto& record = camera.Properties();
            run->exposure = record.State(CameraProperty::Exposure).value;
            run->gain = record.State(CameraProperty::Gain).value;
        },
        [&main, dialog, run] {
            if (dialog) dialog->AutoTuneEnded();
            meridan::JobFigures f;
            f.channels = static_cast<int>(main.Doc().m_channels.size());
            f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - run->start).count();
            main.ShowJobEnd(
                QString::fromStdString(meridan::AutoTuneEndText(run->result, f, run->exposure, run->gain)));
        });
    main.OpenProgress(QObject::tr("Auto Tune"), id);
}

}  // namespace

void Install(CVantisAutoDlg& main) {
    main.SetWizard([](CVantisAutoDlg& m, VantisAuto::CDoc& doc) {
        static vantis::model::IcmpEchoProber echo;
        CNewChannelDlg wizard(doc, echo, &m);
        wizard.SetReportHandler([&m](const vantis::messages::ErrorReport& r) { m.ShowReport(r); });
        return wizard.exec() == QDialog::Accepted;
    });
    main.SetDockFactory(CVantisAutoDlg::kDockCamera, [](CVantisAutoDlg& m) -> QWidget* {
        auto* d = new CCameraDlg(m.Doc(), *m.CameraView());
        QPointer<CCameraDlg> self(d);
        d->SetExitHandler([&m] { m.ChildClosed(CVantisAutoDlg::kDockCamera); });
        d->SetAutoTuneHandler([&m, self] { StartAutoTune(m, self); });
        return d;
    });
    main.SetDockFactory(CVantisAutoDlg::kDockBoundary, [](CVantisAutoDlg& m) -> QWidget* {
        auto* d = new CBoundaryDlg(m.Doc(), *m.CameraView());
        d->SetExitHandler([&m] { m.ChildClosed(CVantisAutoDlg::kDockBoundary); });
        // Clearing every projector waits for each link (a dead one for its
        // whole time-out): a job, with the window busy meanwhile; the stored
        // test picture follows once the projectors are clear.
        QPointer<CBoundaryDlg> self(d);
        m.RunDocumentJob([&m] { m.Doc().ClearAll(); },
                         [self] {
                             if (self) self->ShowStoredPattern();
                         });
        return d;
    });
    main.SetDockFactory(CVantisAutoDlg::kDockThreshold, [](CVantisAutoDlg& m) -> QWidget* {
        auto* d = new CThresholdDlg(m.Doc(), *m.ThresholdView());
        d->SetFinishedHandler([&m](bool done) { m.EndThresholdReview(done); });
        d->SetErrorHandler(
            [&m](int code) { m.ShowError(vantis::messages::ErrorReporter::EngineErrorText(code)); });
        return d;
    });
    // Others: the one edge-blending settings dialog of the window.
    main.SetDockFactory(CVantisAutoDlg::kDockOthers, [](CVantisAutoDlg& m) -> QWidget* {
        return CBlendSettingsDlg::ShowFor(m.Doc(), &m);
    });
}

}  // namespace meridan::dialogs
