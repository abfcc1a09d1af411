#include "oculet/CCvImageCtrl.h"

#include <QPainter>

#include <opencv2/imgproc.hpp>

#include "vantis/delays.h"

namespace {

// An 8-bit picture as a QImage of its own (the worker's matrices go away with the worker).
QImage ToImage(const cv::Mat& picture) {
    cv::Mat bgr;
    switch (picture.channels()) {
        case 1:
            cv::cvtColor(picture, bgr, cv::COLOR_GRAY2BGR);
            break;
        case 3:
            bgr = picture;
            break;
        case 4:
            cv::cvtColor(picture, bgr, cv::COLOR_BGRA2BGR);
            break;
        default:
            return {};
    }
    if (bgr.depth() != CV_8U) return {};
    return QImage(bgr.data, bgr.cols, bgr.rows, static_cast<qsizetype>(bgr.step[0]), QImage::Format_BGR888)
        .copy();
}

}  // namespace

CCvImageCtrl::CCvImageCtrl(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CCvImageCtrl::~CCvImageCtrl() {
    // The worker calls back into this object; it must be gone first, however long it takes.
    if (worker_.joinable()) worker_.join();
}

bool CCvImageCtrl::WaitFinished(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return finishedChanged_.wait_for(lock, timeout, [this] { return finished_; });
}

int CCvImageCtrl::Run() {
    if (worker_.joinable() && Stop() == 0) return 0;
    {
        std::lock_guard lock(mutex_);
        finished_ = false;
    }
    worker_ = std::thread(&CCvImageCtrl::Work, this, size());
    WaitFinished(vantis::delays::Scaled(vantis::delays::kImageViewStartWait));
    return 1;
}

int CCvImageCtrl::Stop() {
    if (!worker_.joinable()) return 1;
    if (!WaitFinished(vantis::delays::Scaled(vantis::delays::kImageViewStopWait))) return 0;
    worker_.join();
    return 1;
}

void CCvImageCtrl::Work(QSize target) {
    cv::Mat picture;
    if (m_producer) m_producer(m_pContext, m_flag, picture);
    if (!picture.empty() && target.width() > 0 && target.height() > 0) {
        cv::Mat scaled;
        cv::resize(picture, scaled, cv::Size(target.width(), target.height()), 0, 0, cv::INTER_LINEAR);
        QImage image = ToImage(scaled);
        if (!image.isNull()) {
            {
                std::lock_guard lock(mutex_);
                picture_ = std::move(image);
            }
            QMetaObject::invokeMethod(
                this, [this] { update(); }, Qt::QueuedConnection);
        }
    }
    if (m_done) m_done(m_pContext);
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    finishedChanged_.notify_all();
}

QImage CCvImageCtrl::Picture() const {
    std::lock_guard lock(mutex_);
    return picture_;
}

void CCvImageCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(128, 128, 128));
    const QImage image = Picture();
    if (image.isNull()) return;
    if (image.size() == size()) {
        painter.drawImage(0, 0, image);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, image.width() > width());
        painter.drawImage(rect(), image);
    }
}
