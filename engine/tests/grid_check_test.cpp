// The consistency check, the figures and the ring of virtual blocks on block
// grids whose photographed positions are known: a projective view with
// radial lens distortion, as the camera sees a pattern.
#include "grid_check.h"

#include <gtest/gtest.h>

#include <cmath>

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include "detection.h"
#include "pattern_table.h"
#include "warp_compute.h"

namespace vantiscore {
namespace {

// Panel -> working-image pixels: a keystoned view and barrel distortion about
// the picture's middle.
struct DistortedView {
    PatternInfo info = PatternInfoFor(false, 3);  // 1920 x 1080, 30 x 17 blocks, pitch 64
    BlockLayout layout = BlockLayout::FromPattern(info);
    cv::Matx33d h;
    double k = -0.08;

    DistortedView() {
        const std::vector<cv::Point2f> panel{{0, 0}, {1920, 0}, {0, 1080}, {1920, 1080}};
        const std::vector<cv::Point2f> work{{900, 700}, {4900, 800}, {1000, 2900}, {4800, 2700}};
        h = cv::Matx33d(cv::getPerspectiveTransform(panel, work));
    }
    cv::Point2f ToWork(cv::Point2f panel) const {
        const cv::Vec3d v = h * cv::Vec3d(panel.x, panel.y, 1.0);
        const cv::Point2d p(v[0] / v[2], v[1] / v[2]);
        const cv::Point2d centre(2880, 1620);
        const cv::Point2d d = (p - centre) * (1.0 / 2880.0);
        const double scale = 1.0 + k * (d.x * d.x + d.y * d.y);
        return cv::Point2f(centre + (p - centre) * scale);
    }
    std::vector<cv::Point2f> Ideal() const { return IdealCentres(info, kCentresCentroid); }
    std::vector<cv::Point2f> Centres() const {
        std::vector<cv::Point2f> centres;
        for (const cv::Point2f& p : Ideal()) centres.push_back(ToWork(p));
        return centres;
    }
    // Sorted blobs at the rounded centres, every one found.
    SortedBlocks Sorted(const std::vector<cv::Point2f>& centres) const {
        SortedBlocks sorted;
        for (const cv::Point2f& p : centres) sorted.grid.emplace_back(cvRound(p.x), cvRound(p.y), 20, 20);
        sorted.found.assign(sorted.grid.size(), true);
        return sorted;
    }
};

TEST(GridCheck, ConsistentGridPassesWithSmallResidualsAndFullCount) {
    const DistortedView view;
    const std::vector<cv::Point2f> centres = view.Centres();
    const SortedBlocks sorted = view.Sorted(centres);
    const GridCheck check = CheckGrid(view.info, sorted, centres, view.Ideal(), sorted.grid);
    EXPECT_TRUE(check.consistent);
    EXPECT_EQ(check.figures.blocksFound, 30 * 17);
    EXPECT_EQ(check.figures.blocksExpected, 30 * 17);
    EXPECT_GT(check.figures.residualMax, 0.0);
    EXPECT_LT(check.figures.residualMax, 1.0) << "panel px";
    EXPECT_LE(check.figures.residualRms, check.figures.residualMax);
}

TEST(GridCheck, SlippedRowSegmentOrDoublePlacedBlobIsInconsistent) {
    const DistortedView view;
    const int n = view.layout.columns;
    const std::vector<cv::Point2f> truth = view.Centres();

    // Row 3 from column 18 on holds the blobs of the next column: the grid slipped.
    std::vector<cv::Point2f> slipped = truth;
    for (int c = 18; c < n - 1; ++c)
        slipped[static_cast<size_t>(3 * n + c)] = truth[static_cast<size_t>(3 * n + c + 1)];
    SortedBlocks sorted = view.Sorted(slipped);
    sorted.found[static_cast<size_t>(3 * n + n - 1)] = false;
    GridCheck check = CheckGrid(view.info, sorted, slipped, view.Ideal(), view.Sorted(truth).grid);
    EXPECT_FALSE(check.consistent);
    EXPECT_GT(check.figures.residualMax, 16.0);
    EXPECT_EQ(check.figures.blocksFound, 30 * 17 - 1);

    // One blob at two places, everything else right.
    std::vector<cv::Point2f> doubled = truth;
    doubled[5] = truth[4];
    sorted = view.Sorted(doubled);
    check = CheckGrid(view.info, sorted, doubled, view.Ideal(), view.Sorted(truth).grid);
    EXPECT_FALSE(check.consistent);
}

TEST(GridCheck, BlocksLeftOverOrTooFewPlacedAreInconsistent) {
    const DistortedView view;
    const std::vector<cv::Point2f> truth = view.Centres();
    const std::vector<cv::Rect> blobs = view.Sorted(truth).grid;

    // Rows 0 to 4 never placed although their blobs were seen.
    SortedBlocks sorted = view.Sorted(truth);
    for (size_t k = 0; k < 5u * 30u; ++k) sorted.found[k] = false;
    EXPECT_FALSE(CheckGrid(view.info, sorted, truth, view.Ideal(), blobs).consistent);

    // The same rows simply not on the photo: consistent.
    const std::vector<cv::Rect> seen(blobs.begin() + 5 * 30, blobs.end());
    EXPECT_TRUE(CheckGrid(view.info, sorted, truth, view.Ideal(), seen).consistent);

    // A quarter of the blocks or fewer is no grid.
    for (size_t k = 0; k < sorted.found.size() * 4 / 5; ++k) sorted.found[k] = false;
    EXPECT_FALSE(CheckGrid(view.info, sorted, truth, view.Ideal(), {}).consistent);
}

TEST(GridCheck, VirtualRingFollowsLensDistortionBeyondTheOuterBlocks) {
    const DistortedView view;
    const std::vector<cv::Point2f> ideal = view.Ideal();
    const RingedGrid ringed = AddVirtualRing(view.Centres(), ideal, view.layout, view.info);
    ASSERT_EQ(ringed.layout.columns, 32);
    ASSERT_EQ(ringed.layout.rows, 19);
    EXPECT_EQ(ringed.layout.CentreIndex(), (view.info.centreRow + 1) * 32 + view.info.centreColumn + 1);
    double worst = 0.0;
    double worstLinear = 0.0;
    for (int r = 0; r < ringed.layout.rows; ++r)
        for (int c = 0; c < ringed.layout.columns; ++c) {
            if (r > 0 && c > 0 && r < ringed.layout.rows - 1 && c < ringed.layout.columns - 1) continue;
            const size_t k = static_cast<size_t>(r * ringed.layout.columns + c);
            // The ring continues the pitch on the panel ...
            const cv::Point2f expectedIdeal((view.info.blockWidth - 1) / 2.0f + (c - 1) * 64.0f,
                                            (view.info.blockHeight - 1) / 2.0f + (r - 1) * 64.0f);
            EXPECT_EQ(ringed.ideal[k], expectedIdeal) << r << "," << c;
            // ... and lands where the distorted view puts that panel point.
            worst = std::max(worst, cv::norm(ringed.centres[k] - view.ToWork(expectedIdeal)));
            // A straight continuation of the outer step, for comparison.
            const int ri = std::clamp(r, 1, ringed.layout.rows - 2);
            const int ci = std::clamp(c, 1, ringed.layout.columns - 2);
            const int r2 = ri + (ri - r);
            const int c2 = ci + (ci - c);
            const cv::Point2f linear =
                2 * ringed.centres[static_cast<size_t>(ri * ringed.layout.columns + ci)] -
                ringed.centres[static_cast<size_t>(r2 * ringed.layout.columns + c2)];
            worstLinear = std::max(worstLinear, cv::norm(linear - view.ToWork(expectedIdeal)));
        }
    EXPECT_LT(worst, 0.8) << "working px";
    EXPECT_GT(worstLinear, 3 * worst) << worstLinear;
}

// Centroids with a camera's measurement noise (a fixed seed): the local fit
// must take most of it out, inside the grid and on the ring beyond it, keep a
// noiseless distorted grid where it is, and fill a missing block from its
// neighbours.
TEST(GridCheck, LocalFitTakesOutCentroidNoiseAndFollowsTheDistortion) {
    const DistortedView view;
    const std::vector<cv::Point2f> ideal = view.Ideal();
    const std::vector<cv::Point2f> truth = view.Centres();
    std::vector<bool> found(truth.size(), true);

    const RingedGrid clean = FittedRing(truth, found, ideal, view.layout, view.info);
    const RingedGrid plain = AddVirtualRing(truth, ideal, view.layout, view.info);
    ASSERT_EQ(clean.layout.columns, plain.layout.columns);
    ASSERT_EQ(clean.ideal, plain.ideal);
    double cleanWorst = 0.0;
    for (size_t k = 0; k < clean.centres.size(); ++k)
        cleanWorst = std::max(cleanWorst, cv::norm(clean.centres[k] - view.ToWork(clean.ideal[k])));
    EXPECT_LT(cleanWorst, 0.3) << "working px";

    cv::RNG rng(18);
    std::vector<cv::Point2f> noisy = truth;
    for (cv::Point2f& p : noisy)
        p += cv::Point2f(static_cast<float>(rng.gaussian(0.6)), static_cast<float>(rng.gaussian(0.6)));
    found[static_cast<size_t>(5 * view.layout.columns + 7)] = false;
    noisy[static_cast<size_t>(5 * view.layout.columns + 7)] = cv::Point2f(0, 0);  // never found, never filled
    const RingedGrid fitted = FittedRing(noisy, found, ideal, view.layout, view.info);
    const RingedGrid ringed = AddVirtualRing(noisy, ideal, view.layout, view.info);
    auto rms = [&](const RingedGrid& grid, bool ring) {
        double sum = 0.0;
        int count = 0;
        for (int r = 0; r < grid.layout.rows; ++r)
            for (int c = 0; c < grid.layout.columns; ++c) {
                const bool onRing =
                    r == 0 || c == 0 || r == grid.layout.rows - 1 || c == grid.layout.columns - 1;
                if (onRing != ring) continue;
                const size_t k = static_cast<size_t>(r * grid.layout.columns + c);
                if (grid.centres[k] == cv::Point2f(0, 0)) continue;
                const cv::Point2f e = grid.centres[k] - view.ToWork(grid.ideal[k]);
                sum += e.dot(e);
                ++count;
            }
        return std::sqrt(sum / count);
    };
    EXPECT_LT(rms(fitted, false), 0.4 * rms(ringed, false));
    EXPECT_LT(rms(fitted, true), 0.5 * rms(ringed, true));
    const size_t missing = static_cast<size_t>(6 * clean.layout.columns + 8);
    EXPECT_LT(cv::norm(fitted.centres[missing] - view.ToWork(fitted.ideal[missing])), 0.6);

    // Too few blocks for any window: the centres stay as given.
    const std::vector<bool> none(truth.size(), false);
    EXPECT_EQ(SmoothCentres(noisy, none, view.layout), noisy);
}

// The share of the centres' independent noise that a fit keeps is what the
// fitted centres are left with, over many noise draws, for a wide and a narrow
// window; centres as measured keep all of it.
TEST(GridCheck, ErrorKeptIsTheShareOfCentroidNoiseTheFitLeaves) {
    const DistortedView view;
    const std::vector<cv::Point2f> ideal = view.Ideal();
    const std::vector<cv::Point2f> truth = view.Centres();
    const std::vector<bool> found(truth.size(), true);
    EXPECT_EQ(AddVirtualRing(truth, ideal, view.layout, view.info).errorKept, 1.0);
    EXPECT_EQ(
        FittedRing(truth, std::vector<bool>(truth.size(), false), ideal, view.layout, view.info).errorKept,
        1.0);

    constexpr double kNoise = 0.6;  // per axis
    double kept[2] = {0.0, 0.0};
    int i = 0;
    for (const LocalFit fit : {LocalFit{8, 3}, LocalFit{3, 3}}) {
        const RingedGrid clean = FittedRing(truth, found, ideal, view.layout, view.info, fit);
        cv::RNG rng(7);
        double sum = 0.0;
        int count = 0;
        for (int draw = 0; draw < 8; ++draw) {
            std::vector<cv::Point2f> noisy = truth;
            for (cv::Point2f& p : noisy)
                p += cv::Point2f(static_cast<float>(rng.gaussian(kNoise)),
                                 static_cast<float>(rng.gaussian(kNoise)));
            const RingedGrid fitted = FittedRing(noisy, found, ideal, view.layout, view.info, fit);
            EXPECT_EQ(fitted.errorKept, clean.errorKept);  // the fit's weights, not the data
            for (int r = 0; r < view.layout.rows; ++r)
                for (int c = 0; c < view.layout.columns; ++c) {
                    const auto k = static_cast<size_t>((r + 1) * fitted.layout.columns + c + 1);
                    const cv::Point2f e = fitted.centres[k] - clean.centres[k];
                    sum += e.dot(e);
                    ++count;
                }
        }
        const double left = std::sqrt(sum / count) / (kNoise * std::sqrt(2.0));
        EXPECT_NEAR(clean.errorKept, left, 0.1 * left) << "radius " << fit.radius;
        kept[i++] = clean.errorKept;
    }
    EXPECT_LT(kept[0], 0.3);
    EXPECT_LT(kept[0], kept[1]);  // the wider window averages more blocks
}

TEST(GridCheck, BoxModeKeepsTheSortedIntegerCentresAndCentroidModeRefinesThem) {
    const DistortedView view;
    const std::vector<cv::Point2f> truth = view.Centres();
    SortedBlocks sorted = view.Sorted(truth);
    sorted.found[0] = false;  // filled by the sorter
    sorted.grid[0] =
        cv::Rect(2 * sorted.grid[1].x - sorted.grid[2].x, 2 * sorted.grid[1].y - sorted.grid[2].y, 0, 0);
    const std::vector<cv::Rect> blobs(sorted.grid.begin() + 1, sorted.grid.end());
    std::vector<cv::Point2f> centroids(truth.begin() + 1, truth.end());

    const std::vector<cv::Point2f> box = RefineCentres(sorted, view.layout, blobs, centroids, kCentresBox);
    EXPECT_EQ(box, ToBlockGrid(sorted.grid));
    EXPECT_EQ(IdealCentres(view.info, kCentresBox), IdealBlockCentres(view.info));

    const std::vector<cv::Point2f> refined =
        RefineCentres(sorted, view.layout, blobs, centroids, kCentresCentroid);
    for (size_t k = 1; k < truth.size(); ++k) ASSERT_LT(cv::norm(refined[k] - truth[k]), 0.01) << k;
    // The filled entry is extrapolated again from the refined neighbours.
    const size_t n = static_cast<size_t>(view.layout.columns);
    EXPECT_LT(cv::norm(refined[0] - (truth[1] + truth[n] - truth[n + 1])), 0.01);
}

TEST(GridCheck, ExtrapolationDistanceIsMeasuredFromTheFoundBlocks) {
    const DistortedView view;
    const std::vector<cv::Point2f> ideal = view.Ideal();
    std::vector<bool> found(ideal.size(), true);
    // The panel's corner (0, 0) lies (15.5, 15.5) beyond the first block centre.
    EXPECT_NEAR(ExtrapolationDistance({{0, 0}, {960, 540}}, ideal, found), std::hypot(15.5, 15.5), 1e-4);
    // Without the first column the nearest found centres are a pitch further right.
    for (int r = 0; r < view.layout.rows; ++r) found[static_cast<size_t>(r * view.layout.columns)] = false;
    EXPECT_NEAR(ExtrapolationDistance({{0, 15.5f}}, ideal, found), 79.5, 1e-4);
}

TEST(Centroid, SubPixelBlobIsLocatedWithinATenthOfAPixel) {
    // A blurred block whose true centre is (40.3, 31.7) on a difference picture.
    cv::Mat picture(80, 80, CV_32F, cv::Scalar(0));
    const cv::Point2d truth(40.3, 31.7);
    for (int y = 0; y < picture.rows; ++y)
        for (int x = 0; x < picture.cols; ++x) {
            const double inX = std::clamp(6.0 - std::abs(x - truth.x) + 0.5, 0.0, 1.0);
            const double inY = std::clamp(5.0 - std::abs(y - truth.y) + 0.5, 0.0, 1.0);
            picture.at<float>(y, x) = static_cast<float>(200.0 * inX * inY);
        }
    cv::GaussianBlur(picture, picture, cv::Size(0, 0), 1.2);
    cv::Mat difference;
    picture.convertTo(difference, CV_8U);
    cv::Mat binary;
    cv::threshold(difference, binary, 60, 255, cv::THRESH_BINARY);
    ContourList contours;
    cv::findContours(binary, contours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
    ASSERT_EQ(contours.size(), 1u);
    const cv::Rect region(100, 200, 80, 80);
    // Pixel i covers [i, i + 1): its middle is at i + 0.5.
    const cv::Point2f c = IntensityCentroid(difference, contours[0], region, 60);
    EXPECT_NEAR(c.x, truth.x + 0.5 + 100, 0.1);
    EXPECT_NEAR(c.y, truth.y + 0.5 + 200, 0.1);
}

}  // namespace
}  // namespace vantiscore
