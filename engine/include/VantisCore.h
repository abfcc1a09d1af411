// VantisCore — the auto-warp engine.
//
// Photographs of projected test patterns in, warp grids out; exposure verdicts
// for the camera; zoom and shift matrices for the camera preview.
//
// The library keeps no state between calls and starts no threads: every
// operation receives what it needs and returns its results through its return
// value and caller-owned out-parameters, so all operations are re-entrant.
// Nothing throws to the caller: failures (including OpenCV errors) become
// failure results, and out-parameters are left untouched on failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#if defined(__GNUC__)
#define VANTISCORE_API __attribute__((visibility("default")))
#else
#define VANTISCORE_API
#endif

// Panel resolution and test-pattern geometry: 0 1024x768, 1 1280x800,
// 2 1920x1200, 3 1920x1080, 4 1280x720. Other values have no geometry.
using PatternType = std::int32_t;

// Solution of a calibration.
using WarpingMode = std::int32_t;
inline constexpr WarpingMode kWarpingStacking = 0;
inline constexpr WarpingMode kWarpingBlending = 1;
inline constexpr WarpingMode kWarpingStackingBlending = 2;

// Row-major list of points on a 16-pixel node pitch: all points of the top row
// from left to right, then the next row. A warp grid holds panel pixels (panel
// form: gridColumns x gridRows of AutoWarpGetPatternInfo(false, type)).
using WarpGrid = std::vector<cv::Point2f>;

// The target outline on the camera picture: a WarpGrid-shaped list of
// kBoundaryColumns x kBoundaryRows points in camera-photo pixels.
using BoundaryGrid = std::vector<cv::Point2f>;
inline constexpr int kBoundaryColumns = 129;
inline constexpr int kBoundaryRows = 65;

// Test-pattern geometry of a panel, fourteen 32-bit integers in this order.
struct PatternInfo {
    std::int32_t width = 0;            // panel width W
    std::int32_t height = 0;           // panel height H
    std::int32_t gridColumns = 0;      // warp-grid columns
    std::int32_t gridRows = 0;         // warp-grid rows
    std::int32_t blockColumns = 0;     // pattern blocks across
    std::int32_t blockRows = 0;        // pattern blocks down
    std::int32_t pitchX = 0;           // horizontal distance between block origins
    std::int32_t pitchY = 0;           // vertical distance between block origins
    std::int32_t blockWidth = 0;       // width of one lit block
    std::int32_t blockHeight = 0;      // height of one lit block
    std::int32_t centreColumn = 0;     // first block column of the centre group
    std::int32_t centreRow = 0;        // first block row of the centre group
    std::int32_t centreColumnEnd = 0;  // centreColumn + 2
    std::int32_t centreRowEnd = 0;     // centreRow + 2
};
static_assert(sizeof(PatternInfo) == 14 * sizeof(std::int32_t));

// Status of AutoDoImageWarping.
using WarpStatus = std::int32_t;
inline constexpr WarpStatus kWarpOk = 0;
inline constexpr WarpStatus kWarpPhotoUnreadable = 1;   // black, white, centre or grid photo unreadable
inline constexpr WarpStatus kWarpBadArguments = 2;      // channel count or inputs do not fit the call
inline constexpr WarpStatus kWarpRegionAtEdge = 3;      // projected area touches the photo edge
inline constexpr WarpStatus kWarpCentreBlobs = 4;       // a centre photo without exactly four blobs
inline constexpr WarpStatus kWarpGridInconsistent = 5;  // a channel's blocks do not form one consistent grid

struct WarpResult {
    WarpStatus status = kWarpOk;
    cv::Mat photo;             // on failure: the photo (at kWorkSize) in which detection failed
    std::int32_t channel = 0;  // on failure: 1-based channel number; 0 on success
};

// How a pattern block's position on the photo is measured.
using CentreMode = std::int32_t;
inline constexpr CentreMode kCentresCentroid =
    0;                                        // intensity-weighted centroid of the block's light (default)
inline constexpr CentreMode kCentresBox = 1;  // integer centre of the block's bounding box

// Settings of AutoDoImageWarpingEx.
struct WarpOptions {
    CentreMode centres = kCentresCentroid;
};

