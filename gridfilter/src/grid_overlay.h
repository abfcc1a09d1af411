// CGridOverlay: the grid editor object the plug-in's factory returns. It owns
// the editing state and serialises every operation and the per-frame
// transform under one mutex.
#pragma once

#include <mutex>

#include "Gridveil/IGridEditor.h"
#include "grid_tracker.h"

namespace gridveil::detail {

class CGridOverlay final : public IGridEditor {
  public:
    CGridOverlay() = default;

    Result ByPass(int on) override;
    Result IsByPass(int* on) override;
    Result OnLButtonDown(int x, int y) override;
    Result OnLButtonUp(int x, int y) override;
    Result OnMouseMove(int x, int y) override;
    Result Open(int viewWidth, int viewHeight) override;
    Result SetTiming(int panelWidth, int panelHeight, int gridColumns, int gridRows) override;
    Result SetBoundaryTable(const grid::PointPP* adjustPoints, const grid::PointPP* grid,
                            const grid::PointPP* coarse, const grid::RectPP* markers) override;
    Result SetOverLapTable(const grid::PointPP* overlap) override;
    Result StartOverLap() override;
    Result GetLayoutInf(int panelWidth, int panelHeight, int layoutColumns, int layoutRows, int overlapX,
                        int overlapY) override;
    Result FreeBoundaryTable() override;
    Result SetGridNum(int index) override;
    Result SetMoveStep(int index) override;
    Result SetWarpMode(int mode) override;
    Result SetSelIndex(int column, int row) override;
    Result SetGridPitch(int index) override;
    Result SetInnerMode(int on) override;
    Result AdjustGridNum(int index) override;
    Result IncreaseGridNum() override;
    Result DecreaseGridNum() override;
    Result SelAdjustPoint(int direction) override;
    Result MoveAdjustPoint(int direction) override;
    Result StartGrid(int fresh) override;
    Result GetTable(grid::PointPP* out) override;
    Result OnSetCursor() override;
    Result GetImageSize(int* widthHeight) override;
    Result GetGridNum(int* index) override;
    Result StretchedCamera(int x, int y, int* zoomLevel) override;
    Result OnTimer() override;
    Result SetBoundaryType(const GridStyle* style) override;

    Result CheckInputType(int width, int height, int bitsPerPixel, FrameOrientation orientation) override;
    Result SetMediaType(int width, int height, int bitsPerPixel, FrameOrientation orientation) override;
    Result Transform(std::uint8_t* pixels, int width, int height, int stride, int bitsPerPixel,
                     FrameOrientation orientation) override;

    // A copy of the editing state, for tests.
    CCvGridTracker Snapshot() const;

  private:
    mutable std::mutex mutex_;
    CCvGridTracker t_;
};

}  // namespace gridveil::detail
