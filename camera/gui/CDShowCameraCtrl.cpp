#include "oculet/CDShowCameraCtrl.h"

#include <QCursor>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <cmath>

#include "vantis/delays.h"

namespace {

bool Ok(gridveil::Result result) {
    return gridveil::Succeeded(result);
}

// Virtual-key codes of the arrow keys, and Qt's own codes for them.
int Direction(unsigned key) {
    switch (key) {
        case 0x26:
        case Qt::Key_Up:
            return gridveil::kUp;
        case 0x28:
        case Qt::Key_Down:
            return gridveil::kDown;
        case 0x25:
        case Qt::Key_Left:
            return gridveil::kLeft;
        case 0x27:
        case Qt::Key_Right:
            return gridveil::kRight;
        default:
            return -1;
    }
}

QImage::Format ImageFormat(int channels) {
    switch (channels) {
        case 1:
            return QImage::Format_Grayscale8;
        case 3:
            return QImage::Format_BGR888;
        case 4:
            return QImage::Format_ARGB32;
        default:
            return QImage::Format_Invalid;
    }
}

}  // namespace

CDShowCameraCtrl::CDShowCameraCtrl(QWidget* parent)
    : QWidget(parent), graph_(std::make_unique<CDShowGridOverlay>()) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    mouseTimer_.setSingleShot(true);
    connect(&mouseTimer_, &QTimer::timeout, this, [this] {
        if (auto* editor = Editor(); editor != nullptr && Ok(editor->OnTimer())) setCursor(Qt::SizeAllCursor);
    });
    graph_->SetFrameListener([this](const std::shared_ptr<const oculet::Frame>& frame) { OnFrame(frame); });
}

CDShowCameraCtrl::~CDShowCameraCtrl() {
    // The capture thread calls back into this control; it ends before anything else goes.
    graph_->Stop();
    graph_->SetFrameListener({});
    graph_->Close();
}

void CDShowCameraCtrl::OnFrame(const std::shared_ptr<const oculet::Frame>& frame) {
    {
        std::lock_guard lock(shownMutex_);
        pending_ = frame;
    }
    QMetaObject::invokeMethod(
        this, [this] { update(); }, Qt::QueuedConnection);
}

void CDShowCameraCtrl::HandOverTables() {
    auto* editor = Editor();
    if (editor == nullptr) return;
    // A table not given yet goes over as no table rather than as a descriptor of null pointers.
    const auto point = [](const grid::PointPP& t) { return t.x != nullptr && t.y != nullptr ? &t : nullptr; };
    const bool hasMarkers = markers_.left && markers_.top && markers_.right && markers_.bottom;
    editor->SetBoundaryTable(point(adjustPoints_), point(grid_), point(coarse_),
                             hasMarkers ? &markers_ : nullptr);
    editorView_ = size();
    editor->Open(width(), height());
}

QRect CDShowCameraCtrl::PictureRect() const {
    QSize picture;
    {
        std::lock_guard lock(shownMutex_);
        if (pending_ && !pending_->image.empty()) picture = QSize(pending_->image.cols, pending_->image.rows);
    }
    if (picture.isEmpty()) {
        const oculet::CSize frame = graph_->FrameSize();
        picture = QSize(frame.cx, frame.cy);
    }
    if (picture.isEmpty() || width() <= 0 || height() <= 0) return rect();
    const QSize fitted = picture.scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

QPoint CDShowCameraCtrl::ToEditor(const QPoint& client) const {
    // The editor takes positions in the view size it was opened with, all of
    // it standing for the picture; the picture is shown letterboxed in the
    // control's present size.
    const QRect shown = PictureRect();
    const QSize view = editorView_.isEmpty() ? size() : editorView_;
    if (shown.isEmpty()) return client;
    return {static_cast<int>(
                std::lround((client.x() - shown.x()) * static_cast<double>(view.width()) / shown.width())),
            static_cast<int>(
                std::lround((client.y() - shown.y()) * static_cast<double>(view.height()) / shown.height()))};
}

int CDShowCameraCtrl::Open(int device, int width, int height) {
    return graph_->Open(device, width, height, [this] { HandOverTables(); });
}

int CDShowCameraCtrl::OpenSource(std::unique_ptr<oculet::IFrameSource> source) {
    return graph_->OpenSource(std::move(source), [this] { HandOverTables(); });
}

void CDShowCameraCtrl::Run() {
    graph_->Run();
    update();
}

void CDShowCameraCtrl::Stop() {
    graph_->Stop();
    update();
}

void CDShowCameraCtrl::Close() {
    graph_->Close();
    {
        std::lock_guard lock(shownMutex_);
        pending_.reset();
    }
    update();
}

int CDShowCameraCtrl::Read(CameraProperty property, long& value) {
    const int ok = graph_->Get(property);
    value = graph_->State(property).value;
    return ok;
}

void CDShowCameraCtrl::SetPaintObserver(std::function<void(const oculet::Frame&)> observer) {
    paintObserver_ = std::move(observer);
}

void CDShowCameraCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(128, 128, 128));
    std::shared_ptr<const oculet::Frame> frame;
    {
        std::lock_guard lock(shownMutex_);
        frame = pending_;
    }
    if (!frame || !graph_->IsOpened()) return;
    const cv::Mat& image = frame->image;
    const auto format = ImageFormat(image.channels());
    if (image.empty() || format == QImage::Format_Invalid) return;
    QImage view(image.data, image.cols, image.rows, static_cast<qsizetype>(image.step[0]), format);
    if (frame->bottomUp) view = view.mirrored(false, true);
    // The whole picture, as large as fits with its aspect ratio kept; grey bars fill the rest.
    painter.drawImage(PictureRect(), view);
    if (paintObserver_) paintObserver_(*frame);
}

void CDShowCameraCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        buttonDown_ = 1;
        grabMouse();
        if (auto* editor = Editor()) {
            const QPoint p = ToEditor(event->position().toPoint());
            editor->OnLButtonDown(p.x(), p.y());
        }
    }
    QWidget::mousePressEvent(event);
}

// While the left button is held the pointer stays on the picture.
void CDShowCameraCtrl::ConfinePointer(const QPoint& globalPosition) {
    const QRect shown = PictureRect();
    const QRect area = QRect(mapToGlobal(shown.topLeft()), shown.size()).adjusted(0, 0, -1, -1);
    const QPoint clamped(std::clamp(globalPosition.x(), area.left(), area.right()),
                         std::clamp(globalPosition.y(), area.top(), area.bottom()));
    if (clamped != globalPosition) QCursor::setPos(clamped);
}

void CDShowCameraCtrl::mouseMoveEvent(QMouseEvent* event) {
    if (buttonDown_) ConfinePointer(event->globalPosition().toPoint());
    if (auto* editor = Editor()) {
        const QPoint p = ToEditor(event->position().toPoint());
        editor->OnMouseMove(p.x(), p.y());
        if (Ok(editor->OnSetCursor())) {
            setCursor(Qt::PointingHandCursor);
        } else {
            unsetCursor();
        }
    }
    mouseTimer_.start(vantis::delays::Scaled(vantis::delays::kViewMouseTimer));
    QWidget::mouseMoveEvent(event);
    mouseLeft_ = 0;
    // Qt reports leaving the widget without being asked; the request always succeeds.
    if (!buttonDown_ && !tracking_) tracking_ = 1;
}

void CDShowCameraCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (auto* editor = Editor()) {
            const QPoint p = ToEditor(event->position().toPoint());
            editor->OnLButtonUp(p.x(), p.y());
        }
    }
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        releaseMouse();
        buttonDown_ = 0;
    }
}

void CDShowCameraCtrl::leaveEvent(QEvent* event) {
    mouseLeft_ = 1;
    tracking_ = 0;
    QWidget::leaveEvent(event);
}

int CDShowCameraCtrl::ByPass(int on) {
    auto* editor = Editor();
    if (editor == nullptr || !Ok(editor->ByPass(on))) return 0;
    bypass_ = on;
    return 1;
}

void CDShowCameraCtrl::SetTiming(const oculet::CSize& panel, const oculet::CSize& grid) {
    if (auto* editor = Editor()) editor->SetTiming(panel.cx, panel.cy, grid.cx, grid.cy);
}

void CDShowCameraCtrl::GetLayoutInf(oculet::CSize& panel, const oculet::CSize& layout,
                                    const oculet::CSize& overlap) {
    if (auto* editor = Editor())
        editor->GetLayoutInf(panel.cx, panel.cy, layout.cx, layout.cy, overlap.cx, overlap.cy);
}