// How well one channel's photographed blocks fit the pattern, so that a
// calibration can be judged before it is used. Lengths are panel pixels.
struct ChannelFigures {
    std::int32_t blocksFound = 0;     // pattern blocks found on the grid photos and placed in the grid
    std::int32_t blocksExpected = 0;  // pattern blocks of the panel
    double residualRms = 0.0;         // block positions against the fit of their neighbours: RMS
    double residualMax = 0.0;         // and maximum
    double extrapolationMax = 0.0;    // farthest warp point beyond the outermost found block centres
    // RMS share of a block's own position error that the warp's centres keep:
    // 1 for centres as measured, less where the engine smooths them by a local fit.
    double errorKept = 1.0;
};

// Status of AutoWarpFindBoundary.
using BoundaryStatus = std::int32_t;
inline constexpr BoundaryStatus kBoundaryOk = 0;
inline constexpr BoundaryStatus kBoundaryPhotoUnreadable =
    1;  // black or a white photo unreadable, or sizes differ
inline constexpr BoundaryStatus kBoundaryBadArguments = 2;  // channel count, layout or pattern type unusable
inline constexpr BoundaryStatus kBoundaryNoLight = 3;       // a white photo shows no projector light
inline constexpr BoundaryStatus kBoundarySaturated = 4;     // a photo is saturated: no edge can be seen
inline constexpr BoundaryStatus kBoundaryRegionAtEdge = 5;  // a lit area touches the photo edge
inline constexpr BoundaryStatus kBoundaryNoFit = 6;         // the lit areas leave no room for an outline

struct BoundaryResult {
    BoundaryStatus status = kBoundaryOk;
    std::int32_t channel = 0;  // on failure of one photo: its 1-based channel number; else 0
    double aspectRatio = 0.0;  // on success: predicted width / height of the outline on the wall
};

// Verdict of AutoTune on a white-field photo.
using ExposureVerdict = std::int32_t;
inline constexpr ExposureVerdict kExposureAcceptable = 0;
inline constexpr ExposureVerdict kExposureSlightlyDark = 1;
inline constexpr ExposureVerdict kExposureDark = 2;
inline constexpr ExposureVerdict kExposureSlightlyBright = 3;
inline constexpr ExposureVerdict kExposureBright = 4;

// Every photo is resized to this size before any processing; all detection
// happens in these working-image pixels.
inline constexpr int kWorkWidth = 5760;
inline constexpr int kWorkHeight = 3240;

// Ordinals of the operations, kept for tools that bind them by number.
namespace vantiscore::ordinal {
inline constexpr int kAutoWarpCalThreshold = 1;
inline constexpr int kAutoDoImageWarping = 2;
inline constexpr int kAutoWarpInitWarping = 3;
inline constexpr int kAutoWarpGetPatternInfo = 4;
inline constexpr int kAutoTune = 5;
inline constexpr int kSetRectImage = 6;
inline constexpr int kGetZoomMatrix = 7;
inline constexpr int kZoomPerspective = 8;
inline constexpr int kGetShiftMatrix = 9;
inline constexpr int kGetZoomRange = 10;
inline constexpr int kAutoWarpFindBoundary = 11;
inline constexpr int kAutoDoImageWarpingEx = 12;
}  // namespace vantiscore::ordinal

// Binarises the difference of two photos. mode 0: Otsu's method chooses the
// threshold and writes it to *threshold; mode 1: *threshold is applied.
// *difference receives the two-level image resized to photoA's size.
// Returns 0, or 1 when a photo cannot be read (out-parameters untouched) or an
// argument is unusable.
VANTISCORE_API std::int32_t AutoWarpCalThreshold(const std::string& photoA, const std::string& photoB,
                                                 cv::Mat* difference, double* threshold, std::int32_t mode);

// Detects every channel's projected area and pattern blocks and computes one
// panel-form WarpGrid per channel, appended to *warps in channel order.
// centrePhotos and gridPhotos hold one entry per channel, paths separated by
// ';'. *photoSize receives the black photo's width and height.
VANTISCORE_API WarpResult
AutoDoImageWarping(const std::string& blackPhoto, const std::vector<std::string>& whitePhotos,
                   const std::vector<std::string>& centrePhotos, const std::vector<std::string>& gridPhotos,
                   const std::vector<double>& thresholds, PatternType patternType, std::int32_t channelCount,
                   WarpingMode warpingMode, std::int32_t layoutColumns, std::int32_t layoutRows,
                   std::int32_t overlapX, std::int32_t overlapY, std::int32_t stackCount,
                   const BoundaryGrid& boundary, std::int32_t* photoSize, std::vector<WarpGrid>* warps);

