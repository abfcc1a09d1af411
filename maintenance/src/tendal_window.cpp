#include "tendal_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include "calibration/maintenance_run.h"
#include "calibration/oculet_camera.h"
#include "calibration/stop_signals.h"
#include "oculet/CDShowCameraCtrl.h"
#include "vantis/delays.h"
#include "vantis/gui_style.h"
#include "vantis/messages/maintenance_messages.h"

namespace tendal {

namespace {

// Log lines go to the window thread, which shows them with their short time;
// the run thread never touches a widget. Each line also goes to Tendal.log,
// with date and time.
class WindowReporter : public vantis::calibration::Reporter {
  public:
    WindowReporter(TendalWindow* window, LogFile& file) : window_(window), file_(file) {}
    void Log(const std::string& line) override {
        file_.Append(line);
        QMetaObject::invokeMethod(window_, "AppendLog", Qt::QueuedConnection,
                                  Q_ARG(QString, QString::fromStdString(line)));
    }
    void Error(const std::string& text) override {
        Log(text.empty() || text.back() == '\n' ? text : text + "\r\n");
    }

  private:
    TendalWindow* window_;
    LogFile& file_;
};

// The camera view control's graph, with the view's own steps (boundary
// tables, timing, grid) made on the window thread.
class ViewCamera : public vantis::calibration::OculetCamera {
  public:
    explicit ViewCamera(CDShowCameraCtrl* view) : OculetCamera(*view->Graph()), view_(view) {}
    bool Open(int index, const vantis::calibration::CameraSetup& setup) override {
        bool ok = false;
        QMetaObject::invokeMethod(
            view_,
            [&] {
                view_->Stop();
                view_->Close();
                if (setup.boundary) {
                    grid::PointPP a = setup.boundary->TableA(), b = setup.boundary->TableB(),
                                  c = setup.boundary->TableC();
                    grid::RectPP r = setup.boundary->Rects();
                    view_->SetBoundaryTable(a, b, c, r);
                }
                ok = view_->Open(index, setup.width, setup.height) == 1;
                if (!ok) return;
                view_->SetTiming({setup.panelWidth, setup.panelHeight}, {setup.gridColumns, setup.gridRows});
                view_->Run();
                view_->GetProperty();
            },
            Qt::BlockingQueuedConnection);
        return ok;
    }
    void StartGrid() override {
        QMetaObject::invokeMethod(
            view_, [this] { view_->StartGrid(1); }, Qt::BlockingQueuedConnection);
    }

