#include "dialogs/CBlendSettingsDlg.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "vantis/model/document.h"

CBlendSettingsDlg::CBlendSettingsDlg(VantisAuto::CDoc& doc, QWidget* parent)
    : QDialog(parent), doc_(doc), gamma_(doc.m_gamma.m_gamma) {
    setObjectName("blendSettingsDlg");
    setWindowTitle(tr("Edge Blending Settings"));
    download_ = [&doc](double gamma) { doc.DownloadBlends(gamma); };
    sentPosition_ = gamma_.Position();
    auto* l = new QVBoxLayout(this);
    text_ = new QLabel(QString::fromStdString(gamma_.Text()), this);
    text_->setObjectName("gammaText");
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName("gammaSlider");
    slider_->setRange(0, 100);
    // Arrow keys and clicks on the track step by 0.1, Page Up/Down by 0.5.
    slider_->setSingleStep(1);
    slider_->setPageStep(5);
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setTickInterval(10);
    slider_->setValue(gamma_.Position());
    slider_->setEnabled(meridan::dialogs::GammaModel::Enabled(doc_.m_nLayout));
    close_ = new QPushButton(tr("Close"), this);
    close_->setObjectName("closeButton");
    close_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close_);
    l->addWidget(text_);
    l->addWidget(slider_);
    l->addLayout(buttons);
    connect(slider_, &QSlider::valueChanged, this, [this](int v) { OnMove(v); });
    connect(slider_, &QSlider::sliderReleased, this, [this] { Commit(); });
    connect(close_, &QPushButton::clicked, this, [this] { close(); });
}

CBlendSettingsDlg::~CBlendSettingsDlg() {
    if (worker_.joinable()) worker_.join();
}

CBlendSettingsDlg* CBlendSettingsDlg::ShowFor(VantisAuto::CDoc& doc, QWidget* parent) {
    if (parent != nullptr) {
        if (auto* open = parent->findChild<CBlendSettingsDlg*>(QString(), Qt::FindDirectChildrenOnly)) {
            open->show();
            open->raise();
            open->activateWindow();
            return open;
        }
    }
    auto* d = new CBlendSettingsDlg(doc, parent);
    d->setAttribute(Qt::WA_DeleteOnClose);
    return d;
}

void CBlendSettingsDlg::OnMove(int position) {
    if (!gamma_.Move(position)) return;
    text_->setText(QString::fromStdString(gamma_.Text()));
    // While the thumb is held only the text follows it.
    if (!slider_->isSliderDown()) Commit();
}

void CBlendSettingsDlg::Commit() {
    if (gamma_.Position() == sentPosition_ || worker_.joinable()) return;
    StartDownload();
}

void CBlendSettingsDlg::StartDownload() {
    sentPosition_ = gamma_.Position();
    const double gamma = gamma_.Gamma();
    doc_.m_gamma.m_gamma = gamma;
    ++downloads_;
    setCursor(Qt::BusyCursor);
    QPointer<CBlendSettingsDlg> self(this);
    worker_ = std::thread([self, download = download_, gamma] {
        if (download) download(gamma);
        QMetaObject::invokeMethod(
            qApp,
            [self] {
                if (self) self->DownloadEnded();
            },
            Qt::QueuedConnection);
    });
}

void CBlendSettingsDlg::DownloadEnded() {
    if (worker_.joinable()) worker_.join();
    unsetCursor();
    // The slider moved on while the projectors were busy: send where it is now.
    if (!slider_->isSliderDown()) Commit();
}

bool CBlendSettingsDlg::WaitIdle(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (worker_.joinable() || gamma_.Position() != sentPosition_) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}
