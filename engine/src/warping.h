// The pipeline of AutoDoImageWarping: the call's inputs in one record, their
// validation, and the detection of one channel from its photos.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "VantisCore.h"
#include "detection.h"

namespace vantiscore {

// The inputs of one AutoDoImageWarping call (references to the caller's data).
struct WarpJob {
    const std::string& blackPhoto;
    const std::vector<std::string>& whitePhotos;
    const std::vector<std::string>& centrePhotos;
    const std::vector<std::string>& gridPhotos;
    const std::vector<double>& thresholds;
    PatternType patternType;
    std::int32_t channelCount;
    WarpingMode warpingMode;
    std::int32_t layoutColumns;
    std::int32_t layoutRows;
    std::int32_t overlapX;
    std::int32_t overlapY;
    std::int32_t stackCount;
    const BoundaryGrid& boundary;
};

// What the project's layout tables allow: at most 6 projectors side by side or
// one above the other, 6 tiles in all; at most kMaxChannels channels.
inline constexpr int kMaxLayoutColumns = 6;
inline constexpr int kMaxLayoutRows = 6;
inline constexpr int kMaxLayoutTiles = 6;
inline constexpr int kMaxChannels = 256;
// The smallest boundary the engine accepts, as a share of the photo's area.
inline constexpr double kMinBoundaryShare = 0.001;

// Whether the layout of a blending job is one the layout tables allow (stacking: always).
bool LayoutWithinTables(const WarpJob& job);
// Whether the boundary has kBoundaryColumns x kBoundaryRows finite points.
bool BoundaryUsable(const BoundaryGrid& boundary);
// Whether every boundary point lies on a photo of that size and its corners enclose
// at least kMinBoundaryShare of the photo.
bool BoundaryFitsPhoto(const BoundaryGrid& boundary, cv::Size photo);

// Number of per-channel targets a mode produces (stacking: any number).
std::int64_t TargetCount(const WarpJob& job);

// Refuses a call whose lists, pattern type or mode cannot serve channelCount
// channels: kWarpBadArguments, else kWarpOk.
WarpStatus ValidateWarpJob(const WarpJob& job);

// Runs the detection steps for channel index (0-based). On success returns
// kWarpOk and fills *detection; on failure returns the WarpResult to hand
// back (status, photo at working size, 1-based channel number).
// *photoSize receives the black photo's own width and height.
// Working-size pictures of one call, kept from channel to channel: a photo at
// the working size is tens of megabytes, and allocating it afresh for every
// photo cost more time than the detection itself.
struct WorkPhotos {
    std::string blackPath;  // the black photo's, when black holds it
    cv::Size blackSize;     // its own size
    cv::Mat black;
    cv::Mat white;
    cv::Mat pattern;
};

WarpResult DetectChannel(const WarpJob& job, int index, const PatternInfo& info, std::int32_t* photoSize,
                         ChannelDetection* detection, WorkPhotos* work = nullptr);

}  // namespace vantiscore
