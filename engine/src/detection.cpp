#include "detection.h"

#include <algorithm>

#include <opencv2/imgproc.hpp>

#include "photo_io.h"

namespace vantiscore {

std::vector<std::string> SplitPathList(const std::string& list) {
    std::vector<std::string> paths;
    std::string::size_type start = 0;
    while (start < list.size()) {
        const std::string::size_type end = list.find(';', start);
        if (end == std::string::npos) {
            paths.push_back(list.substr(start));
            break;
        }
        paths.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return paths;
}

cv::Mat BinaryDifference(const cv::Mat& colourA, const cv::Mat& colourB, double threshold) {
    cv::Mat difference;
    cv::absdiff(ToGrey(colourA), ToGrey(colourB), difference);
    cv::threshold(difference, difference, threshold, 255, cv::THRESH_BINARY);
    return difference;
}

ChannelRegion FindChannelRegion(const cv::Mat& black, const cv::Mat& white, double threshold) {
    ContourList contours;
    cv::findContours(BinaryDifference(black, white, threshold), contours, cv::RETR_LIST,
                     cv::CHAIN_APPROX_SIMPLE);
    ChannelRegion region;
    double largest = 0;
    const Contour* chosen = nullptr;
    for (const Contour& contour : contours) {
        const double area = cv::contourArea(contour);
        if (area > largest) {
            largest = area;
            chosen = &contour;
        }
    }
    if (chosen != nullptr) {
        region.rect = cv::boundingRect(*chosen);
        region.contours.push_back(*chosen);
    }
    return region;
}

bool RegionInsidePhoto(const cv::Rect& region, cv::Size photo) {
    return region.x != 0 && region.y != 0 && region.x + region.width != photo.width &&
           region.y + region.height != photo.height;
}

PitchEstimate EstimatePitch(const cv::Rect& region, const PatternInfo& info) {
    PitchEstimate pitch;
    const int blocksAcross = info.pitchX > 0 ? info.width / info.pitchX : 0;
    const int blocksDown = info.pitchY > 0 ? info.height / info.pitchY : 0;
    if (blocksAcross > 0) pitch.cellWidth = region.width / blocksAcross;
    if (blocksDown > 0) pitch.cellHeight = region.height / blocksDown;
    return pitch;
}

ContourList MaskedDifferenceContours(const cv::Mat& black, const cv::Mat& pattern,
                                     const ChannelRegion& region, double threshold, cv::Mat* greyDifference) {
    // Only the region rectangle is processed: the mask of the region contour
    // is drawn directly at the rectangle's origin, which gives the same
    // pixels as masking the whole picture and cutting it afterwards.
    const cv::Rect rect = region.rect & cv::Rect(0, 0, black.cols, black.rows);
    if (rect.empty() || black.size() != pattern.size()) return {};
    cv::Mat mask = cv::Mat::zeros(rect.size(), CV_8UC1);
    cv::fillPoly(mask, region.contours, cv::Scalar(255), cv::LINE_8, 0, -rect.tl());

    cv::Mat greyBlack = cv::Mat::zeros(rect.size(), CV_8UC1);
    cv::Mat greyPattern = cv::Mat::zeros(rect.size(), CV_8UC1);
    ToGrey(black(rect)).copyTo(greyBlack, mask);
    ToGrey(pattern(rect)).copyTo(greyPattern, mask);

    cv::Mat difference;
    cv::absdiff(greyBlack, greyPattern, difference);
    if (greyDifference != nullptr) *greyDifference = difference.clone();
    cv::threshold(difference, difference, threshold, 255, cv::THRESH_BINARY);
    ContourList contours;
    // Run-linking keeps contour extraction cheap on pictures with many blobs.
    cv::findContours(difference, contours, cv::RETR_LIST, 5 /* CV_LINK_RUNS */);
    return contours;
}

BlobRecord MakeBlobRecord(const Contour& contour, const cv::Rect& region) {
    const cv::Rect box = cv::boundingRect(contour);
    return {box.x + box.width / 2 + region.x, box.y + box.height / 2 + region.y, box.width, box.height};
}

cv::Point2f IntensityCentroid(const cv::Mat& greyDifference, const Contour& contour, const cv::Rect& region,
                              double threshold) {
    const cv::Rect box = cv::boundingRect(contour);
    const cv::Point2f boxCentre(static_cast<float>(box.x + box.width / 2 + region.x),
                                static_cast<float>(box.y + box.height / 2 + region.y));
    if (greyDifference.empty() || greyDifference.type() != CV_8UC1) return boxCentre;
    const int margin = std::max(2, std::min(box.width, box.height) / 3);
    const cv::Rect window =
        cv::Rect(box.x - margin, box.y - margin, box.width + 2 * margin, box.height + 2 * margin) &
        cv::Rect(0, 0, greyDifference.cols, greyDifference.rows);
    const double floor = std::max(0.0, threshold * 0.5);
    double sum = 0.0;
    double sx = 0.0;
    double sy = 0.0;
    for (int y = window.y; y < window.y + window.height; ++y) {
        const std::uint8_t* row = greyDifference.ptr<std::uint8_t>(y);
        for (int x = window.x; x < window.x + window.width; ++x) {
            const double w = static_cast<double>(row[x]) - floor;
            if (w <= 0.0) continue;
            sum += w;
            sx += w * x;
            sy += w * y;
        }
    }
    if (sum <= 0.0) return boxCentre;
    // Positions are taken with pixel u covering [u, u + 1): the middle of
    // working pixel u is u + 0.5, which the linear resize maps to the photo
    // position (u + 0.5) / s, scaled back by s as the boundary is.
    return {static_cast<float>(sx / sum + region.x + 0.5), static_cast<float>(sy / sum + region.y + 0.5)};
}

std::vector<BlobRecord> FindCentreBlobs(const ContourList& contours, const PitchEstimate& pitch,
                                        const cv::Rect& region) {
    const double minArea = static_cast<double>((pitch.cellWidth * pitch.cellHeight) / 16);
    std::vector<BlobRecord> blobs;
    for (const Contour& contour : contours) {
        if (cv::contourArea(contour) < minArea) continue;
        const cv::Rect box = cv::boundingRect(contour);
        if (box.x == 0 || box.y == 0) continue;  // cut by the region's left or top edge
        blobs.push_back(MakeBlobRecord(contour, region));
    }
    return blobs;
}

int OrderCentreBlobs(std::vector<BlobRecord>* centres) {
    constexpr int kNoArea = 656666;
    int minArea = kNoArea;
    for (const BlobRecord& blob : *centres) minArea = std::min(minArea, blob.width * blob.height);
    const int base = minArea > 0 ? minArea / 4 : minArea;
    if (centres->empty()) return base;

    float mx = 0;
    float my = 0;
    for (const BlobRecord& blob : *centres) {
        mx += static_cast<float>(blob.x);
        my += static_cast<float>(blob.y);
    }
    mx /= static_cast<float>(centres->size());
    my /= static_cast<float>(centres->size());

    std::vector<BlobRecord> ordered(centres->size());
    for (const BlobRecord& blob : *centres) {
        const float dx = static_cast<float>(blob.x) - mx;
        const float dy = static_cast<float>(blob.y) - my;
        int position = -1;
        if (dx < 0 && dy < 0)
            position = 0;
        else if (dx > 0 && dy < 0)
            position = 1;
        else if (dx < 0 && dy > 0)
            position = 2;
        else if (dx > 0 && dy > 0)
            position = 3;
        if (position >= 0 && static_cast<std::size_t>(position) < ordered.size()) ordered[position] = blob;
    }
    *centres = std::move(ordered);
    return base;
}

std::vector<BlobRecord> FindBlockBlobs(const ContourList& contours, int blockThresholdBase,
                                       const cv::Rect& region) {
    const double minArea = static_cast<double>(blockThresholdBase / 16);
    std::vector<BlobRecord> blobs;
    for (const Contour& contour : contours) {
        if (cv::contourArea(contour) >= minArea) blobs.push_back(MakeBlobRecord(contour, region));
    }
    return blobs;
}

}  // namespace vantiscore
