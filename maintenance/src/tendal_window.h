// The maintenance program's window: log pane with time-stamped lines (also
// written to Tendal.log, with the date), camera view, Calibration,
// Auto-Execution and EXIT. A run goes on a worker thread;
// the window only handles the buttons and the log.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include <QDialog>

#include "calibration/reporter.h"
#include "tendal_app.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class CDShowCameraCtrl;

namespace tendal {

class TendalWindow : public QDialog {
    Q_OBJECT
  public:
    TendalWindow(Startup& startup, QWidget* parent = nullptr);
    ~TendalWindow() override;

    // Loads the configuration and, when it is ready and Auto-Execution is
    // set, starts a run.
    void Begin();
    void StartRun();
    bool Running() const;
    const std::string& LogText() const { return log_; }
    QPushButton* CalibrationButton() const { return calibration_; }
    QCheckBox* AutoExecutionBox() const { return autoExecution_; }
    VantisAuto::CDoc& Document() { return doc_; }

  public slots:
    void AppendLog(const QString& line);
    void RunEnded();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void StopRun();
    // A SIGINT or SIGTERM arrived: the run is stopped at once and the window closes.
    void CheckSignals();

    Startup& startup_;
    VantisAuto::CDoc doc_;
    std::string log_;
    QPlainTextEdit* logPane_ = nullptr;
    CDShowCameraCtrl* view_ = nullptr;
    QPushButton* calibration_ = nullptr;
    QCheckBox* autoExecution_ = nullptr;
    QPushButton* exit_ = nullptr;
    std::thread worker_;
    std::atomic<bool> running_{false};
    // Whether a run ended without completing since the configuration was loaded:
    // the window then does not write the configuration when it closes.
    std::atomic<bool> runFailed_{false};
    bool configLoaded_ = false;
    vantis::calibration::StopRequest stop_;
    std::unique_ptr<LogFile> logFile_;
    std::unique_ptr<vantis::calibration::Reporter> reporter_;
};

// Shows the start-up error in a message box; returns the exit status.
int ShowStartError(int argc, char** argv, const std::string& text);
// The window, modal until it closes.
int RunWindow(int argc, char** argv, Startup& startup);

}  // namespace tendal
