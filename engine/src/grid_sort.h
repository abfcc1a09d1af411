// Grid sorting: which photographed blob is which pattern block.
//
// The grid photos of a channel give an unordered list of blobs. Starting from
// the four centre-group blobs, whose blocks are known, the sorter grows along
// rows and columns by predicting the next block position and taking the
// nearest blob, then fills the positions that stayed empty by extrapolation.
// Blobs are cv::Rect records holding centre x, centre y, width and height in
// working-image pixels; an entry of the grid is empty when all four are zero.
#pragma once

#include <vector>

#include <opencv2/core.hpp>

#include "VantisCore.h"

namespace vantiscore {

// blockColumns x blockRows blob records, row by row (index = row * N + column).
using BlobGrid = std::vector<cv::Rect>;

// The block layout the sorter needs, taken from a PatternInfo.
struct BlockLayout {
    int columns = 0;       // N
    int rows = 0;          // M
    int centreColumn = 0;  // first column of the centre group
    int centreRow = 0;     // first row of the centre group

    static BlockLayout FromPattern(const PatternInfo& info);
    int Count() const { return columns * rows; }
    int CentreIndex() const { return centreRow * columns + centreColumn; }
};

enum class GrowDirection { AlongRow = 0, AlongColumn = 1 };

// One growth step: from the seed pair (a0, a1), where a1 is the entry at start
// and a0 its neighbour after it (start + 1 along a row, start + N along a
// column), predicts n positions beyond each end and writes the nearest blob
// found near each prediction. A side that finds nothing moves on and predicts
// the same point again on its next iteration.
void GrowStep(BlobGrid& grid, const BlockLayout& layout, int start, int n, GrowDirection direction,
              cv::Rect a0, cv::Rect a1, const std::vector<cv::Rect>& blocks);

// Seeds the centre group (when exactly four centre blobs are given, ordered
// top left, top right, bottom left, bottom right) and grows the centre cross,
// then every column and every row outwards. Returns the grid before filling.
BlobGrid GrowGrid(const BlockLayout& layout, const std::vector<cv::Rect>& centres,
                  const std::vector<cv::Rect>& blocks);

// Places blobs that the growth passed by (a prediction that missed once
// never looks again): every empty entry with found neighbours is predicted
// from them and takes the nearest blob not placed yet within a quarter of
// the local spacing, pass after pass until nothing more is placed.
void RecoverMissedBlocks(BlobGrid& grid, const BlockLayout& layout, const std::vector<cv::Rect>& blocks);

// The three hole-filling passes, in the order they must run. Only empty
// entries (x = 0 and y = 0) are written, and only their x and y.
void ExtrapolateCentreRows(BlobGrid& grid, const BlockLayout& layout);
void ExtrapolateCentreColumns(BlobGrid& grid, const BlockLayout& layout);
void CompleteRows(BlobGrid& grid, const BlockLayout& layout);
void FillHoles(BlobGrid& grid, const BlockLayout& layout);

// Converts the sorted grid to block centres as floats; empty entries become (0, 0).
std::vector<cv::Point2f> ToBlockGrid(const BlobGrid& grid);

// The sorted grid of one channel and which of its entries are blobs found on
// the photos (the others were filled by extrapolation or stayed empty).
struct SortedBlocks {
    BlobGrid grid;
    std::vector<bool> found;
};

// Growth and hole filling.
SortedBlocks SortBlocks(const PatternInfo& info, const std::vector<cv::Rect>& centres,
                        const std::vector<cv::Rect>& blocks);

// The whole sorting of one channel: growth, hole filling, conversion.
std::vector<cv::Point2f> SortBlockGrid(const PatternInfo& info, const std::vector<cv::Rect>& centres,
                                       const std::vector<cv::Rect>& blocks);

}  // namespace vantiscore
