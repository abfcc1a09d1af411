#include "dialogs/CBlendSettingsDlg.h"

#include <QApplication>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "vantis/model/document.h"

CBlendSettingsDlg::CBlendSettingsDlg(VantisAuto::CDoc& doc, QWidget* parent)
    : QDialog(parent), doc_(doc), gamma_(doc.m_gamma.m_gamma) {
    setObjectName("blendSettingsDlg");
    setWindowTitle(tr("Edge Blending Settings"));
    auto* l = new QVBoxLayout(this);
    text_ = new QLabel(QString::fromStdString(gamma_.Text()), this);
    text_->setObjectName("gammaText");
    text_->setStyleSheet("color: white; background: #303030; padding: 4px;");
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName("gammaSlider");
    slider_->setRange(0, 100);
    slider_->setPageStep(10);
    slider_->setValue(gamma_.Position());
    slider_->setEnabled(meridan::dialogs::GammaModel::Enabled(doc_.m_nLayout));
    l->addWidget(text_);
    l->addWidget(slider_);
    connect(slider_, &QSlider::valueChanged, this, [this](int v) { OnMove(v); });
    connect(slider_, &QSlider::sliderReleased, this, [this] { OnMove(slider_->value()); });
}

void CBlendSettingsDlg::OnMove(int position) {
    if (!gamma_.Move(position)) return;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    setEnabled(false);
    doc_.DownloadBlends(gamma_.Gamma());
    doc_.m_gamma.m_gamma = gamma_.Gamma();
    ++downloads_;
    text_->setText(QString::fromStdString(gamma_.Text()));
    QApplication::restoreOverrideCursor();
    setEnabled(true);
}
