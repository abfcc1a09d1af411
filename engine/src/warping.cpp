// AutoDoImageWarping: per-channel detection, then grid sorting and warps.
#include "warping.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "grid_check.h"
#include "guard.h"
#include "pattern_table.h"
#include "photo_io.h"
#include "warp_compute.h"

#include <opencv2/imgproc.hpp>

namespace vantiscore {
namespace {

WarpResult Failure(WarpStatus status, cv::Mat photo, int index) {
    WarpResult result;
    result.status = status;
    result.photo = std::move(photo);
    result.channel = index + 1;
    return result;
}

// Reads each photo of a ';'-separated list and passes its masked-difference
// contours and grey difference to onContours. Returns false at the first
// photo that cannot be read (an empty photo must never reach the image
// operations).
// A photo of another size than the black one is no photo of this set: it sets
// *wrongSize and fails with it as *failedPhoto (at the working size).
// photo is the working-size buffer each photo is scaled into.
template <typename OnContours>
bool ForEachPatternPhoto(const std::string& list, const cv::Mat& black, cv::Size photoSize,
                         const ChannelRegion& region, double threshold, cv::Mat* failedPhoto, bool* wrongSize,
                         cv::Mat& photo, OnContours&& onContours) {
    for (const std::string& path : SplitPathList(list)) {
        const cv::Mat read = ReadPhoto(path, PhotoColour::kColour);
        if (read.empty()) return false;
        if (read.size() != photoSize) {
            *wrongSize = true;
            *failedPhoto = ToWorkSize(read);
            return false;
        }
        // Only the region is looked at: only the region is scaled.
        ToWorkSize(read, region.rect, &photo);
        cv::Mat difference;
        const ContourList contours = MaskedDifferenceContours(black, photo, region, threshold, &difference);
        if (!onContours(contours, difference)) {
            *failedPhoto = ToWorkSize(read);
            return false;
        }
    }
    return true;
}

}  // namespace

std::int64_t TargetCount(const WarpJob& job) {
    const std::int64_t tiles =
        static_cast<std::int64_t>(std::max(job.layoutColumns, 0)) * std::max(job.layoutRows, 0);
    switch (job.warpingMode) {
        case kWarpingBlending:
            return tiles;
        case kWarpingStackingBlending:
            return tiles * std::max(job.stackCount, 0);
        default:
            return INT32_MAX;  // stacking gives every channel the whole boundary; other modes make no warps
    }
}

bool LayoutWithinTables(const WarpJob& job) {
    if (job.warpingMode == kWarpingStacking) return true;  // stacking has no tiles
    if (job.layoutColumns < 1 || job.layoutRows < 1 || job.layoutColumns > kMaxLayoutColumns ||
        job.layoutRows > kMaxLayoutRows ||
        static_cast<std::int64_t>(job.layoutColumns) * job.layoutRows > kMaxLayoutTiles)
        return false;
    if (job.overlapX < 0 || job.overlapY < 0) return false;
    return job.warpingMode != kWarpingStackingBlending ||
           (job.stackCount >= 1 && job.stackCount <= kMaxChannels);
}

bool BoundaryUsable(const BoundaryGrid& boundary) {
    if (boundary.size() != static_cast<std::size_t>(kBoundaryColumns) * kBoundaryRows) return false;
    for (const cv::Point2f& p : boundary)
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
    return true;
}

bool BoundaryFitsPhoto(const BoundaryGrid& boundary, cv::Size photo) {
    for (const cv::Point2f& p : boundary)
        if (p.x < 0 || p.y < 0 || p.x > photo.width || p.y > photo.height) return false;
    // The outline through the four corners must enclose a real area, not a line or a point.
    const cv::Point2f corners[4] = {
        boundary[0], boundary[kBoundaryColumns - 1], boundary.back(),
        boundary[static_cast<std::size_t>(kBoundaryColumns) * (kBoundaryRows - 1)]};
    double twiceArea = 0.0;
    for (int i = 0; i < 4; ++i) {
        const cv::Point2f& a = corners[i];
        const cv::Point2f& b = corners[(i + 1) % 4];
        twiceArea += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
    }
    const double photoArea = static_cast<double>(photo.width) * photo.height;
    return std::abs(twiceArea) / 2.0 >= kMinBoundaryShare * photoArea;
}

WarpStatus ValidateWarpJob(const WarpJob& job) {
    // A mode without warps, no channels or an unusable boundary would return success
    // for work that was never done.
    if (job.channelCount < 1 || job.channelCount > kMaxChannels) return kWarpBadArguments;
    if (job.warpingMode != kWarpingStacking && job.warpingMode != kWarpingBlending &&
        job.warpingMode != kWarpingStackingBlending)
        return kWarpBadArguments;
    if (!LayoutWithinTables(job) || !BoundaryUsable(job.boundary)) return kWarpBadArguments;
    const auto count = static_cast<std::size_t>(job.channelCount);
    if (job.whitePhotos.size() < count || job.centrePhotos.size() < count || job.gridPhotos.size() < count ||
        job.thresholds.size() < count) {
        return kWarpBadArguments;
    }
    if (!IsKnownPatternType(job.patternType)) return kWarpBadArguments;
    if (TargetCount(job) < job.channelCount) return kWarpBadArguments;
    return kWarpOk;
}

WarpResult DetectChannel(const WarpJob& job, int index, const PatternInfo& info, std::int32_t* photoSize,
                         ChannelDetection* detection, WorkPhotos* work) {
    WorkPhotos ownWork;
    if (work == nullptr) work = &ownWork;
    const auto i = static_cast<std::size_t>(index);
    const double threshold = job.thresholds[i];

    // Channel region. The black photo is the same for every channel of a call:
    // it is read and scaled once.
    if (work->black.empty() || work->blackPath != job.blackPhoto) {
        const cv::Mat blackPhoto = ReadPhoto(job.blackPhoto, PhotoColour::kColour);
        work->blackSize = blackPhoto.size();
        work->blackPath.clear();
        if (blackPhoto.empty()) {
            work->black.release();
        } else {
            ToWorkSize(blackPhoto, &work->black);
            work->blackPath = job.blackPhoto;
        }
    }
    const cv::Size blackSize = work->black.empty() ? cv::Size() : work->blackSize;
    const cv::Mat whitePhoto = ReadPhoto(job.whitePhotos[i], PhotoColour::kColour);
    photoSize[0] = blackSize.width;
    photoSize[1] = blackSize.height;
    if (work->black.empty() || whitePhoto.empty()) {
        return Failure(kWarpPhotoUnreadable, whitePhoto.empty() ? cv::Mat() : ToWorkSize(whitePhoto), index);
    }
    // Photos of another size would be scaled to the working size differently and put
    // the warp tens of pixels off: they do not belong to this set.
    if (whitePhoto.size() != blackSize) return Failure(kWarpBadArguments, ToWorkSize(whitePhoto), index);
    if (SplitPathList(job.centrePhotos[i]).empty() || SplitPathList(job.gridPhotos[i]).empty())
        return Failure(kWarpBadArguments, ToWorkSize(whitePhoto), index);
    ToWorkSize(whitePhoto, &work->white);
    const cv::Mat& black = work->black;
    const cv::Mat& white = work->white;
    detection->region = FindChannelRegion(black, white, threshold);
    if (!RegionInsidePhoto(detection->region.rect, white.size())) {
        return Failure(kWarpRegionAtEdge, white.clone(), index);
    }

    // Pitch estimate.
    detection->pitch = EstimatePitch(detection->region.rect, info);

    // Centre blobs: every centre photo must show exactly four.
    cv::Mat failedPhoto;
    bool wrongSize = false;
    const bool centresRead = ForEachPatternPhoto(
        job.centrePhotos[i], black, blackSize, detection->region, threshold, &failedPhoto, &wrongSize,
        work->pattern, [&](const ContourList& contours, const cv::Mat&) {
            const std::vector<BlobRecord> blobs =
                FindCentreBlobs(contours, detection->pitch, detection->region.rect);
            if (blobs.size() != 4) return false;
            detection->centres.insert(detection->centres.end(), blobs.begin(), blobs.end());
            return true;
        });
    if (!centresRead) {
        if (wrongSize) return Failure(kWarpBadArguments, std::move(failedPhoto), index);
        if (failedPhoto.empty()) return Failure(kWarpPhotoUnreadable, white.clone(), index);
        return Failure(kWarpCentreBlobs, std::move(failedPhoto), index);
    }

    // Centre ordering.
    detection->blockThresholdBase = OrderCentreBlobs(&detection->centres);

    // Block blobs of all grid photos, in one list, with their centroids.
    const double minArea = static_cast<double>(detection->blockThresholdBase / 16);
    const bool gridsRead = ForEachPatternPhoto(
        job.gridPhotos[i], black, blackSize, detection->region, threshold, &failedPhoto, &wrongSize,
        work->pattern, [&](const ContourList& contours, const cv::Mat& difference) {
            const std::size_t before = detection->blocks.size();
            for (const Contour& contour : contours) {
                if (cv::contourArea(contour) < minArea) continue;
                detection->blocks.push_back(MakeBlobRecord(contour, detection->region.rect));
                detection->blockCentroids.push_back(
                    IntensityCentroid(difference, contour, detection->region.rect, threshold));
            }
            return detection->blocks.size() > before;  // a grid photo without a single block: all dark
        });
    if (!gridsRead) {
        if (wrongSize) return Failure(kWarpBadArguments, std::move(failedPhoto), index);
        if (!failedPhoto.empty()) return Failure(kWarpGridInconsistent, std::move(failedPhoto), index);
        return Failure(kWarpPhotoUnreadable, white.clone(), index);
    }

    WarpResult ok;
    ok.channel = 0;
    return ok;
}

}  // namespace vantiscore

