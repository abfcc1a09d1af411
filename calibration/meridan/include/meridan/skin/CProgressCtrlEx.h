// A progress bar that also shows a line of text ("Completed 40%").
#pragma once

#include <QProgressBar>

class CProgressCtrlEx : public QProgressBar {
  public:
    explicit CProgressCtrlEx(QWidget* parent = nullptr);

    void SetRange(int low, int high) { setRange(low, high); }
    // Returns the previous position.
    int SetPos(int position);
    // The text is shown before the percentage.
    void SetProgressText(const QString& text);
    QString ProgressText() const { return text_; }

  private:
    QString text_;
};
