#include "meridan/skin/CProgressCtrlEx.h"

CProgressCtrlEx::CProgressCtrlEx(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
    setStyleSheet(
        "QProgressBar { background: rgb(41,41,41); color: white; border: 1px solid rgb(110,110,110);"
        " border-radius: 3px; height: 20px; }"
        "QProgressBar::chunk { background: rgb(0,120,200); }");
    setFormat("%p%");
}

int CProgressCtrlEx::SetPos(int position) {
    const int previous = value();
    setValue(position);
    return previous;
}

void CProgressCtrlEx::SetProgressText(const QString& text) {
    text_ = text;
    // A literal % in the text must not be read as a placeholder.
    QString escaped = text;
    escaped.replace('%', "%%");
    setFormat(escaped + "%p%");
}
