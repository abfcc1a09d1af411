#include "meridan/CErrorMsgDlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QVBoxLayout>

CErrorMsgDlg::CErrorMsgDlg(const QString& text, QWidget* parent) : QDialog(parent) {
    setObjectName("errorDialog");
    setWindowTitle("WARNNING");
    setModal(true);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    edit_ = new QPlainTextEdit(this);
    edit_->setObjectName("errorText");
    edit_->setReadOnly(true);
    edit_->setPlainText(text);
    edit_->setMinimumSize(380, 110);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(edit_, 1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addWidget(buttons);
}

QString CErrorMsgDlg::Text() const {
    return edit_->toPlainText();
}

namespace meridan {

QString DisplayText(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace("\r\n", "\n");
    // The message table is English; a message the installed translation knows is shown in its language.
    return QCoreApplication::translate("QObject", s.toUtf8().constData());
}

int ShowErrorText(QWidget* parent, const QString& text) {
    CErrorMsgDlg dialog(text, parent);
    return dialog.exec() == QDialog::Accepted ? 1 : 0;
}

}  // namespace meridan
