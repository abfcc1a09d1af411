#include "meridan/CVantisAutoDlg.h"

#include "calibration/report_run.h"
#include "meridan/ReportPanel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <future>
#include <mutex>
#include <utility>

#include "calibration/calibration_sequence.h"
#include "calibration/connection_job.h"
#include "calibration/oculet_camera.h"
#include "dvOrvelAuto.h"
#include "meridan/CChannelIconListCtrl.h"
#include "meridan/CErrorMsgDlg.h"
#include "meridan/CWaitDlg.h"
#include "meridan/DeviceWatcher.h"
#include "meridan/job_feedback.h"
#include "meridan/main_logic.h"
#include "meridan/skin/CSkinButton.h"
#include "oculet/CCvImageCtrl.h"
#include "oculet/CDShowCameraCtrl.h"
#include "vantis/delays.h"
#include "vantis/export/mpcdi.h"
#include "vantis/messages/calibration_messages.h"
#include "vantis/model/device_ops.h"
#include "vantis/model/doc_lock.h"
#include "vantis/model/project_file.h"
#include "vantis/model/warps_file.h"

using VantisAuto::CChannel;
using VantisAuto::DocLock;
using VantisAuto::DocumentLock;
namespace msg = meridan::msg;

namespace {

const QColor kWindowColour(41, 41, 41);
const QColor kControlColour(73, 73, 73);
const char* kFileFilter = "Vantis Auto (*.cfa);;All files (*)";

QString Text(int id) {
    return QString::fromStdString(meridan::Messages().Text(id));
}

QString AppTitle(const vantis::model::Defaults& d) {
    return QString::fromStdString(d.appTitle);
}

// A workflow's reports, carried to the window thread: status lines go to the
// wait window when there is one, errors to the error dialog. Workflows report
// while they hold the document lock, so every report is posted and the worker
// goes on at once; only a question waits for its answer (workflows ask
// without the lock), and a stop request answers it with No.
class WindowReporter : public vantis::calibration::Reporter {
  public:
    WindowReporter(CVantisAutoDlg& w, const vantis::calibration::StopRequest& stop) : w_(w), stop_(stop) {}
    void Status(const std::string& text, int position, int range) override {
        w_.Post([&w = w_, text, position, range] {
            if (auto* wait = w.WaitWindow()) wait->SetStatus(QString::fromStdString(text), position, range);
        });
    }
    void Busy(bool busy) override {
        w_.Post([&w = w_, busy] { w.SetBusy(busy); });
    }
    void Error(const std::string& text) override {
        w_.Post([&w = w_, text] { w.ShowError(text); });
    }
    bool Ask(const std::string& question) override {
        auto answer = std::make_shared<std::promise<bool>>();
        std::future<bool> result = answer->get_future();
        w_.Post([&w = w_, answer, question] { answer->set_value(w.Ask(QString::fromStdString(question))); });
        while (result.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
            if (stop_.Requested()) return false;
        return result.get();
    }
    void ChannelsChanged() override {
        w_.Post([&w = w_] {
            if (!w.WaitWindow() || !w.WaitWindow()->UpdatesSuppressed()) w.ChannelList()->RedrawItems();
        });
    }

  private:
    CVantisAutoDlg& w_;
    const vantis::calibration::StopRequest& stop_;
};

// The projector's last address octet of channel i, for the progress lines.
int OctetOf(const VantisAuto::CDoc& doc, int i) {
    if (i < 0 || i >= static_cast<int>(doc.m_channels.size())) return 0;
    return static_cast<int>(doc.m_channels[static_cast<std::size_t>(i)]->LastOctet());
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

CVantisAutoDlg::CVantisAutoDlg(const Options& options, QWidget* parent)
    : QWidget(parent), options_(options), jobs_([this] { WakeJobs(); }) {
    setObjectName("mainWindow");
    setWindowTitle(AppTitle(options_.defaults));
    setWindowIcon(QIcon(CChannelIconListCtrl::StateImageStrip().copy(0, 0, 34, 34)));
    BuildWindow();
    BuildMenus();

    // The system configuration: the last project, with identity warps until
    // the projectors are connected and calibrated again.
    if (options_.loadSystemConfig) {
        std::string error;
        if (vantis::model::LoadSystemConfig(doc_, options_.defaults.vid, "Config", &error) == 1) {
            GiveIdentityWarps();
            RebuildChannelList();
            buttons_[kConnect]->setEnabled(true);
        }
    }
    buttons_[kConnect]->setEnabled(doc_.m_bConnected);

    if (options_.watchDevices) {
        watcher_ = std::make_unique<meridan::DeviceWatcher>([this] { OnCameraCheck(); });
        watcher_->Start();
    }
}

CVantisAutoDlg::~CVantisAutoDlg() {
    // Closing normally waited already; a window destroyed without closing
    // still must not leave a worker behind that uses it.
    jobs_.RequestStopAll();
    if (auto answer = std::exchange(pendingReview_, nullptr)) answer->set_value(false);
    WaitForJobs();
    // The docked dialogs (also one that left and awaits its deferred delete)
    // hold the camera and threshold views, which come earlier among the
    // children and so would be deleted first: the dialogs go before them.
    delete dock_;
    dock_ = nullptr;
}

void CVantisAutoDlg::BuildWindow() {
    QPalette p = palette();
    p.setColor(QPalette::Window, kWindowColour);
    p.setColor(QPalette::WindowText, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);

    camera_ = new CDShowCameraCtrl(this);
    camera_->setObjectName("cameraView");
    camera_->setMinimumSize(640, 360);
    threshold_ = new CCvImageCtrl(this);
    threshold_->setObjectName("thresholdView");
    views_ = new QStackedWidget(this);
    views_->addWidget(camera_);
    views_->addWidget(threshold_);
    views_->setCurrentWidget(camera_);

    list_ = new CChannelIconListCtrl(this);
    list_->setMinimumHeight(80);
    list_->setMaximumHeight(96);
    list_->SetLabelEditHandler(
        [this](int index, const QString& text) { return OnEndLabelEdit(index, text); });
    list_->SetContextMenuHandler([this](const QPoint& pos) { OnContextMenu(pos); });

    struct Def {
        Button id;
        const char* caption;
        const char* name;
        void (CVantisAutoDlg::*handler)();
    };
    const Def defs[] = {
        {kConnect, "Connect", "connectButton", &CVantisAutoDlg::OnConnect},
        {kCamera, "Camera", "cameraButton", &CVantisAutoDlg::OnCamera},
        {kBoundary, "Boundary", "boundaryButton", &CVantisAutoDlg::OnBoundary},
        {kCalibration, "Calibration", "calibrationButton", &CVantisAutoDlg::OnCalibration},
        {kRecalibration, "Re-calibration", "recalibrationButton", &CVantisAutoDlg::OnRecalibration},
        {kResync, "Re-sync", "resyncButton", &CVantisAutoDlg::OnResync},
        {kReset, "Reset", "resetButton", &CVantisAutoDlg::OnReset},
        {kNew, "New", "newButton", &CVantisAutoDlg::OnNew},
        {kOthers, "Others", "othersButton", &CVantisAutoDlg::OnOthers},
    };
    QFont font("Tahoma");
    font.setPixelSize(12);
    font.setBold(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    auto* buttonGrid = new QHBoxLayout;
    for (const Def& d : defs) {
        auto* b = new CSkinButton(QString::fromLatin1(d.caption), this);
        b->setObjectName(d.name);
        b->SetTextFont(font);
        b->LoadBitmap(Qt::white, QColor(192, 192, 192), Qt::white, kControlColour);
        b->setEnabled(false);
        connect(b, &QPushButton::clicked, this, [this, h = d.handler] { (this->*h)(); });
        buttons_[d.id] = b;
        buttonGrid->addWidget(b);
    }
    // New is always available: it is how a project begins.
    buttons_[kNew]->setEnabled(true);

    controls_ = new QWidget(this);
    controls_->setObjectName("mainControls");
    auto* controlsLayout = new QVBoxLayout(controls_);
    controlsLayout->setContentsMargins(0, 0, 0, 0);
    controlsLayout->addWidget(list_);
    controlsLayout->addLayout(buttonGrid);
    // How the last Calibration, Re-calibration or Auto Tune ended.
    jobStatus_ = new QLabel(controls_);
    jobStatus_->setObjectName("jobStatus");
    jobStatus_->setStyleSheet("color: white;");
    jobStatus_->setWordWrap(true);
    controlsLayout->addWidget(jobStatus_);

    dock_ = new QWidget(this);
    dock_->setObjectName("dockArea");
    auto* dockLayout = new QVBoxLayout(dock_);
    dockLayout->setContentsMargins(0, 0, 0, 0);
    dock_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 5, 8, 8);
    layout->addWidget(views_, 1);
    layout->addWidget(controls_);
    layout->addWidget(dock_);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        setGeometry(area.x(), area.y() + 5, area.width(), area.height() - 5);
    }
}

void CVantisAutoDlg::BuildMenus() {
    menuBar_ = new QMenuBar(this);
    // Open and Save are not among the buttons; installers reach them here.
    QMenu* file = menuBar_->addMenu(tr("&Project"));
    file->addAction(tr("&Open..."), this, [this] { OnOpen(); });
    file->addAction(tr("&Save..."), this, [this] { OnSave(); });
    file->addAction(tr("&Last report"), this, [this] { OnLastReport(); });
    file->addAction(tr("Export &MPCDI..."), this, [this] { OnExportMpcdi(); });
    QMenu* help = menuBar_->addMenu(tr("&Help"));
    help->addAction(
        QString::fromStdString(meridan::Messages().Format(msg::kAboutMenu, {options_.defaults.appTitle})),
        this, [this] { OnAbout(); });
    menuBar_->setStyleSheet("QMenuBar { background: rgb(41,41,41); color: white; }");
    layout()->setMenuBar(menuBar_);

    auto shortcut = [this](const QKeySequence& keys, void (CVantisAutoDlg::*handler)()) {
        auto* s = new QShortcut(keys, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, [this, handler] {
            if (!busy_) (this->*handler)();
        });
    };
    shortcut(QKeySequence(Qt::Key_Delete), &CVantisAutoDlg::OnDelete);
    shortcut(QKeySequence(Qt::ALT | Qt::Key_F5), &CVantisAutoDlg::OnRelink);
    shortcut(QKeySequence(Qt::ALT | Qt::Key_F6), &CVantisAutoDlg::OnRelink);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_F5), &CVantisAutoDlg::OnSnapshot);
}

void CVantisAutoDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kWindowColour);
}

// ---------------------------------------------------------------------------
// Worker messages

void CVantisAutoDlg::Send(std::function<void()> f) {
    jobs_.Call(std::move(f));
}

void CVantisAutoDlg::Post(std::function<void()> f) {
    jobs_.Post(std::move(f));
}

void CVantisAutoDlg::WakeJobs() {
    QMetaObject::invokeMethod(
        this, [this] { jobs_.Serve(); }, Qt::QueuedConnection);
}

bool CVantisAutoDlg::Ask(const QString& text) {
    if (question_) return question_(text);
    return QMessageBox::question(this, AppTitle(options_.defaults), text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void CVantisAutoDlg::Inform(const QString& text, bool stop) {
    if (messageHandler_) {
        messageHandler_(text);
        return;
    }
    if (stop)
        QMessageBox::critical(this, AppTitle(options_.defaults), text);
    else
        QMessageBox::warning(this, AppTitle(options_.defaults), text);
}

int CVantisAutoDlg::ShowError(const std::string& text) {
    const QString shown = meridan::DisplayText(text);
    if (errorHandler_) return errorHandler_(shown);
    return meridan::ShowErrorText(this, shown);
}

void CVantisAutoDlg::ShowReport(const vantis::messages::ErrorReport& report) {
    const std::string text = vantis::messages::ErrorReporter::ReportText(report);
    if (!text.empty()) ShowError(text);
}

void CVantisAutoDlg::SetBusy(bool busy) {
    busy_ = busy;
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
    // The commands are disabled, not the window: the wait window's Stop, the
    // error dialog and the end message are its children and must stay usable.
    for (QWidget* part : {static_cast<QWidget*>(controls_), dock_, static_cast<QWidget*>(menuBar_)})
        if (part) part->setEnabled(!busy);
}

void CVantisAutoDlg::ApplyButtonEnabling(int e) {
    const meridan::ButtonStates b = meridan::ButtonsAfterJob(doc_, e);
    buttons_[kCamera]->setEnabled(b.camera);
    buttons_[kReset]->setEnabled(b.reset);
    buttons_[kResync]->setEnabled(b.resync);
    buttons_[kRecalibration]->setEnabled(b.recalibration);
    buttons_[kOthers]->setEnabled(b.others);
    buttons_[kConnect]->setEnabled(!doc_.m_channels.empty());
}

meridan::JobRunner::Id CVantisAutoDlg::RunDocumentJob(std::function<void()> work,
                                                      std::function<void()> ended) {
    SetBusy(true);
    return jobs_.Start([work = std::move(work)](const vantis::calibration::StopRequest&) { work(); },
                       [this, ended = std::move(ended)] {
                           SetBusy(false);
                           if (ended) ended();
                       });
}

void CVantisAutoDlg::WaitForJobs() {
    jobs_.JoinAll();
}

void CVantisAutoDlg::WaitForConnection() {
    if (connectionJob_ != 0) jobs_.Join(connectionJob_);
}

void CVantisAutoDlg::StopConnectionWorker() {
    if (!ConnectionRunning()) return;
    // The worker checks the request between channels and then gives up the
    // document lock; meanwhile this thread keeps serving its messages.
    jobs_.RequestStop(connectionJob_);
    WaitForConnection();
}

// ---------------------------------------------------------------------------
// Document and list

void CVantisAutoDlg::GiveIdentityWarps() {
    DocLock lock(DocumentLock());
    for (auto& channel : doc_.m_channels)
        vantis::model::IdentityWarp(doc_.m_nTiming, channel->m_forward, channel->m_source);
}

void CVantisAutoDlg::RebuildChannelList() {
    list_->clear();
    DocLock lock(DocumentLock());
    for (auto& channel : doc_.m_channels) list_->InsertChannel(channel.get());
    list_->RedrawItems();
}

// ---------------------------------------------------------------------------
// Commands

void CVantisAutoDlg::OnConnect() {
    if (closing_) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    StopConnectionWorker();
    doc_.Stop();
    if (wait_) wait_->close();
    wait_ = new CWaitDlg(this);
    wait_->setAttribute(Qt::WA_DeleteOnClose);
    wait_->SetOnClosed([this] { SetBusy(false); });
    wait_->show();
    doc_.Start();
    channelsAtConnect_ = static_cast<int>(doc_.m_channels.size());
    StartConnectionJob(skipQuestion_, std::exchange(reconnectOnly_, false));
    QApplication::restoreOverrideCursor();
}

void CVantisAutoDlg::StartConnectionJob(bool skip, bool keep) {
    auto result = std::make_shared<vantis::calibration::ConnectionResult>();
    connectionJob_ = jobs_.Start(
        [this, skip, keep, result](const vantis::calibration::StopRequest& stop) {
            WindowReporter reporter(*this, stop);
            vantis::calibration::ConnectionOptions options;
            options.skipQuestion = skip;
            options.keepSettings = keep;
            options.prober = prober_;
            *result = vantis::calibration::RunConnectionJob(doc_, reporter, stop, options);
        },
        [this, result] {
            // The wait window's closing makes the window idle again.
            if (wait_) wait_->close();
            list_->RedrawItems();
            ApplyButtonEnabling(result->outcome == vantis::calibration::Outcome::Done ? 1 : 0);
            skipQuestion_ = false;
        });
}

void CVantisAutoDlg::OnNew() {
    // Links are closed before the wizard talks to the projectors; a running
    // connection job is stopped first (it gives up the document lock).
    const bool wasConnecting = ConnectionRunning();
    StopConnectionWorker();
    bool hadLinks = false;
    for (auto& channel : doc_.m_channels) hadLinks = hadLinks || channel->m_hLink != 0;
    doc_.DisconnectAll();
    const bool ok = wizard_ && wizard_(*this, doc_);
    if (!ok) {
        // Cancel leaves the installation as it was: the projectors that were
        // connected (or being connected) are connected again, without a reset.
        if ((wasConnecting || hadLinks) && !doc_.m_channels.empty()) {
            reconnectOnly_ = true;
            OnConnect();
        }
        return;
    }
    SetBusy(true);
    {
        DocLock lock(DocumentLock());
        doc_.m_bCalibrated = false;
        doc_.m_bSyncReady = 0;
    }
    GiveIdentityWarps();
    RebuildChannelList();
    buttons_[kConnect]->setEnabled(!doc_.m_channels.empty());
    SetBusy(false);
    skipQuestion_ = true;
    OnConnect();
}

void CVantisAutoDlg::ShowMainControls(bool show) {
    controls_->setVisible(show);
    dock_->setVisible(!show);
}

void CVantisAutoDlg::PlaceInDock(QWidget* child) {
    if (docked_ && docked_ != child) docked_->close();
    docked_ = child;
    child->setParent(dock_);
    child->setWindowFlags(Qt::Widget);
    dock_->layout()->addWidget(child);
    ShowMainControls(false);
    child->show();
    closeAllowed_ = false;
}

void CVantisAutoDlg::ChildClosed(int which) {
    ShowMainControls(true);
    closeAllowed_ = true;
    const bool cameraOpen = camera_->IsOpened() != 0;
    if (which == kDockCamera) {
        buttons_[kBoundary]->setEnabled(cameraOpen);
        buttons_[kCalibration]->setEnabled(cameraOpen);
        buttons_[kBoundary]->setFocus();
    } else if (which == kDockBoundary) {
        camera_->ByPass(1);
        doc_.m_bBoundaryApplied = 1;
        buttons_[kCalibration]->setEnabled(cameraOpen);
    }
    if (which == kDockCamera || which == kDockBoundary) {
        buttons_[kRecalibration]->setEnabled(cameraOpen && meridan::CanRecalibrate(doc_));
        buttons_[kCalibration]->setFocus();
    }
}

void CVantisAutoDlg::ShowThresholdPicture(bool threshold) {
    views_->setCurrentWidget(threshold ? static_cast<QWidget*>(threshold_) : camera_);
}

namespace {

QWidget* MakeDocked(std::map<CVantisAutoDlg::DockChild, CVantisAutoDlg::DockFactory>& factories,
                    CVantisAutoDlg::DockChild which, CVantisAutoDlg& main) {
    auto it = factories.find(which);
    return it != factories.end() && it->second ? it->second(main) : nullptr;
}

}  // namespace

void CVantisAutoDlg::OnCamera() {
    if (QWidget* w = MakeDocked(dockFactories_, kDockCamera, *this)) PlaceInDock(w);
}

void CVantisAutoDlg::OnBoundary() {
    if (QWidget* w = MakeDocked(dockFactories_, kDockBoundary, *this)) PlaceInDock(w);
}

void CVantisAutoDlg::OnOthers() {
    if (QWidget* w = MakeDocked(dockFactories_, kDockOthers, *this)) w->show();
}

meridan::JobRunner::Id CVantisAutoDlg::RunWorkflow(Workflow work, std::function<void()> ended) {
    SetBusy(true);
    workflowJob_ = jobs_.Start(
        [this, work = std::move(work)](vantis::calibration::StopRequest& stop) {
            WindowReporter reporter(*this, stop);
            work(reporter, stop);
        },
        [this, ended = std::move(ended)] {
            workflowJob_ = 0;
            CloseProgress();
            SetBusy(false);
            if (ended) ended();
        });
    return workflowJob_;
}

void CVantisAutoDlg::StopWorkflow() {
    if (workflowJob_ != 0) jobs_.RequestStop(workflowJob_);
}

void CVantisAutoDlg::OpenProgress(const QString& title, meridan::JobRunner::Id job) {
    if (wait_) wait_->close();
    wait_ = new CWaitDlg(this);
    wait_->setAttribute(Qt::WA_DeleteOnClose);
    wait_->setWindowTitle(title);
    wait_->SetStatus(title, 0, 1);
    wait_->SetStopHandler([this, job] {
        jobs_.RequestStop(job);
        if (pendingReview_) EndThresholdReview(false);
    });
    wait_->show();
}

void CVantisAutoDlg::CloseProgress() {
    if (wait_) wait_->close();
}

void CVantisAutoDlg::ShowJobEnd(const QString& text) {
    lastJobEnd_ = text;
    jobStatus_->setText(text);
    if (messageHandler_) {
        messageHandler_(text);
        return;
    }
    // Not modal: the operator reads it while the window stays usable.
    auto* box =
        new QMessageBox(QMessageBox::Information, AppTitle(options_.defaults), text, QMessageBox::Ok, this);
    box->setObjectName("jobEndMessage");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void CVantisAutoDlg::OnCalibration() {
    buttons_[kCalibration]->setFocus();
    if (calibrationHook_) {
        calibrationHook_(*this);
        return;
    }
    buttons_[kCalibration]->setEnabled(false);
    struct Run {
        vantis::calibration::SequenceResult result;
        int channels = 0;
        int photosSaved = 0;
        std::time_t started = std::time(nullptr);
        bool projectorLost = false;
        std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    };
    auto run = std::make_shared<Run>();
    run->channels = static_cast<int>(doc_.m_channels.size());
    std::vector<int> octets;
    for (int i = 0; i < run->channels; ++i) octets.push_back(OctetOf(doc_, i));
    const auto id = RunWorkflow(
        [this, run, octets](vantis::calibration::Reporter& r, vantis::calibration::StopRequest& stop) {
            r.Busy(true);
            // The calibration clears the projectors itself, once it found the
            // boundary fit to calibrate to.
            vantis::calibration::OculetCamera oculet(*camera_->Graph());
            meridan::ProgressCamera camera(oculet, [this, &r, &stop, run, octets](int number) {
                meridan::StopWhenProjectorLost(doc_, number, r, stop, &run->projectorLost);
                const meridan::JobStep step = meridan::CalibrationPhotoStep(
                    number, run->channels, meridan::OctetOfPhoto(number, octets));
                r.Status(step.text, step.position, step.range);
            });
            const auto engine = meridan::AnnouncingWarps(vantis::calibration::EngineCalls{}, [&r, run] {
                const meridan::JobStep step = meridan::CalibrationComputeStep(run->channels);
                r.Status(step.text, step.position, step.range);
            });
            vantis::calibration::CaptureOptions options;
            options.vendorWord = options_.defaults.vid;
            run->result = vantis::calibration::RunCalibration(doc_, camera, r, stop, engine, options);
            run->photosSaved = camera.PhotosSaved();
            // The report is measured and written here, off the window thread.
            const auto report = vantis::calibration::FinishReport(
                doc_,
                vantis::calibration::SequenceFacts(run->result, vantis::calibration::RunKind::Calibration,
                                                   run->started),
                ReportFolder(), vantis::calibration::ReadReportThresholds(vantis::model::DefaultIniPath()));
            Post([this, shown = report.report] { ShowRunReport(shown); });
            r.Busy(false);
        },
        [this, run] {
            const auto& result = run->result;
            if (result.outcome == vantis::calibration::Outcome::Done) {
                buttons_[kRecalibration]->setEnabled(true);
                buttons_[kResync]->setEnabled(doc_.m_bSyncReady != 0);
                buttons_[kCalibration]->setEnabled(true);
            } else if (result.captured || result.outcome == vantis::calibration::Outcome::Stopped) {
                // The engine refused the photos, or the operator stopped: another try may do better.
                buttons_[kCalibration]->setEnabled(camera_->IsOpened() != 0);
            }
            meridan::JobFigures f;
            f.channels = run->channels;
            f.channelsDone =
                result.captured ? run->channels : meridan::ChannelsPhotographed(run->photosSaved);
            f.seconds = SecondsSince(run->start);
            const auto outcome = run->projectorLost ? vantis::calibration::Outcome::Failed : result.outcome;
            ShowJobEnd(QString::fromStdString(meridan::CalibrationEndText(outcome, f)));
        });
    OpenProgress(tr("Calibration"), id);
    wait_->SetStatus(QString::fromStdString(meridan::CalibrationPhotoStep(0, run->channels, 0).text), 0,
                     meridan::CalibrationStepCount(run->channels));
}

void CVantisAutoDlg::OnRecalibration() {
    if (recalibrationHook_) {
        recalibrationHook_(*this);
        return;
    }
    buttons_[kRecalibration]->setEnabled(false);
    struct Run {
        vantis::calibration::SequenceResult result;
        int channels = 0;
        std::chrono::steady_clock::time_point start;
    };
    auto run = std::make_shared<Run>();
    run->channels = static_cast<int>(doc_.m_channels.size());
    RunWorkflow(
        [this, run](vantis::calibration::Reporter& r, vantis::calibration::StopRequest& stop) {
            r.Busy(true);
            doc_.ClearAll();
            r.Busy(false);
            // The review runs in the dock on the window thread; this worker
            // waits for its answer, or for a stop request (Cancel).
            auto review = [this, &stop, run](VantisAuto::CDoc&) {
                auto answer = std::make_shared<std::promise<bool>>();
                std::future<bool> result = answer->get_future();
                Post([this, answer] { BeginThresholdReview(answer); });
                while (result.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
                    if (stop.Requested()) return false;
                const bool done = result.get();
                // Time counts from the operator's Done: the review is not the job's.
                run->start = std::chrono::steady_clock::now();
                if (done)
                    Post([this] {
                        OpenProgress(tr("Re-calibration"), workflowJob_);
                        wait_->SetStatus(QString::fromStdString(meridan::CalibrationComputeStep(0).text), 0,
                                         1);
                    });
                return done;
            };
            const std::time_t started = std::time(nullptr);
            run->result =
                vantis::calibration::RunRecalibration(doc_, r, review, vantis::calibration::EngineCalls{});
            // Cancelled at the review: nothing ran, nothing to report.
            if (run->result.outcome != vantis::calibration::Outcome::Stopped) {
                const auto report = vantis::calibration::FinishReport(
                    doc_,
                    vantis::calibration::SequenceFacts(run->result,
                                                       vantis::calibration::RunKind::Recalibration, started),
                    ReportFolder(),
                    vantis::calibration::ReadReportThresholds(vantis::model::DefaultIniPath()));
                Post([this, shown = report.report] { ShowRunReport(shown); });
            }
            r.Busy(false);
        },
        [this, run] {
            const auto& result = run->result;
            if (result.outcome != vantis::calibration::Outcome::Failed)
                buttons_[kRecalibration]->setEnabled(true);
            if (result.outcome == vantis::calibration::Outcome::Done)
                buttons_[kResync]->setEnabled(doc_.m_bSyncReady != 0);
            meridan::JobFigures f;
            f.channels = run->channels;
            f.channelsDone = result.outcome == vantis::calibration::Outcome::Done ? run->channels : 0;
            f.seconds = SecondsSince(run->start);
            ShowJobEnd(QString::fromStdString(meridan::RecalibrationEndText(result.outcome, f)));
        });
}

void CVantisAutoDlg::BeginThresholdReview(std::shared_ptr<std::promise<bool>> answer) {
    if (closing_) {
        answer->set_value(false);
        return;
    }
    pendingReview_ = std::move(answer);
    ShowMainControls(false);
    ShowThresholdPicture(true);
    SetBusy(false);
    if (QWidget* w = MakeDocked(dockFactories_, kDockThreshold, *this)) {
        PlaceInDock(w);
        return;
    }
    // Without a review dialog there is nothing to decide: Cancel.
    EndThresholdReview(false);
}

void CVantisAutoDlg::EndThresholdReview(bool done) {
    ShowThresholdPicture(false);
    ChildClosed(kDockThreshold);
    raise();
    if (auto answer = std::exchange(pendingReview_, nullptr)) {
        SetBusy(done);
        answer->set_value(done);
    }
}

void CVantisAutoDlg::OnResync() {
    RunDocumentJob([this] {
        doc_.DownloadWarps();
        if (meridan::SolutionBlends(doc_)) doc_.DownloadBlends(doc_.m_gamma.m_gamma);
        doc_.SaveAll();
    });
}

void CVantisAutoDlg::OnReset() {
    // Blank the projectors, reset the blend gamma and the system, put identity
    // warps in and keep them; one worker does it all, in this order.
    RunDocumentJob([this] {
        doc_.ClearAll();
        doc_.ResetBlendGamma();
        doc_.ResetAll();
        doc_.DownloadIdentityWarps();
        doc_.SaveAll();
    });
}

void CVantisAutoDlg::OnSave(const QString& given) {
    QString path = given;
    if (path.isEmpty()) path = QFileDialog::getSaveFileName(this, QString(), "Untitle.cfa", kFileFilter);
    if (path.isEmpty()) return;
    if (!path.endsWith(".cfa", Qt::CaseInsensitive) && QFileInfo(path).suffix().isEmpty()) path += ".cfa";
    SetBusy(true);
    std::string error;
    bool ok;
    {
        DocLock lock(DocumentLock());
        ok = vantis::model::SaveProjectFile(doc_, path.toStdString(), &error);
    }
    SetBusy(false);
    if (!ok) {
        ShowError(error);
        return;
    }
    RunDocumentJob([this] { doc_.SaveAll(); });
}

void CVantisAutoDlg::OnExportMpcdi(const QString& given) {
    QString path = given;
    if (path.isEmpty())
        path = QFileDialog::getSaveFileName(this, tr("Export MPCDI"), "Untitle.mpcdi", tr("MPCDI (*.mpcdi)"));
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += ".mpcdi";
    SetBusy(true);
    // The warps and blend zones as the boards hold them, taken under the lock;
    // the files are built outside it.
    // A project opened (or the program started) since the last calibration
    // holds no warps in memory: the ones that calibration kept beside the
    // configuration stand in when they are of these channels.
    std::vector<int> identity;
    vantis::mpcdi::ExportProject project;
    {
        DocLock lock(DocumentLock());
        std::vector<vantis::model::StoredWarp> kept;
        std::string why;
        const bool useKept =
            !static_cast<bool>(doc_.m_bWarped) &&
            vantis::model::LoadWarps(ReportFolder() / vantis::model::kWarpsFileName, &kept, nullptr) &&
            vantis::model::FitWarpsToDocument(&kept, doc_, &why);
        project = vantis::mpcdi::ProjectFromDocument(doc_, &identity, useKept ? &kept : nullptr);
    }
    std::string error;
    const bool ok = vantis::mpcdi::WriteMpcdi(project, path.toStdString(), &error);
    SetBusy(false);
    if (!ok) {
        ShowError(error);
        return;
    }
    if (!identity.empty()) {
        QStringList numbers;
        for (const int channel : identity) numbers << QString::number(channel);
        Inform(tr("Exported. Channels without a calibrated warp were exported with their identity warp: %1")
                   .arg(numbers.join(", ")),
               false);
    }
}

void CVantisAutoDlg::OnOpen(const QString& given) {
    QString path = given;
    if (path.isEmpty()) path = QFileDialog::getOpenFileName(this, QString(), QString(), kFileFilter);
    if (path.isEmpty()) return;
    SetBusy(true);
    StopConnectionWorker();
    // Read into a separate document first: a file that cannot be read leaves
    // the current project as it was.
    VantisAuto::CDoc loaded;
    std::string error;
    if (!vantis::model::LoadProjectFile(loaded, path.toStdString(), &error)) {
        SetBusy(false);
        ShowError(error);
        return;
    }
    list_->clear();
    for (auto& [id, b] : buttons_)
        if (id != kNew) b->setEnabled(false);
    {
        DocLock lock(DocumentLock());
        doc_.DeleteAllChannels();
        doc_.TakeProjectFrom(loaded);
        doc_.m_bFromFile = 1;
    }
    GiveIdentityWarps();
    RebuildChannelList();
    buttons_[kConnect]->setEnabled(!doc_.m_channels.empty());
    SetBusy(false);
    OnConnect();
}

void CVantisAutoDlg::OnDelete() {
    if (ConnectionRunning()) return;
    SetBusy(true);
    const int index = list_->GetSelectedItem();
    const int count = meridan::DeleteChannelAt(doc_, index);
    if (count >= 0) {
        delete list_->takeItem(index);
        if (index > 0) list_->SelectItem(index - 1);
        channelsAtConnect_ = count;
        list_->RedrawItems();
    }
    SetBusy(false);
}

void CVantisAutoDlg::OnModifyAddress() {
    const int index = list_->GetSelectedItem();
    if (index >= 0) list_->StartLabelEdit(index);
}

bool CVantisAutoDlg::OnEndLabelEdit(int index, const QString& text) {
    CChannel* channel = list_->ChannelAt(index);
    if (!channel || text.isEmpty()) return true;
    const auto address = meridan::AddressFromLabel(text.toStdString(), channel->m_dwIp);
    if (!address) return true;
    if (meridan::IsAddressRepeat(doc_, *address)) {
        Inform(Text(msg::kIpAddressRepeat), false);
        return true;
    }
    {
        DocLock lock(DocumentLock());
        channel->CloseLink();
        channel->m_nState = CChannel::kStateNotConnected;
        channel->m_dwIp = *address;
    }
    list_->RedrawItems();
    return false;
}

void CVantisAutoDlg::OnChannelResync() {
    const int index = list_->GetSelectedItem();
    CChannel* channel = list_->ChannelAt(index);
    if (!channel) return;
    RunDocumentJob([this, channel] {
        DocLock lock(DocumentLock());
        doc_.DownloadChannelWarp(*channel);
    });
}

void CVantisAutoDlg::OnChannelReset() {
    const int index = list_->GetSelectedItem();
    CChannel* channel = list_->ChannelAt(index);
    if (!channel) return;
    RunDocumentJob([this, channel] {
        DocLock lock(DocumentLock());
        doc_.DownloadChannelIdentityWarp(doc_.m_nTiming, *channel);
    });
}

void CVantisAutoDlg::OnRelink() {
    if (ConnectionRunning()) return;
    RunDocumentJob([this] {
        DocLock lock(DocumentLock());
        for (auto& channel : doc_.m_channels) {
            if (!channel->m_bSelected || dvOrvelAutoIsAlive(channel->m_hLink)) continue;
            if (!(prober_ ? vantis::model::IsReachable(channel->m_dwIp, *prober_)
                          : vantis::model::IsReachable(channel->m_dwIp)))
                continue;
            const LinkHandle link = dvOrvelAutoOpen(channel->m_dwIp);
            if (link != 0) {
                dvOrvelAutoDisconnect(link);
                dvOrvelAutoDisconnect(0);
            }
        }
    });
}

void CVantisAutoDlg::OnSnapshot() {
    camera_->SetFilePrefixName(options_.defaults.pid);
    camera_->TakePhoto(snapshotCounter_++);
}

void CVantisAutoDlg::OnAbout() {
    const std::uint32_t v = options_.defaults.appVersion;
    const QString caption =
        QString::fromStdString(meridan::Messages().Format(msg::kAboutCaption, {options_.defaults.appTitle}));
    const QString line =
        caption + QString(" %1.%2.%3").arg(v >> 24).arg((v >> 16) & 0xFF).arg((v >> 8) & 0xFF);
    if (messageHandler_) {
        messageHandler_(line);
        return;
    }
    QMessageBox::about(this, caption, line);
}

void CVantisAutoDlg::OnContextMenu(const QPoint& globalPos) {
    QMenu menu(tr("Channel"), this);
    menu.addAction(tr("Modify IP Address"), this, [this] { OnModifyAddress(); });
    // Re-Sync and Reset need a live, verified link; the test marks a dead link.
    bool usable = false;
    if (CChannel* channel = list_->ChannelAt(list_->GetSelectedItem())) {
        if (!dvOrvelAutoIsAlive(channel->m_hLink)) channel->m_nState = CChannel::kStateNotConnected;
        usable = dvOrvelAutoIsAlive(channel->m_hLink) && channel->m_bLinkVerified;
    }
    menu.addAction(tr("Re-Sync"), this, [this] { OnChannelResync(); })->setEnabled(usable);
    menu.addAction(tr("Reset"), this, [this] { OnChannelReset(); })->setEnabled(usable);
    menu.addAction(tr("Connect"))->setEnabled(ConnectionRunning());
    menu.addSeparator();
    menu.addAction(tr("Delete"), this, [this] { OnDelete(); });
    list_->RedrawItems();
    menu.exec(globalPos);
}

void CVantisAutoDlg::OnCameraCheck() {
    if (closing_) return;
    // Never wait for the document lock here: a worker may hold it for a whole
    // capture. When it is taken, check again a little later.
    std::unique_lock<std::recursive_mutex> lock(DocumentLock(), std::try_to_lock);
    if (!lock.owns_lock()) {
        RetryCameraCheck();
        return;
    }
    const std::wstring name = doc_.GetCameraName();
    const auto check =
        meridan::DecideCameraCheck(name, meridan::AttachedCameraNames(), camera_->IsOpened() != 0);
    if (check.stopView && workflowJob_ != 0) {
        // A workflow photographing with the camera that went cannot succeed:
        // it is stopped, and the view closes once it has ended.
        jobs_.RequestStop(workflowJob_);
        lock.unlock();
        RetryCameraCheck();
        return;
    }
    if (check.clearName) doc_.ClearCameraName();
    lock.unlock();
    if (check.stopView) {
        camera_->Stop();
        buttons_[kBoundary]->setEnabled(false);
        buttons_[kCalibration]->setEnabled(false);
        doc_.m_bBoundaryApplied = 0;
        Inform(QString::fromStdString(meridan::Messages().Format(
                   msg::kLostCamera, {QString::fromStdWString(name).toStdString()})),
               true);
    }
}

void CVantisAutoDlg::RetryCameraCheck() {
    if (cameraCheckPending_) return;
    cameraCheckPending_ = true;
    QTimer::singleShot(200, this, [this] {
        cameraCheckPending_ = false;
        OnCameraCheck();
    });
}

// ---------------------------------------------------------------------------
// Closing

bool CVantisAutoDlg::SaveOnClose() {
    std::unique_lock<std::recursive_mutex> lock(DocumentLock(), std::try_to_lock);
    if (!lock.owns_lock()) return false;
    std::string error;
    const bool saved = vantis::model::SaveSystemConfig(doc_, options_.defaults.vid, "Config", &error) == 1;
    lock.unlock();
    // The operator learns that the project was not kept (the window still closes).
    if (!saved)
        ShowError(error.empty() ? std::string("The system configuration could not be saved.") : error);
    return true;
}

void CVantisAutoDlg::CloseForSignal() {
    closingForSignal_ = true;
    close();
}

void CVantisAutoDlg::closeEvent(QCloseEvent* event) {
    if (!closeAllowed_ && !closingForSignal_) {
        event->ignore();
        return;
    }
    closing_ = true;
    if (watcher_) watcher_->Stop();
    // The workers end first (they give up the document lock), then the
    // project is kept as the system configuration.
    jobs_.RequestStopAll();
    if (auto answer = std::exchange(pendingReview_, nullptr)) answer->set_value(false);
    WaitForJobs();
    if (closingForSignal_) {
        doc_.RestorePictures();
        camera_->Stop();
        threshold_->Stop();
        doc_.Stop();
        event->accept();
        return;
    }
    if (!SaveOnClose()) {
        // Another thread holds the document for a moment: close again shortly.
        event->ignore();
        QTimer::singleShot(100, this, [this] { close(); });
        return;
    }
    camera_->Stop();
    threshold_->Stop();
    doc_.Stop();
    event->accept();
}

std::filesystem::path CVantisAutoDlg::ReportFolder() const {
    return vantis::model::SystemConfigPath(options_.defaults.vid).parent_path();
}

void CVantisAutoDlg::ShowRunReport(const vantis::calibration::RunReport& report) {
    if (closing_) return;
    auto* panel = new meridan::ReportPanel(report, this);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->SetOnClose([this] {
        ShowMainControls(true);
        closeAllowed_ = true;
    });
    PlaceInDock(panel);
}

void CVantisAutoDlg::OnLastReport() {
    const std::filesystem::path file = vantis::calibration::LatestReport(ReportFolder());
    vantis::calibration::RunReport report;
    std::string why;
    if (file.empty()) {
        Inform(tr("There is no calibration report yet."), false);
        return;
    }
    if (!vantis::calibration::ReadReport(file, &report, &why)) {
        Inform(tr("The last calibration report cannot be read: %1").arg(QString::fromStdString(why)), false);
        return;
    }
    ShowRunReport(report);
}
