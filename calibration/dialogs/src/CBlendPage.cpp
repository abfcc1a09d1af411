#include "dialogs/CBlendPage.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>

#include "dvOrvelAuto.h"
#include "meridan/skin/CSkinButton.h"
#include "vantis/model/doc_lock.h"
#include "vantis/model/document.h"

CBlendPage::CBlendPage(QWidget* parent) : QWidget(parent) {
    setObjectName("blendPage");
    auto* grid = new QGridLayout(this);
    const char* titles[2] = {"Horizontal", "Vertical"};
    for (int axis = 0; axis < 2; ++axis) {
        auto* box = new QGroupBox(tr(titles[axis]), this);
        auto* l = new QGridLayout(box);
        sliders_[axis] = new QSlider(Qt::Horizontal, box);
        sliders_[axis]->setObjectName(axis == 0 ? "horizontalSlider" : "verticalSlider");
        sliders_[axis]->setPageStep(meridan::dialogs::BlendPageModel::kPage);
        percentText_[axis] = new QLabel(box);
        pixelText_[axis] = new QLabel(box);
        l->addWidget(sliders_[axis], 0, 0, 1, 4);
        l->addWidget(new QLabel(tr("Percent"), box), 1, 0);
        l->addWidget(percentText_[axis], 1, 1);
        l->addWidget(new QLabel(tr("Pixels"), box), 1, 2);
        l->addWidget(pixelText_[axis], 1, 3);
        grid->addWidget(box, axis, 0, 1, 2);
        connect(sliders_[axis], &QSlider::valueChanged, this, [this, axis](int v) { OnSlider(axis, v); });
    }
    grid->addWidget(new QLabel(tr("Total Resolution"), this), 2, 0);
    total_ = new QLabel(this);
    total_->setObjectName("totalResolution");
    grid->addWidget(total_, 2, 1);
    auto* preview = new CSkinButton(tr("Preview"), this);
    preview_ = preview;
    preview_->setObjectName("previewButton");
    grid->addWidget(preview_, 3, 1);
    connect(preview_, &QPushButton::clicked, this, [this] { Preview(); });
}

CBlendPage::~CBlendPage() = default;

void CBlendPage::LoadFrom(const VantisAuto::CDoc& doc) {
    model_.LoadFrom(doc);
    Show();
}

void CBlendPage::Refresh(bool reset) {
    if (reset) model_.ResetToMinimum();
    Show();
}

void CBlendPage::SetChannels(VantisAuto::CDoc* channels, vantis::model::EchoProber* prober) {
    channels_ = channels;
    prober_ = prober;
}

void CBlendPage::Show() {
    showing_ = true;
    for (int axis = 0; axis < 2; ++axis) {
        sliders_[axis]->setRange(model_.minimum[axis], meridan::dialogs::BlendPageModel::kMaximum);
        sliders_[axis]->setValue(model_.percent[axis]);
        sliders_[axis]->setEnabled(model_.SliderEnabled(axis));
        percentText_[axis]->setText(QString::number(model_.percent[axis]));
        pixelText_[axis]->setText(QString::number(model_.pixels[axis]));
    }
    total_->setText(QString::fromStdString(model_.TotalText()));
    showing_ = false;
}

void CBlendPage::OnSlider(int axis, int position) {
    if (showing_) return;
    model_.MoveSlider(axis, position);
    percentText_[axis]->setText(QString::number(model_.percent[axis]));
    pixelText_[axis]->setText(QString::number(model_.pixels[axis]));
    total_->setText(QString::fromStdString(model_.TotalText()));
}

void CBlendPage::Preview() {
    if (!channels_) return;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    VantisAuto::DocLock lock(VantisAuto::DocumentLock());
    bool open = true;
    for (auto& c : channels_->m_channels) {
        if (c->m_hLink != 0) continue;
        if (prober_ && !vantis::model::IsReachable(c->m_dwIp, *prober_)) {
            open = false;
            break;
        }
        c->m_hLink = dvOrvelAutoOpen(c->m_dwIp);
        if (c->m_hLink == 0) {
            open = false;
            break;
        }
    }
    if (open) {
        for (auto& c : channels_->m_channels) dvOrvelAutoClearImage(c->m_hLink);
        channels_->m_nTiming = model_.timing;
        channels_->m_nLayout = model_.layout;
        channels_->m_overlapPixels[0] = model_.pixels[0];
        channels_->m_overlapPixels[1] = model_.pixels[1];
        for (auto& c : channels_->m_channels) channels_->DrawChannelOverlapPreview(*c);
        for (auto& c : channels_->m_channels) c->CloseLink();
    }
    QApplication::restoreOverrideCursor();
}
