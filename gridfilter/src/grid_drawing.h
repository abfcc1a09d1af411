// Per-frame drawing of the grid editor: the dashed grid lines, the overlap
// outlines and the adjust-point markers, all mapped through the view matrix.
#pragma once

#include <opencv2/core.hpp>

#include "grid_tracker.h"

namespace gridveil::detail {

// Every fourth grid column and row as alternating one-node dashes,
// anti-aliased, in the style's colours and widths.
void DrawGridLines(const CCvGridTracker& t, cv::Mat& image);

// The borders of the zones each panel shares with the panel above it and the
// panel to its left, from the overlap table.
void DrawOverlapOutlines(const CCvGridTracker& t, cv::Mat& image);

// An X and a circle at every adjust point; the selected one in its own size
// and colour.
void DrawMarkers(const CCvGridTracker& t, cv::Mat& image);

// Zoom, draw, all three steps, on an image that is already the right way up.
void DrawFrame(const CCvGridTracker& t, cv::Mat& image);

}  // namespace gridveil::detail
