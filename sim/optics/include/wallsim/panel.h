// What one projector's panel shows, and the picture it emits.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <opencv2/core.hpp>

#include "wallsim/grid_map.h"

namespace wallsim {

// The board's warp lattice: for each node (column k, row r) the input-picture
// position (pixels) that the panel shows at panel position (16 (k - 4), 16 r).
struct SourceLattice {
    static constexpr int kColumns = 128;
    static constexpr int kRows = 78;
    static constexpr int kPitch = 16;
    static constexpr int kLeftColumns = 4;

    std::vector<cv::Point2f> nodes;  // kRows rows of kColumns points

    static SourceLattice Identity();
    // From the board's 16-bit codes in 1/16 pixel (0xC000..0xFFFF negative),
    // x and y interleaved, row by row.
    static SourceLattice FromCodes(const std::vector<uint16_t>& xy);
    const cv::Point2f& At(int k, int r) const { return nodes[static_cast<size_t>(r) * kColumns + k]; }
    // The lattice as a map from panel pixels to input pixels.
    GridMap ToGridMap() const;
    bool operator==(const SourceLattice&) const = default;
};

double DecodeLatticeCode(uint16_t code);

// A blend zone: rising (left, top) from start to start + width - 1, falling
// (right, bottom) likewise. With ramp 0 the ramp is the ideal straight line
// from 0 to 1 over the zone; otherwise it is the board's register value in
// 1/65536 (rising: step per pixel; falling: weight at the first pixel).
struct BlendZone {
    bool enabled = false;
    int start = 0;
    int width = 2;
    int ramp = 0;
};

struct PanelLine {
    bool vertical = false;
    int x = 0, y = 0, length = 0;
    uint32_t colour = 0xFFFFFF;  // 0x00RRGGBB
};

enum class PanelPattern { None, Rectangle, Circle };

struct PanelState {
    int width = 1920;
    int height = 1080;
    bool blanked = false;
    bool solidOn = false;
    uint32_t solidColour = 0;  // 0x00RRGGBB
    PanelPattern pattern = PanelPattern::None;
    uint32_t patternColour = 0xFFFFFF;
    // Block width, block height, pitch x, pitch y, offset x, offset y, first
    // column, end column, first row, end row (ends exclusive), two further values.
    std::array<int, 12> geometry{};
    std::vector<PanelLine> lines;
    SourceLattice lattice = SourceLattice::Identity();
    std::array<BlendZone, 4> blend{};  // left, right, top, bottom
    bool gammaMode = false;            // blend ramps gamma-corrected
    double gamma = 2.2;
    // Where the ramps apply: to the input picture before the warp (zones in
    // input-picture pixels, so that they stay on the picture's overlap
    // wherever the warp puts it), or to the warped output in panel pixels.
    bool blendAfterWarp = false;
};

// Blend ramp of one axis position: 0..1, the product of the zones that apply.
double RampWeight(const BlendZone& rising, const BlendZone& falling, int position);
// Share of the full light that the blend lets through at panel pixel (x, y),
// for a projector of the given light gamma.
double BlendLightWeight(const PanelState& state, double projectorGamma, int x, int y);

// The built-in test picture (grey ramps, colour bars, a fine grid) at a size.
cv::Mat BuiltInTestPicture(int width, int height);

// Renders panel images; keeps the dense warp map of the last lattice per panel.
class PanelRenderer {
  public:
    // testPicture: BGR 8-bit; resized to each panel's size. Empty: built-in picture.
    explicit PanelRenderer(cv::Mat testPicture = {});
    cv::Mat Render(const PanelState& state);

  private:
    cv::Mat picture_;
    struct Cache {
        int width = 0, height = 0;
        SourceLattice lattice;
        cv::Mat mapX, mapY, picture;
    };
    std::vector<Cache> caches_;
};

}  // namespace wallsim
