// The automatic boundary: from the black photo and one white photo per
// projector to the largest target outline that stays inside the light.
//
// Steps (all in analysis pixels: the photo scaled so that its width is at most
// kAnalysisWidth):
//   FindFootprint   white vs black -> the area one projector lights (holes filled)
//   ChannelTiles    layout -> the part of the picture each channel shows
//   MakeLayers      per stack layer the light of its projectors, and that
//                   light eroded by the margin (where the outline may run)
//   LargestShape    the largest outline inside every layer's allowed area
//                   whose tile seams are lit: four corners joined by a
//                   homography, each side optionally bowed to follow curved
//                   footprints
//   PredictAspect   the outline's width over height in panel pixels
//   KeepAspect      shrink one direction until the layout's aspect is met
#pragma once

#include <array>
#include <optional>
#include <vector>

#include <opencv2/core.hpp>

#include "VantisCore.h"
#include "boundary.h"

namespace vantiscore {

inline constexpr int kAnalysisWidth = 1280;

// The margin kept inside the light, as a share of the lit area's smaller side
// (its height on a landscape wall): every outline point is at least that far
// from unlit screen.
inline constexpr double kBoundaryMargin = 0.01;

enum class FootprintStatus { kOk, kNoLight, kSaturated, kAtEdge };

// The area one projector lights in the photos.
struct Footprint {
    cv::Mat mask;                        // CV_8U, 255 inside, holes filled, one connected area
    std::array<cv::Point2d, 4> corners;  // top left, top right, bottom right, bottom left
};

// Grey pictures of equal size, black photo and white photo. Fails when the
// black photo is saturated, the white photo shows no light above the black
// one or is saturated everywhere, or the lit area reaches the picture's edge.
FootprintStatus FindFootprint(const cv::Mat& blackGrey, const cv::Mat& whiteGrey, Footprint* footprint);

// Extreme points of a set of points: top left (least x + y), top right
// (largest x - y), bottom right (largest x + y), bottom left (least x - y).
std::array<cv::Point2d, 4> ExtremeCorners(const std::vector<cv::Point>& points);

// The points of a mask at least `margin` pixels from its outside (and from
// the picture's edge).
cv::Mat AllowedArea(const cv::Mat& mask, double margin);

// The part of the whole picture a channel shows, in the outline's parameters
// (s across, t down, both 0..1).
struct TileRange {
    int channel = 0;
    int layer = 0;
    double s0 = 0, s1 = 1, t0 = 0, t1 = 1;
};

// One range per channel: stacking gives every channel the whole picture,
// blending a tile of the canvas, stacking and blending the tiles per layer.
// Nothing when the layout cannot be cut or has fewer places than channels.
std::optional<std::vector<TileRange>> ChannelTiles(const PatternInfo& info, int warpingMode,
                                                   const TileLayout& layout, int channelCount);

// Width over height of the whole picture in panel pixels.
double LayoutAspect(const PatternInfo& info, int warpingMode, const TileLayout& layout);

// The outline: corners (top left, top right, bottom right, bottom left)
// joined by the homography of the unit square, plus per side (top, right,
// bottom, left) a bow along the side's outward normal,
// d(u) = u (1 - u) (a + b (2u - 1)), and the window [s0, s1] x [t0, t1] of it
// that becomes the boundary.
struct BoundaryShape {
    std::array<cv::Point2d, 4> corners;
    std::array<double, 8> bows{};  // a, b of top, right, bottom, left
    double s0 = 0, s1 = 1, t0 = 0, t1 = 1;
};

// Evaluates a shape at window parameters (s, t) in 0..1.
class ShapeMap {
  public:
    explicit ShapeMap(const BoundaryShape& shape);
    bool valid() const { return valid_; }
    cv::Point2d At(double s, double t) const;

  private:
    cv::Point2d Base(double s, double t) const;
    BoundaryShape shape_;
    cv::Matx33d h_ = cv::Matx33d::eye();
    std::array<cv::Point2d, 4> normals_;
    bool valid_ = false;
};

// The light of each stack layer (the union of its projectors' footprints)
// and the same eroded by the margin. Stacking makes every projector a layer.
struct LitLayers {
    std::vector<cv::Mat> lit;
    std::vector<cv::Mat> allowed;
};
LitLayers MakeLayers(const std::vector<cv::Mat>& masks, const std::vector<TileRange>& tiles, double margin);

// Whether the shape's outline lies in every layer's allowed area and the
// borders of its tiles in their layer's light.
bool ShapeFits(const BoundaryShape& shape, const LitLayers& layers, const std::vector<TileRange>& tiles);

// Area enclosed by the shape's window, in square pixels.
double ShapeArea(const BoundaryShape& shape);

// The largest shape that fits, starting from the outline of the area the
// layout lights. With curved false the sides stay straight. Nothing when no
// shape fits at all.
std::optional<BoundaryShape> LargestShape(const LitLayers& layers, const std::vector<TileRange>& tiles,
                                          bool curved);

// Width over height of the shape in panel pixels: every piece of a side is
// measured through the camera-to-panel homography of a channel that shows it.
double PredictAspect(const BoundaryShape& shape, const std::vector<Footprint>& footprints,
                     const std::vector<TileRange>& tiles, const PatternInfo& info);

// Narrows the window in the direction that is too long until the predicted
// aspect is the target, keeping the shape fitting.
BoundaryShape KeepAspect(const BoundaryShape& shape, double targetAspect,
                         const std::vector<Footprint>& footprints, const LitLayers& layers,
                         const std::vector<TileRange>& tiles, const PatternInfo& info);

// The 129 x 65 boundary grid of a shape, from analysis pixels to photo
// pixels (scaleX, scaleY photo pixels per analysis pixel).
BoundaryGrid SampleBoundary(const BoundaryShape& shape, double scaleX, double scaleY);

}  // namespace vantiscore
