#include "dialogs/CThresholdDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <QSlider>

#include <cmath>

#include "VantisCore.h"
#include "meridan/skin/CSkinButton.h"
#include "oculet/CCvImageCtrl.h"
#include "vantis/model/doc_lock.h"
#include "vantis/model/document.h"

namespace {
int CountChannels(VantisAuto::CDoc& doc) {
    VantisAuto::DocLock lock(VantisAuto::DocumentLock());
    return static_cast<int>(doc.m_channels.size());
}
}  // namespace

CThresholdDlg::CThresholdDlg(VantisAuto::CDoc& doc, CCvImageCtrl& view, QWidget* parent)
    : QWidget(parent), doc_(doc), view_(view), steps_(CountChannels(doc)) {
    setObjectName("thresholdDlg");
    auto* l = new QGridLayout(this);
    label_ = new QLabel(this);
    label_->setObjectName("sharpnessLabel");
    label_->setStyleSheet("color: white; background: #303030; padding: 4px;");
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName("thresholdSlider");
    slider_->setRange(0, 255);
    slider_->setPageStep(5);
    previous_ = new CSkinButton(tr("< Previous"), this);
    next_ = new CSkinButton(tr("Next >"), this);
    done_ = new CSkinButton(tr("Done"), this);
    cancel_ = new CSkinButton(tr("Cancel"), this);
    previous_->setObjectName("previousButton");
    next_->setObjectName("nextButton");
    done_->setObjectName("doneButton");
    cancel_->setObjectName("cancelButton");
    l->addWidget(label_, 0, 0, 1, 4);
    l->addWidget(slider_, 1, 0, 1, 4);
    l->addWidget(previous_, 2, 0);
    l->addWidget(next_, 2, 1);
    l->addWidget(done_, 2, 2);
    l->addWidget(cancel_, 2, 3);
    connect(slider_, &QSlider::valueChanged, this, [this](int v) {
        if (!slider_->isSliderDown()) OnSlider(v);
    });
    connect(slider_, &QSlider::sliderReleased, this, [this] { OnSlider(slider_->value()); });
    connect(next_, &QPushButton::clicked, this, [this] { OnNext(); });
    connect(previous_, &QPushButton::clicked, this, [this] { OnPrevious(); });
    connect(done_, &QPushButton::clicked, this, [this] { Finish(true); });
    connect(cancel_, &QPushButton::clicked, this, [this] { Finish(false); });
    ShowButtons();
    view_.m_pContext = this;
    view_.m_producer = [this](void*, int, cv::Mat& picture) { Compute(picture); };
    view_.m_done = [this](void*) {
        QPointer<CThresholdDlg> self(this);
        QMetaObject::invokeMethod(
            this,
            [self] {
                if (self) self->ComputeDone();
            },
            Qt::QueuedConnection);
    };
    ShowChannel(0);
}

CThresholdDlg::~CThresholdDlg() {
    // The view's worker calls back into this dialog: it must have ended,
    // however long the picture takes, before the dialog goes.
    while (!view_.Stop()) {
    }
    view_.m_producer = nullptr;
    view_.m_done = nullptr;
    view_.m_pContext = nullptr;
}

void CThresholdDlg::ShowButtons() {
    next_->setVisible(steps_.NextOffered());
    next_->setEnabled(steps_.NextOffered());
    done_->setVisible(steps_.DoneOffered());
    done_->setEnabled(steps_.DoneOffered());
}

bool CThresholdDlg::ShowChannel(int k) {
    if (!view_.Stop()) return false;
    {
        VantisAuto::DocLock lock(VantisAuto::DocumentLock());
        if (k < 0 || k >= static_cast<int>(doc_.m_channels.size())) return false;
        current_ = doc_.m_channels[static_cast<std::size_t>(k)].get();
        view_.m_flag = current_->m_threshold > 0 ? 1 : 0;
    }
    steps_.Go(k);
    busy_ = true;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    setEnabled(false);
    view_.Run();
    return true;
}

void CThresholdDlg::Compute(cv::Mat& picture) {
    std::string black, white;
    double threshold = 0;
    {
        VantisAuto::DocLock lock(VantisAuto::DocumentLock());
        if (!current_) return;
        black = current_->m_strBlackPhoto;
        white = current_->m_strWhitePhoto;
        threshold = current_->m_threshold;
    }
    const int mode = view_.m_flag;
    const int r = AutoWarpCalThreshold(black, white, &picture, &threshold, mode);
    if (r == 0) {
        VantisAuto::DocLock lock(VantisAuto::DocumentLock());
        if (current_) current_->m_threshold = threshold;
    } else if (onError_) {
        QMetaObject::invokeMethod(
            this, [this, r] { onError_(r); }, Qt::QueuedConnection);
    }
}

void CThresholdDlg::ComputeDone() {
    int t = 0;
    {
        VantisAuto::DocLock lock(VantisAuto::DocumentLock());
        if (current_) t = static_cast<int>(current_->m_threshold);
    }
    {
        const QSignalBlocker block(slider_);
        slider_->setValue(t);
    }
    label_->setText(QString::fromStdString(meridan::dialogs::SharpnessText(t)));
    if (busy_) QApplication::restoreOverrideCursor();
    busy_ = false;
    setEnabled(true);
    ShowButtons();
}

bool CThresholdDlg::WaitIdle(int ms) {
    QElapsedTimer t;
    t.start();
    while (busy_) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void CThresholdDlg::OnNext() {
    const int old = steps_.Index();
    if (!ShowChannel(steps_.NextIndex())) steps_.Go(old);
    ShowButtons();
}

void CThresholdDlg::OnPrevious() {
    const int old = steps_.Index();
    if (!ShowChannel(steps_.PreviousIndex())) steps_.Go(old);
    ShowButtons();
}

void CThresholdDlg::OnSlider(int position) {
    if (!view_.Stop()) return;
    {
        VantisAuto::DocLock lock(VantisAuto::DocumentLock());
        if (!current_ || position == static_cast<int>(current_->m_threshold)) return;
        current_->m_threshold = position;
    }
    busy_ = true;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    setEnabled(false);
    view_.m_flag = 1;
    view_.Run();
}

void CThresholdDlg::Finish(bool done) {
    if (finished_) return;
    finished_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    view_.Stop();
    hide();
    QApplication::restoreOverrideCursor();
    if (busy_) QApplication::restoreOverrideCursor();
    busy_ = false;
    if (onFinished_) onFinished_(done);
    deleteLater();
}
