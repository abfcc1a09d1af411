#include "grid_tracker.h"

#include <algorithm>
#include <cmath>

#include "VantisCore.h"
#include "grid_build.h"
#include "vantis/overlap_table.h"

namespace gridveil::detail {

namespace {

constexpr int kMaxLineWidth = 64;
constexpr int kMaxMarkerSize = 4096;

cv::Scalar ColourOf(const StyleColour& c) {
    return cv::Scalar(c.c0, c.c1, c.c2, 0);
}

Pen PenOf(const StyleColour& c, std::int32_t width) {
    return {ColourOf(c), std::clamp<int>(width, 1, kMaxLineWidth)};
}

cv::Point2d Apply(const cv::Matx33d& m, cv::Point2d p) {
    const double w = m(2, 0) * p.x + m(2, 1) * p.y + m(2, 2);
    const double s = std::fabs(w) > 1e-12 ? 1.0 / w : 1.0;
    return {(m(0, 0) * p.x + m(0, 1) * p.y + m(0, 2)) * s, (m(1, 0) * p.x + m(1, 1) * p.y + m(1, 2)) * s};
}

}  // namespace

DrawStyle InitialStyle() {
    // The first colour component starts at 16777215 and so saturates the
    // frame's first channel.
    const cv::Scalar initial(16777215, 0, 0, 0);
    DrawStyle s;
    s.firstColumn = s.lastColumn = s.firstRow = s.lastRow = s.otherLines = s.overlap = Pen{initial, 1};
    s.selectedMarker = s.otherMarkers = initial;
    s.selectedMarkerSize = s.otherMarkersSize = 1;
    return s;
}

DrawStyle StyleFromRecord(const GridStyle& r) {
    DrawStyle s;
    s.firstColumn = PenOf(r.firstColumn, r.firstColumnWidth);
    s.lastColumn = PenOf(r.lastColumn, r.lastColumnWidth);
    s.firstRow = PenOf(r.firstRow, r.firstRowWidth);
    s.lastRow = PenOf(r.lastRow, r.lastRowWidth);
    s.otherLines = PenOf(r.otherLines, r.otherLinesWidth);
    s.selectedMarker = ColourOf(r.selectedMarker);
    s.otherMarkers = ColourOf(r.otherMarkers);
    s.selectedMarkerSize = std::clamp<int>(r.selectedMarkerSize, 0, kMaxMarkerSize);
    s.otherMarkersSize = std::clamp<int>(r.otherMarkersSize, 0, kMaxMarkerSize);
    s.overlap = PenOf(r.overlap, r.overlapWidth);
    return s;
}

bool CCvGridTracker::AcceptsDepth(int bpp) {
    return bpp == 16 || bpp == 24 || bpp == 32;
}

void CCvGridTracker::SetFrameType(int width, int height, int bpp, FrameOrientation orientation) {
    const bool newSize = !typeConnected || width != frameWidth || height != AbsFrameHeight();
    frameWidth = width;
    frameHeight = orientation == FrameOrientation::TopDown ? -height : height;
    bitsPerPixel = bpp;
    typeConnected = true;
    if (!newSize) return;
    imageWidth = width;
    imageHeight = height;
    imageScaleX = imageScaleY = 1.0;
    markerRadius = MarkerRadius(width);
    markerLineWidth = 2;
    // A zoom window of another picture size does not fit this one.
    zoomLevel = 0;
    view = viewInverse = cv::Matx33d::eye();
    windowX = windowY = 0;
    windowW = static_cast<float>(width);
    windowH = static_cast<float>(height);
}

TableView CCvGridTracker::OverlapView() const {
    // The size the window allocated the table with.
    const vantis::OverlapTableSize size =
        vantis::OverlapTableSizeOf(panelWidth, panelHeight, layoutColumns, layoutRows, overlapX, overlapY);
    return {overlap, size.columns, size.rows};
}

cv::Point2d CCvGridTracker::ViewToFrame(int x, int y) const {
    // Before the view size is known, view pixels are taken as frame pixels.
    const double sx = viewWidth > 0 ? static_cast<double>(frameWidth) / viewWidth : 1.0;
    const double sy = viewHeight > 0 ? static_cast<double>(AbsFrameHeight()) / viewHeight : 1.0;
    return {x * sx, y * sy};
}

void CCvGridTracker::OpenView(int width, int height) {
    viewWidth = width;
    viewHeight = height;
    int fitted[2];
    FittedImageSize(frameWidth, AbsFrameHeight(), width, height, fitted);
    imageScaleX = imageWidth > 0 ? static_cast<double>(fitted[0]) / imageWidth : 1.0;
    imageScaleY = imageHeight > 0 ? static_cast<double>(fitted[1]) / imageHeight : 1.0;
    imageWidth = fitted[0];
    imageHeight = fitted[1];
}

void CCvGridTracker::SetGridIndexOnly(int index) {
    gridIndex = index;
    gridNumber = kGridNumbers[index];
}

void CCvGridTracker::ChangeGridNumber(int index) {
    SetGridIndexOnly(index);
    if (index == 0) innerMode = 0;
    selColumn = selRow = innerMode ? 1 : 0;
    ResampleBilinear(GridView(), AdjustView());
    FillMarkers();
}

void CCvGridTracker::SetInner(int on) {
    if (!on) {
        innerMode = 0;
        selColumn = selRow = 0;
        return;
    }
    innerMode = 1;
    if (gridIndex > 0) selColumn = selRow = 1;
}

void CCvGridTracker::SelectNeighbour(int direction) {
    const int n = gridNumber;
    int i = std::clamp(selColumn, 0, n - 1);
    int j = std::clamp(selRow, 0, n - 1);
    const bool middleColumn = i > 0 && i < n - 1;
    const bool middleRow = j > 0 && j < n - 1;
    if (!innerMode) {
        // Around the outermost ring; a middle column or row jumps across.
        switch (direction) {
            case kUp:
                j = j == 0 ? n - 1 : (j == n - 1 && middleColumn ? 0 : j - 1);
                break;
            case kDown:
                j = j == n - 1 ? 0 : (j == 0 && middleColumn ? n - 1 : j + 1);
                break;
            case kLeft:
                i = i == 0 ? n - 1 : (i == n - 1 && middleRow ? 0 : i - 1);
                break;
            case kRight:
                i = i == n - 1 ? 0 : (i == 0 && middleRow ? n - 1 : i + 1);
                break;
            default:
                return;
        }
    } else {
        // Inside the ring, wrapping between 1 and n - 2.
        switch (direction) {
            case kUp:
                j = j <= 1 ? n - 2 : j - 1;
                break;
            case kDown:
                j = j >= n - 2 ? 1 : j + 1;
                break;
            case kLeft:
                i = i <= 1 ? n - 2 : i - 1;
                break;
            case kRight:
                i = i >= n - 2 ? 1 : i + 1;
                break;
            default:
                return;
        }
    }
    selColumn = std::max(i, 0);
    selRow = std::max(j, 0);
}

bool CCvGridTracker::MoveSelected(double dx, double dy) {
    const TableView a = AdjustView();
    if (!a.Valid() || !GridView().Valid() || !SelectionValid()) return false;
    a.X(selColumn, selRow) = static_cast<float>(a.X(selColumn, selRow) + dx);
    a.Y(selColumn, selRow) = static_cast<float>(a.Y(selColumn, selRow) + dy);
    RebuildAfterMove();
    return true;
}

void CCvGridTracker::RebuildFromAdjust(bool allowLocal) {
    const GridShape shape{static_cast<double>(panelWidth), static_cast<double>(panelHeight), warpMode};
    const bool interior =
        selColumn > 0 && selColumn < gridNumber - 1 && selRow > 0 && selRow < gridNumber - 1;
    if (allowLocal && gridNumber > 2 && innerMode && interior) {
        UpdateGridAround(AdjustView(), GridView(), shape, selColumn, selRow);
    } else {
        BuildFullGrid(AdjustView(), GridView(), shape);
    }
}

void CCvGridTracker::RebuildAfterMove() {
    RebuildFromAdjust(true);
    ResampleBilinear(GridView(), CoarseView());
    // On the outer ring only the edges count; the inner adjust points follow
    // the grid.
    if (!innerMode) ResampleBilinear(GridView(), AdjustView());
    FillOverlap();
    FillMarkers();
}

bool CCvGridTracker::StartGrid(int fresh) {
    const TableView a = AdjustView();
    if (!a.Valid() || !GridView().Valid()) return false;
    const int n = gridNumber;
    if (fresh != 0 || imageWidth == 0 || imageHeight == 0) {
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                a.X(i, j) = static_cast<float>((i + 1.0) / (n + 1.0) * imageWidth);
                a.Y(i, j) = static_cast<float>((j + 1.0) / (n + 1.0) * imageHeight);
            }
        }
    } else {
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                a.X(i, j) = static_cast<float>(a.X(i, j) * imageScaleX);
                a.Y(i, j) = static_cast<float>(a.Y(i, j) * imageScaleY);
            }
        }
        // The factors are spent: a second rebuild must not scale again.
        imageScaleX = imageScaleY = 1.0;
    }
    // Every adjust point moved, so the whole grid is rebuilt.
    RebuildFromAdjust(false);
    ResampleBilinear(GridView(), CoarseView());
    FillMarkers();
    return true;
}

