// When a photograph may be taken after the picture was told to change.
//
// A projector shows a new pattern some time after its command (its own
// latency), and a camera frame exposed during the change mixes both pictures.
// A photograph is right only once the picture has changed from what was there
// before the command and then holds still. SettleWatch decides that from the
// frames alone: each frame is reduced to the mean grey level of square cells,
// and two pictures count as the same when no cell differs by more than the
// camera's noise allows. The noise is measured on every frame itself, so the
// rule needs no setting per camera, exposure or gain.
#pragma once

#include <cstdint>

#include <opencv2/core.hpp>

namespace oculet {

struct SettleRule {
    int cell = 16;             // side of the square cells, in picture pixels
    int agreeingFrames = 3;    // consecutive frames that must show the same picture
    double noiseFactor = 6.0;  // a cell differs when it moves by more than this many standard deviations
    double minimumStep = 0.5;  // grey levels a cell may always move (rounding of 8-bit pictures)
    cv::Rect region;           // the part of the picture that matters; empty = the whole picture
};

// The standard deviation of a frame's pixel noise in grey levels, estimated
// from the frame alone: the median response of a second-difference filter,
// which smooth picture content and sparse edges barely move.
double EstimateNoise(const cv::Mat& frame);

// The mean grey level of each cell of the region (CV_32F, one value per cell).
cv::Mat CellMeans(const cv::Mat& frame, int cell, const cv::Rect& region = {});

class SettleWatch {
  public:
    enum class State {
        Unchanged,  // every frame so far shows the picture from before
        Changing,   // the picture changed and has not held still yet
        Settled,    // changed, and the last agreeingFrames frames agree
    };

    // `before`: a frame taken before the command (may be empty: then any
    // picture counts as changed).
    explicit SettleWatch(const cv::Mat& before, const SettleRule& rule = {});

    // The next frame, in the order the camera delivered them.
    State Add(const cv::Mat& frame);
    State state() const { return state_; }
    // The last frames (changed or not) agree with each other: the picture holds still.
    bool Still() const { return run_ >= rule_.agreeingFrames; }
    // Frames added so far, and since the first one that showed the change.
    int frames() const { return frames_; }
    int framesSinceChange() const { return changed_ ? frames_ - changedAt_ : 0; }
    // The noise (grey levels, per pixel) measured on the latest frame.
    double noise() const { return noise_; }
    // The largest cell difference of the latest frame from the first frame of the
    // current run, and the limit it was held to.
    double lastDifference() const { return lastDifference_; }
    double lastLimit() const { return lastLimit_; }

  private:
    // Whether cells a and b show the same picture at the noise of the latest frame.
    bool Same(const cv::Mat& a, const cv::Mat& b, double* difference);

    SettleRule rule_;
    cv::Mat before_;    // cells of the picture before the command
    cv::Mat runStart_;  // cells of the first frame of the current run of agreeing frames
    int run_ = 0;       // frames in that run
    bool changed_ = false;
    int frames_ = 0;
    int changedAt_ = 0;         // frames before the first changed one
    double noise_ = 0;          // the latest frame's own noise
    double previousNoise_ = 0;  // the frame before's (or the picture before the command's)
    double lastDifference_ = 0;
    double lastLimit_ = 0;
    State state_ = State::Unchanged;
};

}  // namespace oculet
