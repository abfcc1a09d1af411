#include "meridan/CVantisAutoDlg.h"

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
#include <QVBoxLayout>

#include <future>
#include <utility>

#include "dvOrvelAuto.h"
#include "meridan/CChannelIconListCtrl.h"
#include "meridan/CErrorMsgDlg.h"
#include "meridan/CWaitDlg.h"
#include "meridan/DeviceWatcher.h"
#include "calibration/calibration_sequence.h"
#include "calibration/connection_job.h"
#include "calibration/oculet_camera.h"
#include "meridan/main_logic.h"
#include "meridan/skin/CSkinButton.h"
#include "oculet/CCvImageCtrl.h"
#include "oculet/CDShowCameraCtrl.h"
#include "vantis/delays.h"
#include "vantis/messages/calibration_messages.h"
#include "vantis/model/device_ops.h"
#include "vantis/model/doc_lock.h"
#include "vantis/model/project_file.h"

using VantisAuto::CChannel;
using VantisAuto::DocLock;
using VantisAuto::DocumentLock;
namespace msg = meridan::msg;

namespace {

const QColor kWindowColour(41, 41, 41);
const QColor kControlColour(73, 73, 73);
const char* kFileFilter = "Vantis Auto (*.cfa);;All files (*)";

QString Text(int id) { return QString::fromStdString(meridan::Messages().Text(id)); }

QString AppTitle(const vantis::model::Defaults& d) { return QString::fromStdString(d.appTitle); }

// A workflow's reports, carried to the window thread: status lines go to the
// wait window when there is one, errors to the error dialog.
class WindowReporter : public vantis::calibration::Reporter {
public:
    explicit WindowReporter(CVantisAutoDlg& w) : w_(w) {}
    void Status(const std::string& text, int position, int range) override {
        w_.Send([&] {
            if (auto* wait = w_.WaitWindow()) wait->SetStatus(QString::fromStdString(text), position, range);
        });
    }
    void Busy(bool busy) override {
        w_.Send([&] { w_.SetBusy(busy); });
    }
    void Error(const std::string& text) override {
        w_.Send([&] { w_.ShowError(text); });
    }
    bool Ask(const std::string& question) override {
        bool yes = true;
        w_.Send([&] { yes = w_.Ask(QString::fromStdString(question)); });
        return yes;
    }
    void ChannelsChanged() override {
        w_.Send([&] {
            if (!w_.WaitWindow() || !w_.WaitWindow()->UpdatesSuppressed()) w_.ChannelList()->RedrawItems();
        });
    }

private:
    CVantisAutoDlg& w_;
};

}  // namespace

CVantisAutoDlg::CVantisAutoDlg(const Options& options, QWidget* parent) : QWidget(parent), options_(options) {
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
    stopConnection_.Request();
    if (connection_.joinable()) {
        WaitForConnection();
        connection_.join();
    }
    workflowStop_.Request();
    if (std::promise<bool>* answer = std::exchange(pendingReview_, nullptr)) answer->set_value(false);
    WaitForJobs();
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
    list_->SetLabelEditHandler([this](int index, const QString& text) { return OnEndLabelEdit(index, text); });
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
    QMenu* help = menuBar_->addMenu(tr("&Help"));
    help->addAction(QString::fromStdString(meridan::Messages().Format(msg::kAboutMenu, {options_.defaults.appTitle})),
                    this, [this] { OnAbout(); });
    menuBar_->setStyleSheet("QMenuBar { background: rgb(41,41,41); color: white; }");
    layout()->setMenuBar(menuBar_);

    auto shortcut = [this](const QKeySequence& keys, void (CVantisAutoDlg::*handler)()) {
        auto* s = new QShortcut(keys, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, [this, handler] { (this->*handler)(); });
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
    if (QThread::currentThread() == thread()) {
        f();
        return;
    }
    QMetaObject::invokeMethod(this, std::move(f), Qt::BlockingQueuedConnection);
}

void CVantisAutoDlg::Post(std::function<void()> f) { QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection); }