bool CCvGridTracker::FillOverlap() {
    const TableView o = OverlapView();
    if (!o.Valid() || !GridView().Valid()) return false;
    ResampleBilinear(GridView(), o);
    return true;
}

void CCvGridTracker::FillMarkers() {
    const TableView a = AdjustView();
    if (!a.Valid() || !markers.left || !markers.top || !markers.right || !markers.bottom) return;
    for (int i = 0; i < gridNumber; ++i) {
        for (int j = 0; j < gridNumber; ++j) {
            const float x = a.X(i, j), y = a.Y(i, j);
            markers.left[i][j] = x;
            markers.top[i][j] = y;
            markers.right[i][j] = x + static_cast<float>(markerRadius);
            markers.bottom[i][j] = y + static_cast<float>(markerRadius);
        }
    }
}

void CCvGridTracker::HitTest(cv::Point2d position) {
    pointUnder = false;
    if (!markers.left || !markers.top || !markers.right || !markers.bottom) return;
    const auto mapped = [&](float x, float y) {
        const cv::Point2d p(view(0, 0) * x + view(0, 1) * y + view(0, 2),
                            view(1, 0) * x + view(1, 1) * y + view(1, 2));
        return cv::Point2d(SaturatingInt(p.x), SaturatingInt(p.y));
    };
    const int n = gridNumber;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const cv::Point2d p = mapped(markers.left[i][j], markers.top[i][j]);
            const cv::Point2d partner = mapped(markers.right[i][j], markers.bottom[i][j]);
            const int toPointer = SaturatingInt(cv::norm(position - p));
            const int toPartner = SaturatingInt(cv::norm(partner - p));
            if (toPointer < toPartner) {
                // The first hit of a column counts; a later column replaces it.
                selColumn = i;
                selRow = j;
                pointUnder = true;
                innerMode = (i > 0 && i < n - 1 && j > 0 && j < n - 1) ? 1 : 0;
                break;
            }
        }
    }
}