namespace vantiscore {
namespace {

// Sorting, the consistency check and the figures of one channel.
struct SortedChannel {
    ChannelGrid grid;
    std::vector<cv::Point2f> ideal;  // of the pattern's own blocks
    std::vector<bool> found;
    GridCheck check;
};

SortedChannel SortChannel(const PatternInfo& info, const ChannelDetection& detection, CentreMode mode) {
    SortedChannel channel;
    const BlockLayout layout = BlockLayout::FromPattern(info);
    const SortedBlocks sorted = SortBlocks(info, detection.centres, detection.blocks);
    const std::vector<cv::Point2f> centres =
        RefineCentres(sorted, layout, detection.blocks, detection.blockCentroids, mode);
    channel.ideal = IdealCentres(info, mode);
    channel.found = sorted.found;
    channel.check = CheckGrid(info, sorted, centres, channel.ideal, detection.blocks);
    // Box centres stay as measured; centroids are smoothed over their neighbours.
    RingedGrid ringed = mode == kCentresBox ? AddVirtualRing(centres, channel.ideal, layout, info)
                                            : FittedRing(centres, sorted.found, channel.ideal, layout, info);
    channel.check.figures.errorKept = ringed.errorKept;
    channel.grid = ChannelGrid{std::move(ringed.centres), std::move(ringed.ideal), ringed.layout};
    return channel;
}

// The first grid photo of a channel at the working size, shown with a grid failure.
cv::Mat FirstGridPhoto(const std::string& list) {
    const std::vector<std::string> paths = SplitPathList(list);
    return paths.empty() ? cv::Mat() : ReadWorkPhoto(paths.front());
}

}  // namespace
}  // namespace vantiscore

