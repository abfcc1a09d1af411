// The wait window of the connection job and of the workflows: a progress bar
// with text above a status line, and for a job that can be stopped a Stop
// button. Modeless, without caption; it shows the busy cursor.
#pragma once

#include <QDialog>
#include <functional>

class CProgressCtrlEx;
class QLabel;
class QPushButton;

class CWaitDlg : public QDialog {
  public:
    explicit CWaitDlg(QWidget* parent = nullptr);

    void SetRange(int low, int high);
    // Message messageId formatted with the channel's last address octet as the
    // text, counter as the progress position; nothing while updates are
    // suppressed.
    void Step(int messageId, int octet, int counter);
    // A workflow's status line: the text, and the position within 0..range
    // (the range is taken when it changes). Nothing while updates are suppressed.
    void SetStatus(const QString& text, int position, int range);
    bool UpdatesSuppressed() const { return suppressed_; }
    // A display change suppresses updates until the next resize.
    void OnDisplayChange() { suppressed_ = true; }

    // Called once when the window closes (the main window becomes idle).
    void SetOnClosed(std::function<void()> callback) { onClosed_ = std::move(callback); }

    // Shows the Stop button; pressing it calls stop (once) and disables it.
    void SetStopHandler(std::function<void()> stop);
    QPushButton* StopButton() const { return stop_; }

    CProgressCtrlEx* Progress() const { return progress_; }
    QString StatusText() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    CProgressCtrlEx* progress_;
    QLabel* text_;
    QPushButton* stop_;
    std::function<void()> onStop_;
    bool suppressed_ = false;
    bool closed_ = false;
    std::function<void()> onClosed_;
};
