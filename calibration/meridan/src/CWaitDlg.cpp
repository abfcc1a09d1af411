#include "meridan/CWaitDlg.h"

#include <utility>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "meridan/skin/CProgressCtrlEx.h"
#include "vantis/messages/calibration_messages.h"

CWaitDlg::CWaitDlg(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName("waitDialog");
    setModal(false);
    setStyleSheet(
        "QDialog { background: rgb(41,41,41); border: 1px solid rgb(110,110,110); }"
        "QLabel { color: white; }");
    progress_ = new CProgressCtrlEx(this);
    progress_->setObjectName("waitProgress");
    text_ = new QLabel(QString::fromStdString(meridan::Messages().Text(meridan::msg::kPleaseWait)), this);
    text_->setObjectName("waitText");
    if (!suppressed_) progress_->SetProgressText("Completed ");
    stop_ = new QPushButton(tr("Stop"), this);
    stop_->setObjectName("waitStop");
    stop_->setCursor(Qt::ArrowCursor);
    stop_->hide();
    connect(stop_, &QPushButton::clicked, this, [this] {
        stop_->setEnabled(false);
        if (auto stop = std::exchange(onStop_, nullptr)) stop();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(progress_);
    layout->addWidget(text_);
    layout->addWidget(stop_, 0, Qt::AlignRight);
    setMinimumWidth(420);
    setCursor(Qt::BusyCursor);
    // Disabled until it closes, unless it offers Stop.
    setEnabled(false);
    // A changed screen arrangement is the display change.
    if (auto* app = qobject_cast<QGuiApplication*>(QGuiApplication::instance())) {
        connect(app, &QGuiApplication::primaryScreenChanged, this, [this] { OnDisplayChange(); });
    }
}

void CWaitDlg::SetRange(int low, int high) {
    progress_->SetRange(low, high);
    progress_->SetPos(low);
}

void CWaitDlg::Step(int messageId, int octet, int counter) {
    if (suppressed_) return;
    text_->setText(
        QString::fromStdString(meridan::Messages().Format(messageId, {static_cast<long long>(octet)})));
    progress_->SetPos(counter);
}

void CWaitDlg::SetStatus(const QString& text, int position, int range) {
    if (range > 0 && progress_->maximum() != range) progress_->SetRange(0, range);
    if (suppressed_) return;
    text_->setText(text);
    progress_->SetPos(position);
}

void CWaitDlg::SetStopHandler(std::function<void()> stop) {
    onStop_ = std::move(stop);
    stop_->setVisible(static_cast<bool>(onStop_));
    stop_->setEnabled(true);
    setEnabled(static_cast<bool>(onStop_));
}

QString CWaitDlg::StatusText() const {
    return text_->text();
}

void CWaitDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    suppressed_ = false;
}

void CWaitDlg::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        unsetCursor();
        setEnabled(true);
        if (onClosed_) onClosed_();
    }
    event->accept();
}
