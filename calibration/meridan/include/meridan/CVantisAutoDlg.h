// The main window of the calibration program: the camera view (or the
// threshold picture in the same place), the channel list, the nine command
// buttons, and the dock area in which the camera, boundary, threshold and
// edge-blending dialogs appear. It owns the project document and runs every
// job on its job runner (started, counted, joined on close).
//
// Threads and the document lock: workers reach the window only through the
// runner's mailbox (Post leaves a message, Send waits for it), and the
// workflows' status, busy and error reports are posted, never waited for, so
// a worker holding the document lock never waits for the window. The window
// thread in turn never blocks on the document lock while a job may hold it:
// its timer-driven checks try the lock and come back later when it is taken.
#pragma once

#include <QPointer>
#include <QWidget>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <string>

#include "calibration/report.h"
#include "calibration/reporter.h"
#include "vantis/messages/error_report.h"
#include "vantis/model/config.h"
#include "vantis/model/document.h"
#include "vantis/model/reachability.h"

class CDShowCameraCtrl;
class CCvImageCtrl;
class CChannelIconListCtrl;
class CSkinButton;
#include "meridan/CWaitDlg.h"
#include "meridan/job_runner.h"
class QLabel;
class QMenuBar;
class QStackedWidget;

namespace meridan {
class DeviceWatcher;
}

class CVantisAutoDlg : public QWidget {
  public:
    // Child dialogs of the dock area, by the number they report when closing.
    enum DockChild { kDockThreshold = 0, kDockCamera = 129, kDockBoundary = 144, kDockOthers = 146 };
    enum Button {
        kNew,
        kCamera,
        kBoundary,
        kCalibration,
        kRecalibration,
        kResync,
        kReset,
        kOthers,
        kConnect
    };

    struct Options {
        vantis::model::Defaults defaults;
        bool loadSystemConfig = true;
        bool watchDevices = true;
    };

    explicit CVantisAutoDlg(const Options& options, QWidget* parent = nullptr);
    ~CVantisAutoDlg() override;

    VantisAuto::CDoc& Doc() { return doc_; }
    const vantis::model::Defaults& Defaults() const { return options_.defaults; }
    CDShowCameraCtrl* CameraView() const { return camera_; }
    CCvImageCtrl* ThresholdView() const { return threshold_; }
    CChannelIconListCtrl* ChannelList() const { return list_; }
    CSkinButton* GetButton(Button b) const { return buttons_.at(b); }
    CWaitDlg* WaitWindow() const { return wait_; }

    // --- dock area (the dialogs of the camera, boundary, threshold and edge-blending settings) ---
    // A factory makes the dialog with this window as its parent (the program
    // installs them: dialogs/install.h).
    using DockFactory = std::function<QWidget*(CVantisAutoDlg& main)>;
    void SetDockFactory(DockChild which, DockFactory factory) { dockFactories_[which] = std::move(factory); }
    // The new-project wizard: runs modally on the document, true on OK.
    using WizardFactory = std::function<bool(CVantisAutoDlg& main, VantisAuto::CDoc& doc)>;
    void SetWizard(WizardFactory wizard) { wizard_ = std::move(wizard); }
    // Places a dialog in the dock area: the ten main controls hide, closing is
    // not allowed until the dialog reports its closing with ChildClosed.
    void PlaceInDock(QWidget* child);
    QWidget* DockArea() const { return dock_; }
    QWidget* DockedChild() const { return docked_; }
    // A docked dialog closed (camera 129, boundary 144, threshold 0).
    void ChildClosed(int which);
    // Camera or threshold picture in the view area.
    void ShowThresholdPicture(bool threshold);
    bool CloseAllowed() const { return closeAllowed_; }
    // SIGINT or SIGTERM: every job is stopped, every projector shows its picture
    // again, and the window closes without writing the configuration (a job
    // stopped half way leaves the project half updated).
    void CloseForSignal();

    // --- calibration (run by the shared workflows) ---
    // Re-calibration's threshold review: the threshold dialog (dock factory
    // kDockThreshold) ends it with Done (true) or Cancel (false); the waiting
    // worker then goes on.
    void EndThresholdReview(bool done);
    bool ThresholdReviewPending() const { return pendingReview_ != nullptr; }
    // Replace the calibration or re-calibration command altogether.
    using JobHook = std::function<void(CVantisAutoDlg& main)>;
    void SetCalibrationHook(JobHook hook) { calibrationHook_ = std::move(hook); }
    void SetRecalibrationHook(JobHook hook) { recalibrationHook_ = std::move(hook); }

    // --- commands ---
    void OnNew();
    void OnConnect();
    void OnCamera();
    void OnBoundary();
    void OnCalibration();
    void OnRecalibration();
    void OnResync();
    void OnReset();
    void OnOthers();
    void OnSave(const QString& path = {});
    // Writes the calibration as an MPCDI container (a file dialog without a path).
    void OnExportMpcdi(const QString& path = {});
    void OnOpen(const QString& path = {});
    // The result panel of a run in the dock area; Last report reopens the
    // newest report beside the configuration (a message when there is none).
    void ShowRunReport(const vantis::calibration::RunReport& report);
    void OnLastReport();
    // Where reports and block centres are kept: beside the configuration.
    std::filesystem::path ReportFolder() const;
    void OnDelete();
    void OnModifyAddress();
    void OnChannelResync();
    void OnChannelReset();
    void OnRelink();
    void OnSnapshot();
    void OnAbout();
    // The end of a label edit; true when the text is refused.
    bool OnEndLabelEdit(int index, const QString& text);
    // Cameras came or went.
    void OnCameraCheck();