void CCvGridTracker::SetView(const cv::Mat& transform) {
    if (transform.rows != 3 || transform.cols != 3) return;
    cv::Mat m;
    transform.convertTo(m, CV_64F);
    const cv::Matx33d candidate(m.ptr<double>());
    bool invertible = false;
    const cv::Matx33d inverse = candidate.inv(cv::DECOMP_LU, &invertible);
    if (!invertible) return;
    view = candidate;
    viewInverse = inverse;
}

void CCvGridTracker::PointerMove(cv::Point2d position) {
    const double d = 100.0 / kZoomPercent[std::clamp(zoomLevel, 0, 4)];
    if (!buttonDown) {
        HitTest(position);
        lastPointer = position;
        zoomDrag = false;
        return;
    }
    if (!pointUnder && zoomLevel > 0) {
        // Drag the zoom window with the pointer: keep the newest two positions.
        if (trackCount == 2) track[0] = track[1];
        track[std::min(trackCount, 1)] = position;
        trackCount = std::min(trackCount + 1, 2);
        if (trackCount == 2) {
            cv::Mat transform;
            GetShiftMatrix(frameWidth, AbsFrameHeight(), static_cast<float>((track[1].x - track[0].x) / d),
                           static_cast<float>((track[1].y - track[0].y) / d), &transform, &windowX, &windowY,
                           &windowW, &windowH);
            SetView(transform);
        }
        zoomDrag = true;
        return;
    }
    if (pointUnder) {
        MoveSelected((position.x - lastPointer.x) / d, (position.y - lastPointer.y) / d);
        lastPointer = position;
    }
}

bool CCvGridTracker::Zoom(cv::Point2d position, int level) {
    if (level < 0 || level >= static_cast<int>(kZoomPercent.size())) return false;
    const cv::Point2d centre = Apply(viewInverse, position);
    zoomLevel = level;
    std::int32_t step = level;
    cv::Mat transform;
    GetZoomMatrix(frameWidth, AbsFrameHeight(), &step, static_cast<float>(centre.x),
                  static_cast<float>(centre.y), &transform, &windowX, &windowY, &windowW, &windowH);
    SetView(transform);
    return true;
}

}  // namespace gridveil::detail
