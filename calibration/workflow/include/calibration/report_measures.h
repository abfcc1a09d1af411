// Figures of a calibration report measured on the run's photos: where each
// projector's pattern blocks lie in the camera picture (kept for the next run,
// which compares them to find drift), how far they moved since, and how much of
// its tile inside the boundary each projector reaches.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "VantisCore.h"
#include "calibration/report.h"

namespace vantis::calibration {

// Centres (camera pixels, light-weighted) of the lit blocks on a grid photo,
// against the black photo. Empty when a photo cannot be read or has no blocks.
std::vector<cv::Point2f> FindBlockCentres(const std::string& blackPhoto, const std::string& gridPhoto);
std::vector<cv::Point2f> FindBlockCentres(const cv::Mat& black, const cv::Mat& grid);

// The misregistration (panel px) that a projector's scattered block positions
// leave in its warp, from the engine's leave-one-out fit residual. The engine
// predicts every block from the homography of its eight neighbours, so with
// independent block errors of RMS e the residual is about e * sqrt(9 / 8).
// errorKept is the engine's share of that error left in the centres its warp
// is built from (ChannelFigures::errorKept). At 1 (centres as measured) the
// warp carries a block's error whole only at the block's centre; between
// blocks it blends the errors of the four around, which over a cell leaves two
// thirds of their RMS, and the maximum sits at a block centre. Below 1 the
// centres are a local fit's values: e * errorKept at each, alike in
// neighbours, so the blend keeps it, and the maximum shrinks alike.
// calibration_report_survey checks the result on the wall.
struct ResidualMisregistration {
    double rms = 0, max = 0;
};
ResidualMisregistration MisregistrationOfResidual(double residualRms, double residualMax, double errorKept);

// Drift between two sets of block centres of one projector (camera pixels).
// The blocks are matched after taking out the mean movement, so that a
// projector moved by more than half a block still matches block to block;
// camera pixels become panel pixels through the block pitch of the panel
// (pitchX, pitchY) against the block spacing around each block. Nothing when
// fewer than half of the blocks match.
std::optional<DriftFigures> MeasureDrift(const std::vector<cv::Point2f>& before,
                                         const std::vector<cv::Point2f>& now, double pitchX, double pitchY);

// The block centres of a successful run, one entry per projector.
struct StoredCentres {
    struct Projector {
        std::string address;
        std::vector<cv::Point2f> centres;
    };
    int photoWidth = 0, photoHeight = 0;
    std::vector<Projector> projectors;

    const Projector* Find(const std::string& address) const;
};

// BlockCentres.json beside the configuration.
inline constexpr const char* kCentresFileName = "BlockCentres.json";

bool SaveCentres(const std::filesystem::path& file, const StoredCentres& centres, std::string* error);
// False with the reason for a missing or damaged file.
bool LoadCentres(const std::filesystem::path& file, StoredCentres* centres, std::string* error);
bool CentresFromJson(const std::string& text, StoredCentres* centres, std::string* error);

// Where projector `index` of a layout sits in the whole picture, as a share of
// it: x0, y0, x1, y1 in 0..1. Stacking: the whole picture. Blending: its tile,
// neighbours sharing the overlap. Stacking & blending: the tile of its place
// in its layer.
cv::Rect2d TileShare(int index, WarpingMode mode, int columns, int rows, int overlapX, int overlapY,
                     int panelWidth, int panelHeight);

// The outline (camera pixels) of a share of the boundary grid (129 x 65).
std::vector<cv::Point2f> TileOutline(const BoundaryGrid& boundary, const cv::Rect2d& share);

// Share of the tile outline's area that the projector lights on its white
// photo (against the black photo); nothing when a photo cannot be read or the
// outline is empty.
std::optional<double> MeasureCoverage(const cv::Mat& black, const cv::Mat& white,
                                      const std::vector<cv::Point2f>& tile);

}  // namespace vantis::calibration
