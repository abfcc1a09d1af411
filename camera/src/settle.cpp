#include "oculet/Settle.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <opencv2/imgproc.hpp>

namespace oculet {

namespace {

cv::Mat Grey(const cv::Mat& frame) {
    cv::Mat grey;
    if (frame.channels() == 3)
        cv::cvtColor(frame, grey, cv::COLOR_BGR2GRAY);
    else if (frame.channels() == 4)
        cv::cvtColor(frame, grey, cv::COLOR_BGRA2GRAY);
    else
        grey = frame;
    return grey;
}

cv::Rect Clip(const cv::Rect& region, const cv::Mat& frame) {
    const cv::Rect whole(0, 0, frame.cols, frame.rows);
    return region.area() > 0 ? (region & whole) : whole;
}

}  // namespace

double EstimateNoise(const cv::Mat& frame) {
    if (frame.empty()) return 0;
    cv::Mat grey = Grey(frame);
    if (grey.depth() != CV_8U) {
        cv::Mat eight;
        grey.convertTo(eight, CV_8U);
        grey = eight;
    }
    if (grey.rows < 3 || grey.cols < 3) return 0;
    // The second difference in both directions: for independent pixel noise of
    // deviation s its response has deviation 6 s; smooth content gives nearly
    // nothing. On 8-bit pictures it is a whole number of at most 16 * 255, so
    // its median comes from a histogram. Every fourth row is plenty.
    constexpr int kLargest = 16 * 255;
    std::vector<std::uint32_t> histogram(kLargest + 1, 0);
    std::uint64_t count = 0;
    for (int y = 1; y < grey.rows - 1; y += 4) {
        const std::uint8_t* up = grey.ptr<std::uint8_t>(y - 1);
        const std::uint8_t* row = grey.ptr<std::uint8_t>(y);
        const std::uint8_t* down = grey.ptr<std::uint8_t>(y + 1);
        for (int x = 1; x < grey.cols - 1; ++x) {
            const int l = up[x - 1] - 2 * up[x] + up[x + 1] - 2 * row[x - 1] + 4 * row[x] - 2 * row[x + 1] +
                          down[x - 1] - 2 * down[x] + down[x + 1];
            ++histogram[static_cast<std::size_t>(std::min(std::abs(l), kLargest))];
            ++count;
        }
    }
    if (count == 0) return 0;
    std::uint64_t seen = 0;
    int median = 0;
    while (median < kLargest && (seen += histogram[static_cast<std::size_t>(median)]) * 2 < count) ++median;
    // Median of |normal| is 0.6745 deviations; a whole-number median is at most half a step off.
    return median / 0.6745 / 6.0;
}

cv::Mat CellMeans(const cv::Mat& frame, int cell, const cv::Rect& region) {
    if (frame.empty()) return {};
    cell = std::max(cell, 1);
    const cv::Mat part = Grey(frame)(Clip(region, frame));
    const int columns = std::max(part.cols / cell, 1), rows = std::max(part.rows / cell, 1);
    cv::Mat used =
        part(cv::Rect(0, 0, std::min(part.cols, columns * cell), std::min(part.rows, rows * cell)));
    cv::Mat cells;
    cv::resize(used, cells, cv::Size(columns, rows), 0, 0, cv::INTER_AREA);  // area average of each cell
    // INTER_AREA on 8-bit rounds; average in floating point instead when it matters.
    if (used.depth() == CV_8U) {
        cv::Mat wide;
        used.convertTo(wide, CV_32F);
        cv::resize(wide, cells, cv::Size(columns, rows), 0, 0, cv::INTER_AREA);
    } else {
        cells.convertTo(cells, CV_32F);
    }
    return cells;
}

SettleWatch::SettleWatch(const cv::Mat& before, const SettleRule& rule) : rule_(rule) {
    rule_.cell = std::max(rule_.cell, 1);
    rule_.agreeingFrames = std::max(rule_.agreeingFrames, 1);
    if (!before.empty()) {
        before_ = CellMeans(before, rule_.cell, rule_.region);
        previousNoise_ = EstimateNoise(before);
    }
}

bool SettleWatch::Same(const cv::Mat& a, const cv::Mat& b, double* difference) {
    if (a.size() != b.size()) {
        *difference = HUGE_VAL;
        return false;
    }
    cv::Mat delta;
    cv::absdiff(a, b, delta);
    double largest = 0;
    cv::minMaxLoc(delta, nullptr, &largest);
    *difference = largest;
    // The mean of cell * cell pixels of deviation s has deviation s / cell; a
    // difference of two such means s * sqrt(2) / cell.
    lastLimit_ = rule_.noiseFactor * noise_ * std::sqrt(2.0) / rule_.cell + rule_.minimumStep;
    return largest <= lastLimit_;
}

SettleWatch::State SettleWatch::Add(const cv::Mat& frame) {
    ++frames_;
    if (frame.empty()) return state_;
    const cv::Mat grey = Grey(frame);
    const cv::Mat cells = CellMeans(grey, rule_.cell, rule_.region);
    // Two frames are held to the larger of their noise figures: a change of the
    // picture's level changes its noise too.
    const double own = EstimateNoise(grey);
    noise_ = std::max(own, previousNoise_);
    previousNoise_ = own;
    double difference = 0;
    bool justChanged = false;
    if (!changed_) {
        changed_ = before_.empty() || !Same(cells, before_, &difference);
        justChanged = changed_;
        if (changed_) changedAt_ = frames_ - 1;
    }
    // The run of agreeing frames starts again with the first changed frame, so
    // that frames from before the change never count towards it.
    if (!justChanged && run_ > 0 && Same(cells, runStart_, &difference)) {
        ++run_;
    } else {
        runStart_ = cells;
        run_ = 1;
    }
    lastDifference_ = difference;
    noise_ = own;
    if (!changed_)
        state_ = State::Unchanged;
    else
        state_ = run_ >= rule_.agreeingFrames ? State::Settled : State::Changing;
    return state_;
}

}  // namespace oculet
