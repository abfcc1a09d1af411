#include "grid_overlay.h"

#include <cstring>
#include <new>

#include <opencv2/core.hpp>

#include "grid_drawing.h"

namespace gridveil::detail {

namespace {

// Frames larger than this are refused rather than trusted.
constexpr int kMaxFrameSide = 1 << 14;

bool UsableType(int width, int height, int bitsPerPixel) {
    return width > 0 && height > 0 && width <= kMaxFrameSide && height <= kMaxFrameSide &&
           CCvGridTracker::AcceptsDepth(bitsPerPixel);
}

bool InRange(int index, std::size_t count) {
    return index >= 0 && static_cast<std::size_t>(index) < count;
}

}  // namespace

Result CGridOverlay::ByPass(int on) {
    std::lock_guard lock(mutex_);
    t_.bypass = on;
    return kOk;
}

Result CGridOverlay::IsByPass(int* on) {
    if (on == nullptr) return kFail;
    std::lock_guard lock(mutex_);
    *on = t_.bypass;
    return kOk;
}

Result CGridOverlay::OnLButtonDown(int x, int y) {
    std::lock_guard lock(mutex_);
    t_.pointer = t_.lastPointer = t_.ViewToFrame(x, y);
    t_.buttonDown = true;
    return kOk;
}

Result CGridOverlay::OnLButtonUp(int, int) {
    std::lock_guard lock(mutex_);
    t_.buttonDown = false;
    t_.zoomDrag = false;
    t_.pointUnder = false;
    t_.trackCount = 0;
    return kOk;
}

Result CGridOverlay::OnMouseMove(int x, int y) {
    std::lock_guard lock(mutex_);
    // While bypassed nothing is drawn, so nothing may be picked or dragged
    // unseen.
    if (t_.bypass) return kOk;
    t_.PointerMove(t_.ViewToFrame(x, y));
    return kOk;
}

Result CGridOverlay::Open(int viewWidth, int viewHeight) {
    if (viewWidth <= 0 || viewHeight <= 0) return kFail;
    std::lock_guard lock(mutex_);
    t_.OpenView(viewWidth, viewHeight);
    return kOk;
}

Result CGridOverlay::SetTiming(int panelWidth, int panelHeight, int gridColumns, int gridRows) {
    if (panelWidth <= 0 || panelHeight <= 0 || gridColumns < 2 || gridRows < 2) return kFail;
    std::lock_guard lock(mutex_);
    t_.panelWidth = panelWidth;
    t_.panelHeight = panelHeight;
    t_.gridColumns = gridColumns;
    t_.gridRows = gridRows;
    t_.lastColumn = gridColumns - 1;
    t_.lastRow = gridRows - 1;
    return kOk;
}

Result CGridOverlay::SetBoundaryTable(const grid::PointPP* adjustPoints, const grid::PointPP* grid,
                                      const grid::PointPP* coarse, const grid::RectPP* markers) {
    std::lock_guard lock(mutex_);
    t_.adjust = adjustPoints ? *adjustPoints : grid::PointPP{};
    t_.grid = grid ? *grid : grid::PointPP{};
    t_.coarse = coarse ? *coarse : grid::PointPP{};
    t_.markers = markers ? *markers : grid::RectPP{};
    return kOk;
}

Result CGridOverlay::SetOverLapTable(const grid::PointPP* overlap) {
    std::lock_guard lock(mutex_);
    t_.overlap = overlap ? *overlap : grid::PointPP{};
    return kOk;
}

Result CGridOverlay::StartOverLap() {
    std::lock_guard lock(mutex_);
    return t_.FillOverlap() ? kOk : kFail;
}

Result CGridOverlay::GetLayoutInf(int panelWidth, int panelHeight, int layoutColumns, int layoutRows,
                                  int overlapX, int overlapY) {
    // The overlap must leave each panel a positive step, or the overlap table
    // would have no extent.
    if (panelWidth <= 0 || panelHeight <= 0 || layoutColumns < 0 || layoutRows < 0 || overlapX < 0 ||
        overlapY < 0 || overlapX >= panelWidth || overlapY >= panelHeight) {
        return kFail;
    }
    std::lock_guard lock(mutex_);
    t_.panelWidth = panelWidth;
    t_.panelHeight = panelHeight;
    t_.layoutColumns = layoutColumns;
    t_.layoutRows = layoutRows;
    t_.overlapX = overlapX;
    t_.overlapY = overlapY;
    return kOk;
}

Result CGridOverlay::FreeBoundaryTable() {
    std::lock_guard lock(mutex_);
    return kOk;
}

Result CGridOverlay::SetGridNum(int index) {
    if (!InRange(index, kGridNumbers.size())) return kFail;
    std::lock_guard lock(mutex_);
    t_.SetGridIndexOnly(index);
    return kOk;
}

Result CGridOverlay::SetMoveStep(int index) {
    if (!InRange(index, kMoveSteps.size())) return kFail;
    std::lock_guard lock(mutex_);
    t_.stepIndex = index;
    t_.step = kMoveSteps[index];
    return kOk;
}

Result CGridOverlay::SetWarpMode(int mode) {
    std::lock_guard lock(mutex_);
    t_.warpMode = mode;
    return kOk;
}

Result CGridOverlay::SetSelIndex(int column, int row) {
    std::lock_guard lock(mutex_);
    if (column < 0 || row < 0 || column >= t_.gridNumber || row >= t_.gridNumber) return kFail;
    t_.selColumn = column;
    t_.selRow = row;
    return kOk;
}

Result CGridOverlay::SetGridPitch(int index) {
    if (!InRange(index, kPitches.size())) return kFail;
    std::lock_guard lock(mutex_);
    t_.pitchIndex = index;
    t_.pitch = kPitches[index];
    return kOk;
}

Result CGridOverlay::SetInnerMode(int on) {
    std::lock_guard lock(mutex_);
    t_.SetInner(on);
    return kOk;
}

Result CGridOverlay::AdjustGridNum(int index) {
    if (!InRange(index, kGridNumbers.size())) return kFail;
    std::lock_guard lock(mutex_);
    if (!t_.bypass) t_.ChangeGridNumber(index);
    return kOk;
}

Result CGridOverlay::IncreaseGridNum() {
    std::lock_guard lock(mutex_);
    if (!t_.bypass && t_.gridIndex < static_cast<int>(kGridNumbers.size()) - 1)
        t_.ChangeGridNumber(t_.gridIndex + 1);
    return kOk;
}

Result CGridOverlay::DecreaseGridNum() {
    std::lock_guard lock(mutex_);
    if (!t_.bypass && t_.gridIndex > 0) t_.ChangeGridNumber(t_.gridIndex - 1);
    return kOk;
}

Result CGridOverlay::SelAdjustPoint(int direction) {
    if (direction < kUp || direction > kRight) return kFail;
    std::lock_guard lock(mutex_);
    if (!t_.bypass) t_.SelectNeighbour(direction);
    return kOk;
}

Result CGridOverlay::MoveAdjustPoint(int direction) {
    if (direction < kUp || direction > kRight) return kFail;
    std::lock_guard lock(mutex_);
    if (t_.bypass) return kOk;
    const double s = t_.step;
    const double dx = direction == kLeft ? -s : direction == kRight ? s : 0.0;
    const double dy = direction == kUp ? -s : direction == kDown ? s : 0.0;
    return t_.MoveSelected(dx, dy) ? kOk : kFail;
}

Result CGridOverlay::StartGrid(int fresh) {
    std::lock_guard lock(mutex_);
    return t_.StartGrid(fresh) ? kOk : kFail;
}

Result CGridOverlay::GetTable(grid::PointPP* out) {
    if (out == nullptr) return kFail;
    std::lock_guard lock(mutex_);
    *out = t_.grid;
    return kOk;
}

Result CGridOverlay::OnSetCursor() {
    std::lock_guard lock(mutex_);
    return t_.pointUnder ? kOk : kFail;
}

Result CGridOverlay::GetImageSize(int* widthHeight) {
    if (widthHeight == nullptr) return kFail;
    std::lock_guard lock(mutex_);
    widthHeight[0] = t_.imageWidth;
    widthHeight[1] = t_.imageHeight;
    return kOk;
}

Result CGridOverlay::GetGridNum(int* index) {
    if (index == nullptr) return kFail;
    std::lock_guard lock(mutex_);
    *index = t_.gridIndex;
    return kOk;
}

Result CGridOverlay::StretchedCamera(int x, int y, int* zoomLevel) {
    if (zoomLevel == nullptr) return kFail;
    std::lock_guard lock(mutex_);
    return t_.Zoom(t_.ViewToFrame(x, y), *zoomLevel) ? kOk : kFail;
}

Result CGridOverlay::OnTimer() {
    std::lock_guard lock(mutex_);
    return (t_.zoomLevel > 0 && !t_.pointUnder && t_.zoomDrag) ? kOk : kFail;
}

Result CGridOverlay::SetBoundaryType(const GridStyle* style) {
    if (style == nullptr) return kFail;
    GridStyle copy;
    std::memcpy(&copy, style, sizeof copy);
    std::lock_guard lock(mutex_);
    t_.style = StyleFromRecord(copy);
    return kOk;
}

Result CGridOverlay::CheckInputType(int width, int height, int bitsPerPixel, FrameOrientation orientation) {
    if (!UsableType(width, height, bitsPerPixel)) return kFail;
    std::lock_guard lock(mutex_);
    t_.SetFrameType(width, height, bitsPerPixel, orientation);
    return kOk;
}

Result CGridOverlay::SetMediaType(int width, int height, int bitsPerPixel, FrameOrientation orientation) {
    return CheckInputType(width, height, bitsPerPixel, orientation);
}

Result CGridOverlay::Transform(std::uint8_t* pixels, int width, int height, int stride, int bitsPerPixel,
                               FrameOrientation orientation) {
    if (pixels == nullptr || !UsableType(width, height, bitsPerPixel) ||
        stride < width * (bitsPerPixel / 8)) {
        return kFail;
    }
    std::lock_guard lock(mutex_);
    // The frame describes itself; a new size is taken as a newly connected type.
    t_.SetFrameType(width, height, bitsPerPixel, orientation);
    if (t_.bypass) return kOk;
    try {
        cv::Mat image(height, width, CV_8UC(bitsPerPixel / 8), pixels, static_cast<std::size_t>(stride));
        const bool bottomUp = orientation == FrameOrientation::BottomUp;
        if (bottomUp) cv::flip(image, image, 0);
        DrawFrame(t_, image);
        if (bottomUp) cv::flip(image, image, 0);
    } catch (const std::exception&) {
        // A frame is never failed: whatever was drawn stays.
    }
    return kOk;
}

CCvGridTracker CGridOverlay::Snapshot() const {
    std::lock_guard lock(mutex_);
    return t_;
}

}  // namespace gridveil::detail

extern "C" __attribute__((visibility("default"))) gridveil::IGridEditor* GridveilCreate(const char* classId) {
    if (classId == nullptr || std::strcmp(classId, gridveil::kClassId) != 0) return nullptr;
    return new (std::nothrow) gridveil::detail::CGridOverlay();
}