bool CVantisAutoDlg::Ask(const QString& text) {
    if (question_) return question_(text);
    return QMessageBox::question(this, AppTitle(options_.defaults), text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
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
    setEnabled(!busy);
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

void CVantisAutoDlg::RunDocumentJob(std::function<void()> work) {
    ++jobsRunning_;
    SetBusy(true);
    std::thread([this, work = std::move(work)] {
        work();
        Post([this] {
            SetBusy(false);
            --jobsRunning_;
        });
    }).detach();
}

void CVantisAutoDlg::WaitForJobs() {
    while (jobsRunning_.load() > 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void CVantisAutoDlg::WaitForConnection() {
    while (connection_.joinable() && !connectionDone_.load())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // Requests the worker posted just before it ended (the wait window's close).
    QCoreApplication::processEvents();
}

void CVantisAutoDlg::StopConnectionWorker() {
    if (!connection_.joinable()) return;
    // The worker checks the request between channels and then gives up the
    // document lock; meanwhile this thread keeps serving its messages.
    stopConnection_.Request();
    WaitForConnection();
    connection_.join();
    stopConnection_.Clear();
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
    const bool skip = skipQuestion_;
    connectionDone_ = false;
    connection_ = std::thread([this, skip] {
        WindowReporter reporter(*this);
        vantis::calibration::ConnectionOptions options;
        options.skipQuestion = skip;
        options.prober = prober_;
        const auto result = vantis::calibration::RunConnectionJob(doc_, reporter, stopConnection_, options);
        // The wait window's closing makes the window idle again.
        Post([this] {
            if (wait_) wait_->close();
        });
        const int e = result.outcome == vantis::calibration::Outcome::Done ? 1 : 0;
        Send([this, e] {
            list_->RedrawItems();
            ApplyButtonEnabling(e);
            skipQuestion_ = false;
        });
        connectionDone_ = true;
    });
    QApplication::restoreOverrideCursor();
}

void CVantisAutoDlg::OnNew() {
    // Links are closed before the wizard talks to the projectors; a running
    // connection job is stopped first (it gives up the document lock).
    StopConnectionWorker();
    doc_.DisconnectAll();
    bool ok = false;
    if (wizard_) {
        ok = wizard_(*this, doc_);
    } else {
        Inform(tr("The new-project wizard is not built yet."), false);
    }
    if (!ok) return;
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
        buttons_[kRecalibration]->setEnabled(cameraOpen && doc_.m_bCalibrated);
        buttons_[kCalibration]->setFocus();
    }
}

void CVantisAutoDlg::ShowThresholdPicture(bool threshold) {
    views_->setCurrentWidget(threshold ? static_cast<QWidget*>(threshold_) : camera_);
}

void CVantisAutoDlg::OpenPlaceholder(DockChild which, const QString& title) {
    auto* panel = new QWidget;
    panel->setObjectName("dockPlaceholder");
    panel->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QHBoxLayout(panel);
    auto* label = new QLabel(tr("The %1 dialog is not built yet.").arg(title), panel);
    label->setStyleSheet("color: white;");
    auto* close = new CSkinButton(tr("Close"), panel);
    close->setEnabled(true);
    layout->addWidget(label, 1);
    layout->addWidget(close);
    connect(close, &QPushButton::clicked, this, [this, panel, which] {
        panel->close();
        // Closing the review's placeholder counts as Cancel.
        if (which == kDockThreshold)
            EndThresholdReview(false);
        else
            ChildClosed(which);
    });
    PlaceInDock(panel);
}

void CVantisAutoDlg::OnCamera() {
    auto it = dockFactories_.find(kDockCamera);
    if (it != dockFactories_.end() && it->second) {
        if (QWidget* w = it->second(*this)) PlaceInDock(w);
        return;
    }
    OpenPlaceholder(kDockCamera, tr("camera"));
}

void CVantisAutoDlg::OnBoundary() {
    auto it = dockFactories_.find(kDockBoundary);
    if (it != dockFactories_.end() && it->second) {
        if (QWidget* w = it->second(*this)) PlaceInDock(w);
        return;
    }
    OpenPlaceholder(kDockBoundary, tr("boundary"));
}

void CVantisAutoDlg::OnOthers() {
    auto it = dockFactories_.find(kDockOthers);
    if (it != dockFactories_.end() && it->second) {
        if (QWidget* w = it->second(*this)) w->show();
        return;
    }
    Inform(tr("The edge-blending settings dialog is not built yet."), false);
}

void CVantisAutoDlg::RunWorkflow(std::function<void(vantis::calibration::Reporter&)> work) {
    ++jobsRunning_;
    SetBusy(true);
    std::thread([this, work = std::move(work)] {
        WindowReporter reporter(*this);
        work(reporter);
        Post([this] { --jobsRunning_; });
    }).detach();
}

void CVantisAutoDlg::OnCalibration() {
    buttons_[kCalibration]->setFocus();
    if (calibrationHook_) {
        calibrationHook_(*this);
        return;
    }
    buttons_[kCalibration]->setEnabled(false);
    RunWorkflow([this](vantis::calibration::Reporter& r) {
        r.Busy(true);
        doc_.ClearAll();
        r.Busy(false);
        r.Busy(true);
        vantis::calibration::OculetCamera camera(*camera_->Graph());
        vantis::calibration::CaptureOptions options;
        options.vendorWord = options_.defaults.vid;
        const auto result =
            vantis::calibration::RunCalibration(doc_, camera, r, workflowStop_, vantis::calibration::EngineCalls{}, options);
        r.Busy(false);
        Send([this, result] {
            if (result.outcome == vantis::calibration::Outcome::Done) {
                buttons_[kRecalibration]->setEnabled(true);
                buttons_[kResync]->setEnabled(doc_.m_bSyncReady != 0);
                buttons_[kCalibration]->setEnabled(true);
            } else if (result.captured) {
                // The engine refused the photos: another try may do better.
                buttons_[kCalibration]->setEnabled(true);
            }
        });
    });
}

void CVantisAutoDlg::OnRecalibration() {
    if (recalibrationHook_) {
        recalibrationHook_(*this);
        return;
    }
    buttons_[kRecalibration]->setEnabled(false);
    RunWorkflow([this](vantis::calibration::Reporter& r) {
        r.Busy(true);
        doc_.ClearAll();
        r.Busy(false);
        r.Busy(true);
        // The review runs in the dock on the window thread; this worker waits for its answer.
        auto review = [this](VantisAuto::CDoc&) {
            std::promise<bool> answer;
            std::future<bool> result = answer.get_future();
            Send([this, &answer] { BeginThresholdReview(&answer); });
            return result.get();
        };
        const auto result =
            vantis::calibration::RunRecalibration(doc_, r, review, vantis::calibration::EngineCalls{});
        r.Busy(false);
        Send([this, result] {
            if (result.outcome != vantis::calibration::Outcome::Failed) buttons_[kRecalibration]->setEnabled(true);
            if (result.outcome == vantis::calibration::Outcome::Done) buttons_[kResync]->setEnabled(doc_.m_bSyncReady != 0);
        });
    });
}

void CVantisAutoDlg::BeginThresholdReview(std::promise<bool>* answer) {
    pendingReview_ = answer;
    ShowMainControls(false);
    ShowThresholdPicture(true);
    SetBusy(false);
    auto it = dockFactories_.find(kDockThreshold);
    if (it != dockFactories_.end() && it->second) {
        if (QWidget* w = it->second(*this)) {
            PlaceInDock(w);
            return;
        }
    }
    OpenPlaceholder(kDockThreshold, tr("threshold"));
}

void CVantisAutoDlg::EndThresholdReview(bool done) {
    ShowThresholdPicture(false);
    ChildClosed(kDockThreshold);
    raise();
    if (std::promise<bool>* answer = std::exchange(pendingReview_, nullptr)) {
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
    if (path.isEmpty())
        path = QFileDialog::getSaveFileName(this, QString(), "Untitle.cfa", kFileFilter);
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
    const QString caption = QString::fromStdString(meridan::Messages().Format(msg::kAboutCaption, {options_.defaults.appTitle}));
    const QString line = caption + QString(" %1.%2.%3").arg(v >> 24).arg((v >> 16) & 0xFF).arg((v >> 8) & 0xFF);
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
    SetBusy(true);
    const std::wstring name = doc_.GetCameraName();
    const auto check = meridan::DecideCameraCheck(name, meridan::AttachedCameraNames(), camera_->IsOpened() != 0);
    if (check.stopView) {
        camera_->Stop();
        buttons_[kBoundary]->setEnabled(false);
        buttons_[kCalibration]->setEnabled(false);
        doc_.m_bBoundaryApplied = 0;
        Inform(QString::fromStdString(meridan::Messages().Format(msg::kLostCamera, {QString::fromStdWString(name).toStdString()})),
               true);
    }
    if (check.clearName) doc_.ClearCameraName();
    SetBusy(false);
}

// ---------------------------------------------------------------------------
// Closing

void CVantisAutoDlg::SaveOnClose() {
    DocLock lock(DocumentLock());
    std::string error;
    vantis::model::SaveSystemConfig(doc_, options_.defaults.vid, "Config", &error);
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
    StopConnectionWorker();
    workflowStop_.Request();
    WaitForJobs();
    if (closingForSignal_) {
        doc_.RestorePictures();
    } else {
        SaveOnClose();
    }
    camera_->Stop();
    threshold_->Stop();
    doc_.Stop();
    event->accept();
}