  private:
    CDShowCameraCtrl* view_;
};

}  // namespace

TendalWindow::TendalWindow(Startup& startup, QWidget* parent) : QDialog(parent), startup_(startup) {
    setWindowTitle("Tendal");
    logPane_ = new QPlainTextEdit(this);
    logPane_->setReadOnly(true);
    view_ = new CDShowCameraCtrl(this);
    view_->setMinimumSize(480, 270);
    calibration_ = new QPushButton("Calibration", this);
    autoExecution_ = new QCheckBox("Auto-Execution", this);
    exit_ = new QPushButton("EXIT", this);
    calibration_->setAutoDefault(false);
    exit_->setAutoDefault(false);
    calibration_->setEnabled(false);
    autoExecution_->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(calibration_);
    buttons->addWidget(autoExecution_);
    buttons->addStretch();
    buttons->addWidget(exit_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_, 3);
    layout->addWidget(logPane_, 2);
    layout->addLayout(buttons);

    logFile_ = std::make_unique<LogFile>(LogFilePath(startup_.defaults.vid));
    reporter_ = std::make_unique<WindowReporter>(this, *logFile_);
    connect(calibration_, &QPushButton::clicked, this, [this] { StartRun(); });
    connect(autoExecution_, &QCheckBox::toggled, this, [this](bool on) { doc_.m_bAutoExecution = on; });
    connect(exit_, &QPushButton::clicked, this, [this] { close(); });

    // SIGINT and SIGTERM request the stop from their handler; the window looks for
    // them here to close itself.
    vantis::calibration::StopSignals::Install(stop_);
    auto* signalWatch = new QTimer(this);
    connect(signalWatch, &QTimer::timeout, this, [this] { CheckSignals(); });
    signalWatch->start(100);
}

TendalWindow::~TendalWindow() {
    StopRun();
    vantis::calibration::StopSignals::Uninstall();
}

void TendalWindow::Begin() {
    std::string why;
    if (!LoadConfiguration(doc_, startup_.defaults.vid, &why)) {
        AppendLog(QString::fromStdString(ConfigurationError(startup_.defaults.vid, why)));
        return;
    }
    configLoaded_ = true;
    if (!doc_.m_bConnected) return;
    calibration_->setEnabled(true);
    autoExecution_->setEnabled(true);
    if (doc_.m_bAutoExecution) {
        autoExecution_->setChecked(true);
        StartRun();
    }
}

bool TendalWindow::Running() const {
    return running_.load();
}

void TendalWindow::StartRun() {
    StopRun();
    calibration_->setEnabled(false);
    exit_->setEnabled(false);
    stop_.Clear();
    logFile_->BeginRun("window");
    running_.store(true);
    worker_ = std::thread([this] {
        ViewCamera camera(view_);
        std::string warning;
        // Every run writes its report beside the configuration, as a headless one does.
        const vantis::calibration::MaintenanceOptions options = RunOptions(startup_.defaults.vid, &warning);
        if (!warning.empty()) reporter_->Log(vantis::calibration::LogTimeStamp() + " " + warning + "\r\n");
        const auto result = vantis::calibration::RunMaintenance(doc_, camera, *reporter_, stop_, options);
        if (result.outcome != vantis::calibration::Outcome::Done) runFailed_.store(true);
        running_.store(false);
        QMetaObject::invokeMethod(this, "RunEnded", Qt::QueuedConnection);
    });
}

void TendalWindow::StopRun() {
    if (!worker_.joinable()) return;
    // A run still working is asked to stop; it gives up the document lock at
    // its next channel or photo. The window thread keeps handling the
    // camera view's requests while it waits.
    const auto deadline =
        std::chrono::steady_clock::now() + vantis::delays::Scaled(vantis::delays::kWorkerStopWait);
    while (running_.load() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    if (running_.load()) stop_.Request();
    while (running_.load()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker_.join();
}

void TendalWindow::AppendLog(const QString& line) {
    log_ += line.toStdString();
    logPane_->setPlainText(QString::fromStdString(PlainLine(log_)));
    logPane_->verticalScrollBar()->setValue(logPane_->verticalScrollBar()->maximum());
}

void TendalWindow::RunEnded() {
    calibration_->setEnabled(true);
    exit_->setEnabled(true);
}

void TendalWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TendalWindow::reject() {}  // Escape does not close the window; EXIT does

void TendalWindow::CheckSignals() {
    if (vantis::calibration::StopSignals::Received() == 0) return;
    stop_.Request();  // the handler did so too; a run started since must also end
    close();
}

void TendalWindow::closeEvent(QCloseEvent* event) {
    if (vantis::calibration::StopSignals::Received() != 0) stop_.Request();
    StopRun();
    // A failed or stopped run leaves the document half updated: it is not written.
    // Nor is a configuration that was never loaded: a damaged file stays for repair.
    if (configLoaded_ && !runFailed_.load()) vantis::model::SaveSystemConfig(doc_, startup_.defaults.vid);
    view_->Close();
    event->accept();
    QDialog::done(QDialog::Accepted);
}

int ShowStartError(int argc, char** argv, const std::string& text) {
    QApplication app(argc, argv);
    vantis::gui::ApplyDarkStyle(app);
    QMessageBox::critical(nullptr, "Tendal", QString::fromStdString(text));
    return 1;
}

int RunWindow(int argc, char** argv, Startup& startup) {
    QApplication app(argc, argv);
    vantis::gui::ApplyDarkStyle(app);
    TendalWindow window(startup);
    window.show();
    window.Begin();
    window.exec();
    vantis::calibration::StopSignals::Uninstall();
    return vantis::calibration::StopSignals::ExitStatus();
}

}  // namespace tendal