// AutoDoImageWarping with settings, and the figures of every channel: on
// success and on kWarpGridInconsistent *figures (when given) is replaced by
// one entry per channel; on other failures it is left untouched.
// AutoDoImageWarping is this call with default WarpOptions.
VANTISCORE_API WarpResult AutoDoImageWarpingEx(
    const std::string& blackPhoto, const std::vector<std::string>& whitePhotos,
    const std::vector<std::string>& centrePhotos, const std::vector<std::string>& gridPhotos,
    const std::vector<double>& thresholds, PatternType patternType, std::int32_t channelCount,
    WarpingMode warpingMode, std::int32_t layoutColumns, std::int32_t layoutRows, std::int32_t overlapX,
    std::int32_t overlapY, std::int32_t stackCount, const BoundaryGrid& boundary, const WarpOptions& options,
    std::int32_t* photoSize, std::vector<WarpGrid>* warps, std::vector<ChannelFigures>* figures);

// Computes the target outline from the black photo and one white photo per
// channel (channel order as in AutoDoImageWarping). Stacking: the largest
// quadrilateral inside the area every projector lights; blending: the largest
// one inside the area the layout covers (the seams between tiles lit as
// well); stacking and blending: that per layer, intersected. Sides follow
// curved footprints smoothly, and every point keeps a margin of 1 % of the lit
// area's smaller side inside the light. With keepAspect the outline is
// narrowed until it has the layout's aspect ratio. On success *boundary
// receives kBoundaryColumns x kBoundaryRows points in camera-photo pixels and
// the result the predicted aspect ratio (panel pixels taken as square on the
// wall); on failure *boundary is untouched.
VANTISCORE_API BoundaryResult AutoWarpFindBoundary(const std::string& blackPhoto,
                                                   const std::vector<std::string>& whitePhotos,
                                                   PatternType patternType, std::int32_t channelCount,
                                                   WarpingMode warpingMode, std::int32_t layoutColumns,
                                                   std::int32_t layoutRows, std::int32_t overlapX,
                                                   std::int32_t overlapY, std::int32_t stackCount,
                                                   bool keepAspect, BoundaryGrid* boundary);

// Appends the identity WarpGrid (panel form) of the pattern type to *grid.
VANTISCORE_API void AutoWarpInitWarping(WarpGrid* grid, PatternType patternType);

// The pattern geometry of a type; engineBoardGrid selects the 129 x 65 grid
// form instead of the panel form.
VANTISCORE_API PatternInfo AutoWarpGetPatternInfo(bool engineBoardGrid, PatternType patternType);

// Judges the exposure of a white-field photo (photoB) by its grey histogram;
// photoA (the black photo) must merely be readable. Returns 0 with *verdict
// written, or 1 when a photo cannot be read.
VANTISCORE_API std::int32_t AutoTune(const std::string& photoA, const std::string& photoB,
                                     ExposureVerdict* verdict);

// Integer-factor zoom of a picture around (centreX, centreY) in one call; a
// zoom outside [zoomMin, zoomMax] is clamped and nothing else happens.
VANTISCORE_API void SetRectImage(const cv::Mat& source, cv::Mat* destination, std::int32_t* zoom,
                                 std::int32_t centreX, std::int32_t centreY, cv::Mat* transform,
                                 std::int32_t zoomMin, std::int32_t zoomMax);

// Centres the window of a zoom step on (centreX, centreY), keeps it inside the
// picture, and writes the window and the transform that maps it onto the
// whole picture.
VANTISCORE_API void GetZoomMatrix(std::int32_t width, std::int32_t height, std::int32_t* zoomStep,
                                  float centreX, float centreY, cv::Mat* transform, float* x, float* y,
                                  float* w, float* h);

// Applies a transform of GetZoomMatrix/GetShiftMatrix to a picture.
VANTISCORE_API void ZoomPerspective(const cv::Mat& source, cv::Mat* destination, const cv::Mat& transform);

// Moves the window (*x, *y, *w, *h) by (-dx, -dy), keeps it inside the picture,
// and writes the window and its transform.
VANTISCORE_API void GetShiftMatrix(std::int32_t width, std::int32_t height, float dx, float dy,
                                   cv::Mat* transform, float* x, float* y, float* w, float* h);

// Number of zoom steps (5).
VANTISCORE_API std::int32_t GetZoomRange();
