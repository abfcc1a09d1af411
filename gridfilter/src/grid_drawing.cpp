#include "grid_drawing.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "VantisCore.h"

namespace gridveil::detail {

namespace {

// Coordinates far outside any frame are clipped by the drawing functions;
// limiting them keeps the conversion to int defined.
constexpr double kCoordinateLimit = 1 << 20;

int Coordinate(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<int>(std::clamp(v, -kCoordinateLimit, kCoordinateLimit));
}

// x' = m00 x + m01 y + m02, y' = m10 x + m11 y + m12, truncated.
cv::Point MapTruncated(const cv::Matx33d& m, double x, double y) {
    return {Coordinate(m(0, 0) * x + m(0, 1) * y + m(0, 2)), Coordinate(m(1, 0) * x + m(1, 1) * y + m(1, 2))};
}

cv::Point MapRounded(const cv::Matx33d& m, double x, double y) {
    return {Coordinate(std::round(m(0, 0) * x + m(0, 1) * y + m(0, 2))),
            Coordinate(std::round(m(1, 0) * x + m(1, 1) * y + m(1, 2)))};
}

bool IsIdentity(const cv::Matx33d& m) {
    return m == cv::Matx33d::eye();
}

}  // namespace

void DrawGridLines(const CCvGridTracker& t, cv::Mat& image) {
    const TableView g = t.GridView();
    if (!g.Valid()) return;
    const int lastColumn = std::min(t.lastColumn, g.columns - 1);
    const int lastRow = std::min(t.lastRow, g.rows - 1);
    const auto segment = [&](int c0, int r0, int c1, int r1, const Pen& pen) {
        cv::line(image, MapTruncated(t.view, g.X(c0, r0), g.Y(c0, r0)),
                 MapTruncated(t.view, g.X(c1, r1), g.Y(c1, r1)), pen.colour, pen.width, cv::LINE_AA);
    };
    for (int i = 0; i <= lastColumn; i += 4) {
        const Pen& pen = i == 0            ? t.style.firstColumn
                         : i == lastColumn ? t.style.lastColumn
                                           : t.style.otherLines;
        for (int k = 0; k < lastRow; k += 2) segment(i, k, i, k + 1, pen);
    }
    for (int k = 0; k <= lastRow; k += 4) {
        const Pen& pen = k == 0 ? t.style.firstRow : k == lastRow ? t.style.lastRow : t.style.otherLines;
        for (int i = 0; i < lastColumn; i += 2) segment(i, k, i + 1, k, pen);
    }
}

void DrawOverlapOutlines(const CCvGridTracker& t, cv::Mat& image) {
    if (t.layoutRows < 1) return;
    const TableView o = t.OverlapView();
    if (!o.Valid()) return;
    const int ox8 = t.overlapX / 8, oy8 = t.overlapY / 8;
    const int stepColumns = (t.panelWidth - t.overlapX) / 8;
    const int stepRows = (t.panelHeight - t.overlapY) / 8;
    const int spanColumns = stepColumns + ox8;
    const int spanRows = stepRows + oy8;
    const auto segment = [&](int c0, int r0, int c1, int r1) {
        if (c0 < 0 || r0 < 0 || c1 >= o.columns || r1 >= o.rows) return;  // outside the table
        cv::line(image, MapTruncated(t.view, o.X(c0, r0), o.Y(c0, r0)),
                 MapTruncated(t.view, o.X(c1, r1), o.Y(c1, r1)), t.style.overlap.colour,
                 t.style.overlap.width, cv::LINE_8);
    };
    for (int pr = 0; pr < t.layoutRows; ++pr) {
        for (int pc = 0; pc < t.layoutColumns; ++pc) {
            const int column0 = pc * stepColumns;
            const int row0 = pr * stepRows;
            if (pr > 0) {  // the zone shared with the panel above
                for (int c = column0; c < column0 + spanColumns; ++c) {
                    segment(c, row0, c + 1, row0);
                    segment(c, row0 + oy8, c + 1, row0 + oy8);
                }
            }
            if (pc > 0) {  // the zone shared with the panel to the left
                for (int r = row0; r < row0 + spanRows; ++r) {
                    segment(column0, r, column0, r + 1);
                    segment(column0 + ox8, r, column0 + ox8, r + 1);
                }
            }
        }
    }
}

void DrawMarkers(const CCvGridTracker& t, cv::Mat& image) {
    const TableView a = t.AdjustView();
    if (!a.Valid()) return;
    const double cos45 = std::cos(CV_PI / 4);
    for (int i = 0; i < t.gridNumber; ++i) {
        for (int j = 0; j < t.gridNumber; ++j) {
            const bool selected = i == t.selColumn && j == t.selRow;
            const int size = selected ? t.style.selectedMarkerSize : t.style.otherMarkersSize;
            const cv::Scalar& colour = selected ? t.style.selectedMarker : t.style.otherMarkers;
            const cv::Point c = MapRounded(t.view, a.X(i, j), a.Y(i, j));
            const int d = static_cast<int>(size * cos45);
            cv::line(image, c + cv::Point(-d, -d), c + cv::Point(d, d), colour, t.markerLineWidth,
                     cv::LINE_8);
            cv::line(image, c + cv::Point(-d, d), c + cv::Point(d, -d), colour, t.markerLineWidth,
                     cv::LINE_8);
            cv::circle(image, c, size, colour, t.markerLineWidth, cv::LINE_8);
        }
    }
}

void DrawFrame(const CCvGridTracker& t, cv::Mat& image) {
    // The identity warp copies every pixel unchanged, so it is skipped.
    if (!IsIdentity(t.view)) ZoomPerspective(image, &image, cv::Mat(t.view));
    DrawGridLines(t, image);
    DrawOverlapOutlines(t, image);
    DrawMarkers(t, image);
}

}  // namespace gridveil::detail
