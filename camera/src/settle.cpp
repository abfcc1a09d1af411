#include "oculet/Settle.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <opencv2/imgproc.hpp>

namespace oculet {

namespace {

cv::Mat Grey(const cv::Mat& frame) {
    cv::Mat grey;
    if (frame.channels() == 3) cv::cvtColor(frame, grey, cv::COLOR_BGR2GRAY);
    else if (frame.channels() == 4) cv::cvtColor(frame, grey, cv::COLOR_BGRA2GRAY);
    else grey = frame;
    return grey;
}

cv::Rect Clip(const cv::Rect& region, const cv::Mat& frame) {
    const cv::Rect whole(0, 0, frame.cols, frame.rows);
    return region.area() > 0 ? (region & whole) : whole;
}

}  // namespace

double EstimateNoise(const cv::Mat& frame) {
    if (frame.empty()) return 0;
    cv::Mat grey;
    Grey(frame).convertTo(grey, CV_32F);
    if (grey.rows < 3 || grey.cols < 3) return 0;
    // The second difference in both directions: for independent pixel noise of
    // deviation s its response has deviation 6 s; smooth content gives nearly nothing.
    const cv::Matx33f kernel(1, -2, 1, -2, 4, -2, 1, -2, 1);
    cv::Mat response;
    cv::filter2D(grey, response, CV_32F, kernel, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
    std::vector<float> magnitudes;
    magnitudes.reserve(static_cast<std::size_t>(response.rows / 2 + 1) * static_cast<std::size_t>(response.cols - 2));
    for (int y = 1; y < response.rows - 1; y += 2) {  // every other row is plenty for a median
        const float* row = response.ptr<float>(y);
        for (int x = 1; x < response.cols - 1; ++x) magnitudes.push_back(std::fabs(row[x]));
    }
    if (magnitudes.empty()) return 0;
    auto middle = magnitudes.begin() + static_cast<std::ptrdiff_t>(magnitudes.size() / 2);
    std::nth_element(magnitudes.begin(), middle, magnitudes.end());
    // Median of |normal| is 0.6745 deviations.
    return *middle / 0.6745 / 6.0;
}

cv::Mat CellMeans(const cv::Mat& frame, int cell, const cv::Rect& region) {
    if (frame.empty()) return {};
    cell = std::max(cell, 1);
    const cv::Mat part = Grey(frame)(Clip(region, frame));
    const int columns = std::max(part.cols / cell, 1), rows = std::max(part.rows / cell, 1);
    cv::Mat used = part(cv::Rect(0, 0, std::min(part.cols, columns * cell), std::min(part.rows, rows * cell)));
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
    const cv::Mat cells = CellMeans(frame, rule_.cell, rule_.region);
    // Two frames are held to the larger of their noise figures: a change of the
    // picture's level changes its noise too.
    const double own = EstimateNoise(frame);
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
    if (!changed_) state_ = State::Unchanged;
    else state_ = run_ >= rule_.agreeingFrames ? State::Settled : State::Changing;
    return state_;
}

}  // namespace oculet
