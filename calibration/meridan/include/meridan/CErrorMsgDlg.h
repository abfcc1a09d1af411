// The program's error dialog: caption "WARNNING", a warning icon at the left,
// the message in a read-only text box, and OK. Always modal.
#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;

class CErrorMsgDlg : public QDialog {
  public:
    CErrorMsgDlg(const QString& text, QWidget* parent = nullptr);
    QString Text() const;

  private:
    QPlainTextEdit* edit_;
};

namespace meridan {
// Converts "\r\n" line ends of the message table for display, translated when the
// installed translation has the message (by its text with "\n" line ends).
QString DisplayText(const std::string& text);
// Shows the error dialog modally; 1 when it was closed with OK, else 0.
int ShowErrorText(QWidget* parent, const QString& text);
}  // namespace meridan
