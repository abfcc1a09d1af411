// The per-channel detection steps of AutoDoImageWarping, and the data they
// find for one channel. Every step is a plain function on images, so that it
// can be tested on pictures drawn with known answers.
//
// Order of the steps for channel i (all in working-image pixels):
//   FindChannelRegion   white photo vs black photo -> region contour and rectangle
//   EstimatePitch       region rectangle -> cell size of one pattern block
//   FindCentreBlobs     each centre photo -> exactly four centre blobs
//   OrderCentreBlobs    centre list -> top left, top right, bottom left, bottom right
//   FindBlockBlobs      each grid photo -> all block blobs
// Grid sorting and the warp computation continue from ChannelDetection.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "VantisCore.h"

namespace vantiscore {

using Contour = std::vector<cv::Point>;
using ContourList = std::vector<Contour>;

// A detected blob held in a cv::Rect: x and y are the blob's centre (working-
// image pixels), width and height its bounding size. All zero means "none".
using BlobRecord = cv::Rect;

// The area a channel's projector covers in the photos.
struct ChannelRegion {
    ContourList contours;  // the largest contour of the white-photo difference (none if nothing was lit)
    cv::Rect rect;         // its bounding rectangle
};

// Size of one pattern cell in working-image pixels, estimated from the region.
struct PitchEstimate {
    int cellWidth = 0;
    int cellHeight = 0;
};

// Everything detection finds for one channel.
struct ChannelDetection {
    ChannelRegion region;
    PitchEstimate pitch;
    std::vector<BlobRecord> centres;  // after ordering: top left, top right, bottom left, bottom right, …
    int blockThresholdBase = 0;       // smallest centre-blob area / 4: the block-blob area limit is this / 16
    std::vector<BlobRecord> blocks;   // blobs of all grid photos, in the order found
    std::vector<cv::Point2f> blockCentroids;  // intensity centroid of each entry of blocks (same order)
};

// Splits "a;b;c" into paths; an empty entry between two ';' is an empty path.
std::vector<std::string> SplitPathList(const std::string& list);

// Grey absolute difference of two colour images, binarised at threshold.
cv::Mat BinaryDifference(const cv::Mat& colourA, const cv::Mat& colourB, double threshold);

// Binarised difference for AutoWarpCalThreshold: mode 0 chooses the threshold
// (Otsu) and writes it, mode 1 applies *threshold.
cv::Mat ThresholdDifference(const cv::Mat& colourA, const cv::Mat& colourB, double* threshold,
                            std::int32_t mode);

// Exposure verdict of a grey white-field picture.
ExposureVerdict JudgeExposure(const cv::Mat& grey);

// The largest contour (first of equal ones) of the binarised white-vs-black
// difference, and its bounding rectangle.
ChannelRegion FindChannelRegion(const cv::Mat& black, const cv::Mat& white, double threshold);

// False when the region touches an edge of a picture of the given size, or
// when nothing was found at all.
bool RegionInsidePhoto(const cv::Rect& region, cv::Size photo);

// Cell size: region width / (W / pitchX), region height / (H / pitchY).
PitchEstimate EstimatePitch(const cv::Rect& region, const PatternInfo& info);

// Contours of the binarised difference of a pattern image against the black
// image, both masked to the region contour and cut to the region rectangle.
// Contour coordinates are relative to the region rectangle. *greyDifference,
// when given, receives the difference before binarisation (region rectangle).
ContourList MaskedDifferenceContours(const cv::Mat& black, const cv::Mat& pattern,
                                     const ChannelRegion& region, double threshold,
                                     cv::Mat* greyDifference = nullptr);

// Intensity-weighted centroid of a blob's light on the grey difference of its
// region rectangle: every pixel of the blob's bounding box, grown by a margin
// that takes in the blurred rim, weighs its difference above half the
// threshold. Photo positions are continuous with pixel i covering [i, i + 1),
// as the boundary's are, times the working scale. Falls back to the box
// centre when the box holds no light.
cv::Point2f IntensityCentroid(const cv::Mat& greyDifference, const Contour& contour, const cv::Rect& region,
                              double threshold);

// The BlobRecord of a contour found inside the region rectangle.
BlobRecord MakeBlobRecord(const Contour& contour, const cv::Rect& region);

// Centre blobs of one centre photo: contours of at least a sixteenth of a
// cell, not touching the left or top edge of the region rectangle. The caller
// accepts the photo only with exactly four.
std::vector<BlobRecord> FindCentreBlobs(const ContourList& contours, const PitchEstimate& pitch,
                                        const cv::Rect& region);

// Puts the centre blobs into quadrant order around their mean (positions 0 to
// 3; entries beyond stay zero, and a blob on the mean's line is dropped) and
// returns the block threshold base.
int OrderCentreBlobs(std::vector<BlobRecord>* centres);

// Block blobs of one grid photo: every contour of at least base / 16.
std::vector<BlobRecord> FindBlockBlobs(const ContourList& contours, int blockThresholdBase,
                                       const cv::Rect& region);

}  // namespace vantiscore
