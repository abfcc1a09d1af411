#include "dialogs/install.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <memory>

#include "calibration/auto_tune.h"
#include "calibration/capture.h"
#include "calibration/oculet_camera.h"
#include "calibration/warp_compute.h"
#include "dialogs/CBlendSettingsDlg.h"
#include "dialogs/CBoundaryDlg.h"
#include "dialogs/CCameraDlg.h"
#include "dialogs/CNewChannelDlg.h"
#include "dialogs/CThresholdDlg.h"
#include "meridan/CVantisAutoDlg.h"
#include "meridan/job_feedback.h"
#include "meridan/job_queue.h"
#include "oculet/CDShowCameraCtrl.h"
#include "vantis/messages/error_report.h"

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

// Automatic of the boundary dialog: fresh photos (the blank wall, then each
// projector's white field) and the engine's boundary from them, as a workflow
// job of the main window with the wait window's progress and Stop. The
// boundary reaches the dialog only when it was found; a failure is said in
// the error dialog and leaves the boundary as it was.
void StartAutoBoundary(CVantisAutoDlg& main, QPointer<CBoundaryDlg> dialog) {
    if (main.WorkflowJob() != 0 || main.IsBusy()) return;
    struct Run {
        vantis::calibration::Outcome captured = vantis::calibration::Outcome::Failed;
        BoundaryResult found{};
        BoundaryGrid grid;
        bool searched = false;  // the engine was asked
        bool projectorLost = false;
        std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    };
    auto run = std::make_shared<Run>();
    const int channels = static_cast<int>(main.Doc().m_channels.size());
    std::vector<int> octets;
    for (auto& c : main.Doc().m_channels) octets.push_back(static_cast<int>(c->LastOctet()));
    const auto id = main.RunWorkflow(
        [&main, run, channels, octets](vantis::calibration::Reporter& r,
                                       vantis::calibration::StopRequest& stop) {
            auto& doc = main.Doc();
            vantis::calibration::OculetCamera oculet(*main.CameraView()->Graph());
            meridan::ProgressCamera camera(oculet, [&](int number) {
                meridan::StopWhenProjectorLost(doc, number, r, stop, &run->projectorLost);
                const meridan::JobStep step =
                    meridan::AutoBoundaryStep(number, channels, meridan::OctetOfPhoto(number, octets));
                r.Status(step.text, step.position, step.range);
            });
            const vantis::calibration::EngineCalls engine;
            vantis::calibration::CaptureOptions options;
            options.vendorWord = main.Defaults().vid;
            run->captured = vantis::calibration::CaptureBoundaryPhotos(doc, camera, r, stop, engine, options);
            if (run->captured != vantis::calibration::Outcome::Done || stop.Requested()) return;
            const meridan::JobStep step = meridan::AutoBoundaryStep(-1, channels, 0);
            r.Status(step.text, step.position, step.range);
            run->searched = true;
            run->found = vantis::calibration::FindAutoBoundary(doc, engine, &run->grid);
        },
        [&main, dialog, run, channels] {
            meridan::JobFigures f;
            f.channels = channels;
            f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - run->start).count();
            const bool stopped = run->captured == vantis::calibration::Outcome::Stopped ||
                                 (run->captured == vantis::calibration::Outcome::Done && !run->searched);
            if (run->searched && run->found.status == kBoundaryOk) {
                if (dialog) dialog->LoadBoundary(run->grid);
                main.ShowJobEnd(
                    QString::fromStdString(meridan::AutoBoundaryFoundText(run->found.aspectRatio, f)));
            } else if (run->searched) {
                main.ShowError(
                    meridan::AutoBoundaryFailedText(vantis::calibration::BoundaryFailureText(run->found)));
            } else if (stopped && !run->projectorLost) {
                main.ShowJobEnd(QString::fromStdString(meridan::AutoBoundaryStoppedText(f)));
            }
            // A capture that failed, or the projector lost, said why in the error dialog already.
            // The photos left the projectors clear: the test picture comes back.
            if (dialog) dialog->ShowStoredPattern();
        });
    main.OpenProgress(QObject::tr("Automatic"), id);
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
    // The boundary dialog's projector commands, one after another in the
    // order given, each a document job (the window busy meanwhile, a dead link
    // costing its time-out off the window thread). A projector that did not
    // take a command is reported in the error dialog.
    auto patterns =
        meridan::JobQueue::Make([&main](meridan::JobQueue::Work work, meridan::JobQueue::Ended ended) {
            main.RunDocumentJob(std::move(work), std::move(ended));
        });
    main.SetDockFactory(CVantisAutoDlg::kDockBoundary, [patterns](CVantisAutoDlg& m) -> QWidget* {
        auto* d = new CBoundaryDlg(m.Doc(), *m.CameraView());
        QPointer<CBoundaryDlg> self(d);
        d->SetExitHandler([&m] { m.ChildClosed(CVantisAutoDlg::kDockBoundary); });
        d->SetCommandQueue([&m, patterns](CBoundaryDlg::Command command, std::function<void()> done) {
            auto failed = std::make_shared<std::vector<std::uint32_t>>();
            patterns->Add([command = std::move(command), failed] { *failed = command(); },
                          [&m, failed, done = std::move(done)] {
                              if (!failed->empty())
                                  m.ShowReport(vantis::messages::ConnectFailureReport(failed->front()));
                              if (done) done();
                          });
        });
        d->SetAutomaticHandler([&m, self] { StartAutoBoundary(m, self); });
        d->ShowPatternsAfterOpening();
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
