#include "dialogs/install.h"

#include <QPointer>

#include <thread>

#include "calibration/auto_tune.h"
#include "calibration/oculet_camera.h"
#include "dialogs/CBlendSettingsDlg.h"
#include "dialogs/CBoundaryDlg.h"
#include "dialogs/CCameraDlg.h"
#include "dialogs/CNewChannelDlg.h"
#include "dialogs/CThresholdDlg.h"
#include "meridan/CVantisAutoDlg.h"
#include "oculet/CDShowCameraCtrl.h"

namespace meridan::dialogs {

namespace {

// The auto-tune workflow's messages, shown by the main window.
class MainReporter : public vantis::calibration::Reporter {
public:
    explicit MainReporter(CVantisAutoDlg& main) : main_(main) {}
    void Busy(bool busy) override {
        main_.Send([this, busy] { main_.SetBusy(busy); });
    }
    void Error(const std::string& text) override {
        main_.Send([this, text] { main_.ShowError(text); });
    }

private:
    CVantisAutoDlg& main_;
};

void StartAutoTune(CVantisAutoDlg& main, QPointer<CCameraDlg> dialog) {
    std::thread([&main, dialog] {
        static vantis::calibration::StopRequest stop;
        MainReporter reporter(main);
        vantis::calibration::OculetCamera camera(*main.CameraView()->Graph());
        vantis::calibration::AutoTuneOptions options;
        options.vendorWord = main.Defaults().vid;
        reporter.Busy(true);
        vantis::calibration::RunAutoTune(main.Doc(), camera, reporter, stop, vantis::calibration::EngineCalls{},
                                         options);
        reporter.Busy(false);
        main.Send([dialog] {
            if (dialog) dialog->AutoTuneEnded();
        });
    }).detach();
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
        m.Doc().ClearAll();
        auto* d = new CBoundaryDlg(m.Doc(), *m.CameraView());
        d->SetExitHandler([&m] { m.ChildClosed(CVantisAutoDlg::kDockBoundary); });
        d->ShowStoredPattern();
        return d;
    });
    main.SetDockFactory(CVantisAutoDlg::kDockThreshold, [](CVantisAutoDlg& m) -> QWidget* {
        auto* d = new CThresholdDlg(m.Doc(), *m.ThresholdView());
        d->SetFinishedHandler([&m](bool done) { m.EndThresholdReview(done); });
        d->SetErrorHandler([&m](int code) {
            m.ShowError(vantis::messages::ErrorReporter::EngineErrorText(code));
        });
        return d;
    });
    // Others: the one edge-blending settings dialog of the window.
    main.SetDockFactory(CVantisAutoDlg::kDockOthers,
                        [](CVantisAutoDlg& m) -> QWidget* { return CBlendSettingsDlg::ShowFor(m.Doc(), &m); });
}

}  // namespace meridan::dialogs