WarpResult AutoDoImageWarping(const std::string& blackPhoto, const std::vector<std::string>& whitePhotos,
                              const std::vector<std::string>& centrePhotos,
                              const std::vector<std::string>& gridPhotos,
                              const std::vector<double>& thresholds, PatternType patternType,
                              std::int32_t channelCount, WarpingMode warpingMode, std::int32_t layoutColumns,
                              std::int32_t layoutRows, std::int32_t overlapX, std::int32_t overlapY,
                              std::int32_t stackCount, const BoundaryGrid& boundary, std::int32_t* photoSize,
                              std::vector<WarpGrid>* warps) {
    return AutoDoImageWarpingEx(blackPhoto, whitePhotos, centrePhotos, gridPhotos, thresholds, patternType,
                                channelCount, warpingMode, layoutColumns, layoutRows, overlapX, overlapY,
                                stackCount, boundary, WarpOptions{}, photoSize, warps, nullptr);
}

WarpResult AutoDoImageWarpingEx(const std::string& blackPhoto, const std::vector<std::string>& whitePhotos,
                                const std::vector<std::string>& centrePhotos,
                                const std::vector<std::string>& gridPhotos,
                                const std::vector<double>& thresholds, PatternType patternType,
                                std::int32_t channelCount, WarpingMode warpingMode,
                                std::int32_t layoutColumns, std::int32_t layoutRows, std::int32_t overlapX,
                                std::int32_t overlapY, std::int32_t stackCount, const BoundaryGrid& boundary,
                                const WarpOptions& options, std::int32_t* photoSize,
                                std::vector<WarpGrid>* warps, std::vector<ChannelFigures>* figures) {
    using namespace vantiscore;
    WarpResult refused;
    refused.status = kWarpBadArguments;
    if (photoSize == nullptr || warps == nullptr) return refused;
    if (options.centres != kCentresCentroid && options.centres != kCentresBox) return refused;

    const WarpJob job{blackPhoto,  whitePhotos,  centrePhotos, gridPhotos,    thresholds,
                      patternType, channelCount, warpingMode,  layoutColumns, layoutRows,
                      overlapX,    overlapY,     stackCount,   boundary};
    return Guarded<WarpResult>(refused, [&]() -> WarpResult {
        if (const WarpStatus status = ValidateWarpJob(job); status != kWarpOk) return refused;
        const PatternInfo info = PatternInfoFor(false, patternType);

        // Detection of every channel; the first failing channel ends the call.
        std::vector<ChannelDetection> detections(static_cast<std::size_t>(channelCount));
        WorkPhotos work;
        for (int i = 0; i < channelCount; ++i) {
            WarpResult result =
                DetectChannel(job, i, info, photoSize, &detections[static_cast<std::size_t>(i)], &work);
            if (result.status != kWarpOk) return result;
        }
        // The boundary must lie on the photo and enclose an area: a collapsed outline
        // or one off the photo gives warps that are no picture at all.
        if (!BoundaryFitsPhoto(boundary, cv::Size(photoSize[0], photoSize[1]))) return refused;

        // Grid sorting and its check for every channel, then the warps from the boundary.
        std::vector<SortedChannel> sorted;
        sorted.reserve(detections.size());
        for (const ChannelDetection& detection : detections)
            sorted.push_back(SortChannel(info, detection, options.centres));
        std::vector<ChannelFigures> channelFigures;
        channelFigures.reserve(sorted.size());
        for (const SortedChannel& channel : sorted) channelFigures.push_back(channel.check.figures);
        for (std::size_t k = 0; k < sorted.size(); ++k) {
            if (sorted[k].check.consistent) continue;
            if (figures != nullptr) *figures = channelFigures;
            WarpResult failed;
            failed.status = kWarpGridInconsistent;
            failed.channel = static_cast<std::int32_t>(k) + 1;
            failed.photo = FirstGridPhoto(gridPhotos[k]);
            return failed;
        }

        std::vector<ChannelGrid> grids;
        grids.reserve(sorted.size());
        for (SortedChannel& channel : sorted) grids.push_back(std::move(channel.grid));
        const WarpInputs inputs{patternType, warpingMode,
                                TileLayout{layoutColumns, layoutRows, overlapX, overlapY, stackCount},
                                boundary, cv::Size(photoSize[0], photoSize[1])};
        const std::size_t before = warps->size();
        if (ComputeWarps(inputs, grids, warps) == WarpOutcome::BadArguments) return refused;
        for (std::size_t k = 0; k < sorted.size() && before + k < warps->size(); ++k)
            channelFigures[k].extrapolationMax =
                ExtrapolationDistance((*warps)[before + k], sorted[k].ideal, sorted[k].found);
        if (figures != nullptr) *figures = std::move(channelFigures);
        return WarpResult{};
    });
}
