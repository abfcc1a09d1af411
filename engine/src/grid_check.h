// After sorting: the block centres at the precision asked for, the check that
// the blocks form one consistent grid, the figures of the fit, and the ring
// of virtual blocks around the grid that carries the warp to the panel edges.
#pragma once

#include <vector>

#include <opencv2/core.hpp>

#include "VantisCore.h"
#include "grid_sort.h"

namespace vantiscore {

// The sorted grid's block centres (working-image pixels). Box mode gives the
// integer box centres as sorted. Centroid mode replaces every found entry by
// the intensity centroid of its blob (a seed from the centre photos takes
// the centroid of the grid-photo blob at its place) and extrapolates the
// filled entries again from the refined ones.
std::vector<cv::Point2f> RefineCentres(const SortedBlocks& sorted, const BlockLayout& layout,
                                       const std::vector<cv::Rect>& blocks,
                                       const std::vector<cv::Point2f>& centroids, CentreMode mode);

// Panel-pixel centre of every block in the convention of a centre mode: box
// centres are (blockWidth / 2, blockHeight / 2) from the block's corner,
// centroids the true middle of its pixels.
std::vector<cv::Point2f> IdealCentres(const PatternInfo& info, CentreMode mode);

// Outcome of the consistency check of one channel.
struct GridCheck {
    bool consistent = true;
    std::vector<double> residuals;  // per entry, panel px; negative where not measured
    ChannelFigures figures;         // all but extrapolationMax
};

// Each found block is predicted from the homography of its found neighbours
// in a 3 x 3 window (itself left out); the residual is the distance of its
// panel position from that prediction. The grid is inconsistent when a blob
// sits at two places, a residual exceeds a quarter of the pitch (a slipped
// row or column), too few blocks were placed, or block-sized blobs were
// left over that belong nowhere.
GridCheck CheckGrid(const PatternInfo& info, const SortedBlocks& sorted,
                    const std::vector<cv::Point2f>& centres, const std::vector<cv::Point2f>& ideal,
                    const std::vector<cv::Rect>& blocks);

// Farthest warp point (panel px) beyond the rectangle of the found blocks'
// panel centres.
double ExtrapolationDistance(const std::vector<cv::Point2f>& warp, const std::vector<cv::Point2f>& ideal,
                             const std::vector<bool>& found);

// The grid grown by one ring of virtual blocks (layout columns + 2 by rows +
// 2). Along every column and then every row the ring's camera position is
// extrapolated by a least-squares quadratic over the four outermost blocks,
// which follows lens distortion; the ideal positions continue the pitch.
// The warp of the panel strip outside the outermost blocks then interpolates
// between real and virtual blocks instead of stretching one edge cell.
struct RingedGrid {
    std::vector<cv::Point2f> centres;
    std::vector<cv::Point2f> ideal;
    BlockLayout layout;
    // RMS share of the blocks' independent centre errors that stays in the
    // centres over the grid: 1 as measured, the root of the local fit's mean
    // leverage when smoothed.
    double errorKept = 1.0;
};
RingedGrid AddVirtualRing(const std::vector<cv::Point2f>& centres, const std::vector<cv::Point2f>& ideal,
                          const BlockLayout& layout, const PatternInfo& info);

// A local least-squares fit of block centres over the grid: a polynomial of
// this degree (2 or 3) in column and row over the (2 radius + 1)^2 window
// around each place, moved inwards at the grid's edges. Radius 0 chooses the
// window per grid: of cubics over 5, 7, 11 and 17 blocks square, the one whose
// fits predict left-out centres best (wide windows average centroid noise,
// narrow ones follow strong lens distortion).
struct LocalFit {
    int radius = 0;
    int degree = 3;
};

// The block centres with their measurement noise smoothed out: every entry
// becomes the local fit's value at its own place. A low-order polynomial over
// a few pitches follows perspective and lens distortion, and it averages the
// centroid noise of the window's blocks instead of passing each block's own
// through. Entries whose window holds too few found blocks stay as they are.
// errorKept, when given, receives the RMS share of the centres' independent
// errors left in the result (RingedGrid::errorKept).
std::vector<cv::Point2f> SmoothCentres(const std::vector<cv::Point2f>& centres,
                                       const std::vector<bool>& found, const BlockLayout& layout,
                                       const LocalFit& fit = {}, double* errorKept = nullptr);

// The smoothed grid with its ring of virtual blocks taken from the same local
// fit of the outermost blocks' windows (AddVirtualRing's continuation where
// a window cannot be fitted).
RingedGrid FittedRing(const std::vector<cv::Point2f>& centres, const std::vector<bool>& found,
                      const std::vector<cv::Point2f>& ideal, const BlockLayout& layout,
                      const PatternInfo& info, const LocalFit& fit = {});

}  // namespace vantiscore
