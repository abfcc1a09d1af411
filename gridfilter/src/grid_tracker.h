// CCvGridTracker: the editing state of the grid editor and every editing
// operation on it. It takes no lock; the owner (CGridOverlay) serialises all
// calls under its one mutex.
#pragma once

#include <array>

#include <opencv2/core.hpp>

#include "Gridveil/IGridEditor.h"
#include "grid_math.h"

namespace gridveil::detail {

inline constexpr std::array<int, 5> kGridNumbers = {2, 3, 5, 9, 17};
inline constexpr std::array<double, 8> kMoveSteps = {0.5, 1, 3, 10, 30, 100, 300, 1000};
inline constexpr std::array<int, 4> kPitches = {16, 32, 48, 64};
inline constexpr std::array<int, 5> kZoomPercent = {100, 80, 60, 40, 20};
inline constexpr int kMaxGridNumber = 17;
inline constexpr int kMaxPitch = 64;

// Drawing colour and width of one kind of line.
struct Pen {
    cv::Scalar colour;
    int width = 1;
};

// The style as the drawing uses it.
struct DrawStyle {
    Pen firstColumn, lastColumn, firstRow, lastRow, otherLines;
    cv::Scalar selectedMarker, otherMarkers;
    int selectedMarkerSize = 1, otherMarkersSize = 1;
    Pen overlap;
};
DrawStyle InitialStyle();
DrawStyle StyleFromRecord(const GridStyle& record);

struct CCvGridTracker {
    // Frame header: width, height (negative = top-down), bits per pixel.
    int frameWidth = 800;
    int frameHeight = 600;
    int bitsPerPixel = 24;
    bool typeConnected = false;  // a frame type has been connected since creation

    int bypass = 1;
    int viewWidth = 0, viewHeight = 0;  // 0: not opened yet
    int imageWidth = 0, imageHeight = 0;
    double imageScaleX = 1.0, imageScaleY = 1.0;  // new / old image size at Open

    int panelWidth = 1024, panelHeight = 768;
    int layoutColumns = 0, layoutRows = 0;
    int overlapX = 0, overlapY = 0;

    int gridColumns = 17, gridRows = 17;
    int lastColumn = 16, lastRow = 16;
    int gridIndex = 0, gridNumber = 2;
    int stepIndex = 1;
    double step = 1.0;
    int pitchIndex = 0, pitch = 16;
    int warpMode = 0;
    int innerMode = 0;
    int selColumn = 0, selRow = 0;

    int zoomLevel = 0;
    cv::Matx33d view = cv::Matx33d::eye();
    cv::Matx33d viewInverse = cv::Matx33d::eye();
    float windowX = 0, windowY = 0, windowW = 800, windowH = 600;  // zoom window kept between calls

    // Pointer state, positions in frame pixels.
    bool buttonDown = false;
    bool pointUnder = false;
    bool zoomDrag = false;
    cv::Point2d pointer, lastPointer;
    std::array<cv::Point2d, 2> track;
    int trackCount = 0;

    int markerRadius = 0;
    int markerLineWidth = 1;
    DrawStyle style = InitialStyle();

    // Caller-owned tables (null until given).
    grid::PointPP adjust, grid, coarse, overlap;
    grid::RectPP markers;

    // --- frame type ---------------------------------------------------------
    static bool AcceptsDepth(int bitsPerPixel);
    // Remembers a connected frame type; a new size resets the image size, its
    // factors, the marker radius and the zoom window.
    void SetFrameType(int width, int height, int bitsPerPixel, FrameOrientation orientation);
    int AbsFrameHeight() const { return frameHeight < 0 ? -frameHeight : frameHeight; }

    // --- table views --------------------------------------------------------
    TableView AdjustView() const { return {adjust, gridNumber, gridNumber}; }
    TableView GridView() const { return {grid, gridColumns, gridRows}; }
    TableView CoarseView() const { return {coarse, pitch + 1, pitch + 1}; }
    TableView OverlapView() const;

    // --- editing ------------------------------------------------------------
    cv::Point2d ViewToFrame(int x, int y) const;
    void OpenView(int width, int height);
    void SetGridIndexOnly(int index);
    void ChangeGridNumber(int index);
    void SetInner(int on);
    void SelectNeighbour(int direction);
    bool MoveSelected(double dx, double dy);
    bool StartGrid(int fresh);
    bool FillOverlap();
    void FillMarkers();
    void PointerMove(cv::Point2d position);
    bool Zoom(cv::Point2d position, int level);
    bool SelectionValid() const {
        return selColumn >= 0 && selColumn < gridNumber && selRow >= 0 && selRow < gridNumber;
    }

  private:
    void RebuildAfterMove();
    void RebuildFromAdjust(bool allowLocal);
    void HitTest(cv::Point2d position);
    void SetView(const cv::Mat& transform);
};

}  // namespace gridveil::detail