    // Enables or disables the buttons after a job (e = 1 or 0).
    void ApplyButtonEnabling(int e);
    void SetBusy(bool busy);
    bool IsBusy() const { return busy_; }
    bool ConnectionRunning() const { return connectionJob_ != 0 && jobs_.IsRunning(connectionJob_); }
    // Waits (serving the workers' messages) until the connection job ended and
    // its end was handled.
    void WaitForConnection();
    // Waits until every job (connection, workflows, re-sync, ...) ended.
    void WaitForJobs();
    // The window's job runner (the dialogs run their projector work on it).
    meridan::JobRunner& Jobs() { return jobs_; }
    // Runs work as a job between busy and idle; ended runs on this thread after it.
    meridan::JobRunner::Id RunDocumentJob(std::function<void()> work, std::function<void()> ended = {});

    // --- feedback of Calibration, Re-calibration and Auto Tune ---
    // Opens the wait window for a workflow; its Stop button asks the job to stop.
    void OpenProgress(const QString& title, meridan::JobRunner::Id job);
    void CloseProgress();
    // The end of a workflow in one sentence: the status line under the
    // buttons, and a message box that does not block.
    void ShowJobEnd(const QString& text);
    QString LastJobEnd() const { return lastJobEnd_; }
    // The workflow job running now (0 when none): Calibration, Re-calibration or Auto Tune.
    meridan::JobRunner::Id WorkflowJob() const { return workflowJob_; }
    void StopWorkflow();
    // Runs a workflow (Calibration, Re-calibration, Auto Tune) as a job with
    // this window as its reporter, between busy and idle; ended runs on this
    // thread afterwards. One at a time: WorkflowJob() names it.
    using Workflow = std::function<void(vantis::calibration::Reporter&, vantis::calibration::StopRequest&)>;
    meridan::JobRunner::Id RunWorkflow(Workflow work, std::function<void()> ended);

    // --- worker messages ---
    // Runs f on the window thread; from a worker it waits until f ran. Never
    // call it while holding the document lock.
    void Send(std::function<void()> f);
    // Runs f on the window thread later, in the order of posting.
    void Post(std::function<void()> f);
    // A worker's error report, shown in the error dialog.
    void ShowReport(const vantis::messages::ErrorReport& report);
    int ShowError(const std::string& text);

    // Replacements for the modal boxes (tests, and programs that log instead).
    void SetQuestionHandler(std::function<bool(const QString&)> h) { question_ = std::move(h); }
    void SetErrorHandler(std::function<int(const QString&)> h) { errorHandler_ = std::move(h); }
    void SetMessageHandler(std::function<void(const QString&)> h) { messageHandler_ = std::move(h); }
    // The echo test of the connection job (tests inject one).
    void SetEchoProber(vantis::model::EchoProber* prober) { prober_ = prober; }
    bool Ask(const QString& text);
    void Inform(const QString& text, bool stop);

    // Rebuilds the channel list from the document.
    void RebuildChannelList();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void BuildWindow();
    void BuildMenus();
    void ShowMainControls(bool show);
    // A worker left a message: serve the mailbox from the event loop.
    void WakeJobs();
    void GiveIdentityWarps();
    void StopConnectionWorker();
    // Starts the connection job (skip: reset without the Reset All Settings
    // question; keep: reconnect only, no question and no reset).
    void StartConnectionJob(bool skip, bool keep);
    void BeginThresholdReview(std::shared_ptr<std::promise<bool>> answer);
    void OnContextMenu(const QPoint& globalPos);
    // Keeps the project as the system configuration; false when the document
    // lock is taken (nothing was written).
    bool SaveOnClose();
    void RetryCameraCheck();

    Options options_;
    VantisAuto::CDoc doc_;
    CDShowCameraCtrl* camera_ = nullptr;
    CCvImageCtrl* threshold_ = nullptr;
    QStackedWidget* views_ = nullptr;
    QWidget* controls_ = nullptr;
    QWidget* dock_ = nullptr;
    QPointer<QWidget> docked_;
    CChannelIconListCtrl* list_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    QLabel* jobStatus_ = nullptr;
    QString lastJobEnd_;
    std::map<Button, CSkinButton*> buttons_;
    QPointer<CWaitDlg> wait_;
    std::unique_ptr<meridan::DeviceWatcher> watcher_;

    std::map<DockChild, DockFactory> dockFactories_;
    WizardFactory wizard_;
    JobHook calibrationHook_;
    JobHook recalibrationHook_;
    std::function<bool(const QString&)> question_;
    std::function<int(const QString&)> errorHandler_;
    std::function<void(const QString&)> messageHandler_;
    vantis::model::EchoProber* prober_ = nullptr;

    // Declared after everything its jobs use, so that it goes (joining them) first.
    meridan::JobRunner jobs_;
    meridan::JobRunner::Id connectionJob_ = 0;
    meridan::JobRunner::Id workflowJob_ = 0;
    std::shared_ptr<std::promise<bool>> pendingReview_;
    bool busy_ = false;
    bool closeAllowed_ = true;
    bool closingForSignal_ = false;
    bool skipQuestion_ = false;
    bool reconnectOnly_ = false;
    bool cameraCheckPending_ = false;
    bool closing_ = false;
    int channelsAtConnect_ = 0;
    int snapshotCounter_ = 100;
};