void CDShowCameraCtrl::SetBoundaryTable(grid::PointPP& adjustPoints, grid::PointPP& grid,
                                        grid::PointPP& coarse, grid::RectPP& markers) {
    adjustPoints_ = adjustPoints;
    grid_ = grid;
    coarse_ = coarse;
    markers_ = markers;
}

void CDShowCameraCtrl::SetOverLapTable(grid::PointPP& table) {
    if (auto* editor = Editor()) editor->SetOverLapTable(&table);
}

void CDShowCameraCtrl::StartOverLap() {
    if (auto* editor = Editor()) editor->StartOverLap();
}

void CDShowCameraCtrl::free_boundarytable() {
    if (auto* editor = Editor()) editor->FreeBoundaryTable();
}

void CDShowCameraCtrl::SetSelIndex(const oculet::CPoint& point) {
    if (auto* editor = Editor()) editor->SetSelIndex(point.x, point.y);
}

void CDShowCameraCtrl::SetWarpMode(int mode) {
    if (auto* editor = Editor()) editor->SetWarpMode(mode);
}

void CDShowCameraCtrl::SetGridNum(int index) {
    if (auto* editor = Editor()) editor->SetGridNum(index);
}

void CDShowCameraCtrl::GetTable(grid::PointPP& out) {
    if (auto* editor = Editor()) editor->GetTable(&out);
}

oculet::CSize CDShowCameraCtrl::GetImageSize() {
    int size[2] = {0, 0};
    auto* editor = Editor();
    if (editor == nullptr || !Ok(editor->GetImageSize(size))) return {};
    return {size[0], size[1]};
}

int CDShowCameraCtrl::StartGrid(int fresh) {
    auto* editor = Editor();
    return editor != nullptr && Ok(editor->StartGrid(fresh)) ? 1 : 0;
}

int CDShowCameraCtrl::SelAdjustPoint(unsigned key) {
    if (bypass_ == 1) return 0;
    const int direction = Direction(key);
    if (direction < 0) return 0;
    if (auto* editor = Editor()) editor->SelAdjustPoint(direction);
    return 1;
}

int CDShowCameraCtrl::MoveAdjustPoint(unsigned key) {
    if (bypass_ == 1) return 0;
    const int direction = Direction(key);
    if (direction < 0) return 0;
    if (auto* editor = Editor()) editor->MoveAdjustPoint(direction);
    return 1;
}

int CDShowCameraCtrl::SetMoveStep(int index) {
    auto* editor = Editor();
    return editor != nullptr && Ok(editor->SetMoveStep(index)) ? 1 : 0;
}

int CDShowCameraCtrl::AdjustGridNum(int index) {
    if (bypass_ == 1) return 0;
    auto* editor = Editor();
    return editor != nullptr && Ok(editor->AdjustGridNum(index)) ? 1 : 0;
}

int CDShowCameraCtrl::IncreaseGridNum(int& index) {
    if (bypass_ == 1) return 0;
    auto* editor = Editor();
    if (editor == nullptr || !Ok(editor->IncreaseGridNum())) return 0;
    return Ok(editor->GetGridNum(&index)) ? 1 : 0;
}

int CDShowCameraCtrl::DecreaseGridNum(int& index) {
    if (bypass_ == 1) return 0;
    auto* editor = Editor();
    if (editor == nullptr || !Ok(editor->DecreaseGridNum())) return 0;
    return Ok(editor->GetGridNum(&index)) ? 1 : 0;
}

QRect CDShowCameraCtrl::GetCameraRect() const {
    return QRect(mapToGlobal(QPoint(0, 0)), size());
}

int CDShowCameraCtrl::StretchedCamera(const QPoint& screenPoint, int& zoomLevel) {
    const QRect area = GetCameraRect();
    // Right and bottom edges (left + width, top + height) belong to the control.
    if (screenPoint.x() < area.x() || screenPoint.x() > area.x() + area.width() ||
        screenPoint.y() < area.y() || screenPoint.y() > area.y() + area.height()) {
        return 0;
    }
    const QPoint client = ToEditor(screenPoint - area.topLeft());
    if (auto* editor = Editor()) editor->StretchedCamera(client.x(), client.y(), &zoomLevel);
    return 1;
}

void CDShowCameraCtrl::SetBoundaryType(void* style) {
    if (auto* editor = Editor()) editor->SetBoundaryType(static_cast<const gridveil::GridStyle*>(style));
}
