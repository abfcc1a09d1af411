// Figures measured on photos: block centres on drawn grid photos whose
// centres are known, drift of a moved grid, the tile of a layout and the share
// of it a projector lights, the misregistration a fit residual stands for,
// and the kept centres file.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <random>

#include <opencv2/imgproc.hpp>

#include "calibration/report_measures.h"
#include "test_support.h"

namespace vantis::calibration {
namespace {

using testing::TempFolder;

constexpr int kWidth = 640, kHeight = 360;
constexpr int kFine = 8;  // drawn at eight times the size, then reduced, for sub-pixel edges

cv::Mat Black(int seed = 1) {
    cv::Mat black(kHeight, kWidth, CV_8U, cv::Scalar(12));
    cv::Mat noise(black.size(), CV_8U);
    cv::RNG(seed).fill(noise, cv::RNG::UNIFORM, 0, 4);
    return black + noise;
}

// Blocks of 8 x 8 camera pixels on a 16-pixel pitch, the first centred at
// origin; returns the photo and the true centres.
cv::Mat GridPhoto(cv::Point2d origin, int columns, int rows, std::vector<cv::Point2f>* centres,
                  int seed = 2) {
    cv::Mat fine(kHeight * kFine, kWidth * kFine, CV_8U, cv::Scalar(0));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const cv::Point2d centre = origin + cv::Point2d(16.0 * c, 16.0 * r);
            const cv::Point corner((centre - cv::Point2d(4, 4)) * kFine);
            cv::rectangle(fine, cv::Rect(corner.x, corner.y, 8 * kFine, 8 * kFine), cv::Scalar(200),
                          cv::FILLED);
            // The centre as drawn, on the fine grid.
            centres->emplace_back(static_cast<float>(corner.x) / kFine + 4.f,
                                  static_cast<float>(corner.y) / kFine + 4.f);
        }
    cv::Mat photo;
    cv::resize(fine, photo, {kWidth, kHeight}, 0, 0, cv::INTER_AREA);
    return photo + Black(seed);
}

double WorstError(const std::vector<cv::Point2f>& found, const std::vector<cv::Point2f>& truth) {
    double worst = 0;
    for (const auto& t : truth) {
        double best = 1e9;
        for (const auto& f : found) best = std::min(best, static_cast<double>(cv::norm(f - t)));
        worst = std::max(worst, best);
    }
    return worst;
}

TEST(BlockCentres, FoundAtTheirSubPixelPositions) {
    std::vector<cv::Point2f> truth;
    const cv::Mat grid = GridPhoto({40.375, 30.625}, 30, 17, &truth);
    const auto found = FindBlockCentres(Black(), grid);
    ASSERT_EQ(found.size(), truth.size());
    EXPECT_LT(WorstError(found, truth), 0.05);
}

TEST(BlockCentres, NothingFromUnreadableOrUnlitPhotos) {
    EXPECT_TRUE(FindBlockCentres("/nonexistent/black.bmp", "/nonexistent/grid.bmp").empty());
    EXPECT_TRUE(FindBlockCentres(Black(), Black(3)).empty());
    EXPECT_TRUE(FindBlockCentres(Black(), cv::Mat()).empty());
    EXPECT_TRUE(FindBlockCentres(Black(), cv::Mat(10, 10, CV_8U, cv::Scalar(255))).empty());
}

// The engine's leave-one-out residual of 0.3 px RMS, 0.9 px at most: centres
// as measured leave 0.189 px on the wall (0.849 at a block); centres from a
// fit that keeps 16 % of their noise leave that share of the block error.
TEST(ReportResidual, FollowsTheShareOfBlockErrorTheWarpKeeps) {
    const ResidualMisregistration measured = MisregistrationOfResidual(0.3, 0.9, 1.0);
    EXPECT_NEAR(measured.rms, 0.1886, 1e-4);
    EXPECT_NEAR(measured.max, 0.8485, 1e-4);
    const ResidualMisregistration fitted = MisregistrationOfResidual(0.3, 0.9, 0.16);
    EXPECT_NEAR(fitted.rms, 0.04525, 1e-5);
    EXPECT_NEAR(fitted.max, 0.1358, 1e-4);
    // A share no engine gives is taken for centres as measured, never as zero or more than whole.
    for (const double wrong : {0.0, -0.5, 1.5, std::nan(""), std::numeric_limits<double>::infinity()}) {
        const ResidualMisregistration m = MisregistrationOfResidual(0.3, 0.9, wrong);
        EXPECT_DOUBLE_EQ(m.rms, measured.rms) << wrong;
        EXPECT_DOUBLE_EQ(m.max, measured.max) << wrong;
    }
}

TEST(Drift, MovedGridGivesItsMovementInCameraAndPanelPixels) {
    const cv::Point2d moves[] = {
        {0, 0}, {1.25, -0.625}, {11.0, 2.5}};  // the last more than half a block pitch
    std::vector<cv::Point2f> truth;
    const auto before = FindBlockCentres(Black(), GridPhoto({40.375, 30.625}, 30, 17, &truth));
    for (const cv::Point2d& move : moves) {
        std::vector<cv::Point2f> unused;
        const auto now =
            FindBlockCentres(Black(4), GridPhoto(cv::Point2d(40.375, 30.625) + move, 30, 17, &unused, 5));
        // The panel pitch is 64 pixels where the camera sees 16.
        const auto drift = MeasureDrift(before, now, 64, 64);
        ASSERT_TRUE(drift) << move;
        const double length = std::hypot(move.x, move.y);
        EXPECT_NEAR(drift->rmsCamera, length, 0.05) << move;
        EXPECT_NEAR(drift->rmsPanel, 4 * length, 0.2) << move;
        EXPECT_GE(drift->maxCamera, drift->rmsCamera);
        EXPECT_EQ(drift->blocks, 30 * 17) << move;
    }
}

TEST(Drift, PanelPixelsFollowEachDirectionsPitch) {
    std::vector<cv::Point2f> before, now;
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 8; ++c) {
            before.emplace_back(20.f * c, 10.f * r);  // camera sees 20 across and 10 down per block
            now.emplace_back(20.f * c, 10.f * r + 1.f);
        }
    const auto drift = MeasureDrift(before, now, 64, 64);
    ASSERT_TRUE(drift);
    EXPECT_NEAR(drift->rmsCamera, 1.0, 1e-6);
    EXPECT_NEAR(drift->rmsPanel, 6.4, 1e-4);  // one camera pixel down is a tenth of a block
}

TEST(Drift, NoFigureWithoutEnoughMatchingBlocks) {
    std::vector<cv::Point2f> grid;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c) grid.emplace_back(16.f * c, 16.f * r);
    EXPECT_FALSE(MeasureDrift({}, grid, 64, 64));
    EXPECT_FALSE(MeasureDrift(grid, {}, 64, 64));
    EXPECT_FALSE(MeasureDrift(grid, grid, 0, 64));
    std::vector<cv::Point2f> scattered;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> anywhere(0, 400);
    for (int i = 0; i < 25; ++i) scattered.emplace_back(anywhere(random), anywhere(random));
    EXPECT_FALSE(MeasureDrift(grid, scattered, 64, 64));
}

TEST(Coverage, TileOfEachLayoutPlace) {
    const cv::Rect2d whole = TileShare(1, kWarpingStacking, 1, 1, 0, 0, 1920, 1080);
    EXPECT_EQ(whole, cv::Rect2d(0, 0, 1, 1));
    // Two side by side sharing 320 pixels: 3520 pixels across.
    const cv::Rect2d right = TileShare(1, kWarpingBlending, 2, 1, 320, 0, 1920, 1080);
    EXPECT_NEAR(right.x, 1600.0 / 3520, 1e-12);
    EXPECT_NEAR(right.width, 1920.0 / 3520, 1e-12);
    EXPECT_NEAR(right.height, 1.0, 1e-12);
    // Stacking and blending: the fourth channel is the second layer's right tile.
    EXPECT_EQ(TileShare(3, kWarpingStackingBlending, 2, 1, 320, 0, 1920, 1080), right);
    EXPECT_EQ(TileShare(2, kWarpingBlending, 3, 2, 160, 128, 1024, 768).y, 0.0);
    EXPECT_GT(TileShare(3, kWarpingBlending, 3, 2, 160, 128, 1024, 768).y, 0.4);
}

BoundaryGrid RectangleBoundary(double x0, double y0, double x1, double y1) {
    BoundaryGrid grid;
    for (int r = 0; r < kBoundaryRows; ++r)
        for (int c = 0; c < kBoundaryColumns; ++c)
            grid.emplace_back(static_cast<float>(x0 + (x1 - x0) * c / (kBoundaryColumns - 1)),
                              static_cast<float>(y0 + (y1 - y0) * r / (kBoundaryRows - 1)));
    return grid;
}

TEST(Coverage, ShareOfTheTileThatIsLit) {
    cv::Mat white = Black(6);
    white(cv::Rect(100, 50, 200, 200)) += cv::Scalar(150);
    const BoundaryGrid inside = RectangleBoundary(120, 70, 280, 230);
    const BoundaryGrid halfOut = RectangleBoundary(200, 50, 400, 250);
    const auto full = MeasureCoverage(Black(), white, TileOutline(inside, {0, 0, 1, 1}));
    ASSERT_TRUE(full);
    EXPECT_NEAR(*full, 1.0, 1e-9);
    const auto half = MeasureCoverage(Black(), white, TileOutline(halfOut, {0, 0, 1, 1}));
    ASSERT_TRUE(half);
    EXPECT_NEAR(*half, 0.5, 0.02);
    // The left half of the half-out boundary is all lit.
    const auto leftHalf = MeasureCoverage(Black(), white, TileOutline(halfOut, {0, 0, 0.5, 1}));
    ASSERT_TRUE(leftHalf);
    EXPECT_NEAR(*leftHalf, 1.0, 0.02);
    // A boundary running off the photo counts the part outside as unreached.
    const auto off =
        MeasureCoverage(Black(), white, TileOutline(RectangleBoundary(100, 50, 300, 650), {0, 0, 1, 1}));
    ASSERT_TRUE(off);
    EXPECT_NEAR(*off, 0.33, 0.02);
    EXPECT_FALSE(MeasureCoverage(Black(), cv::Mat(), TileOutline(inside, {0, 0, 1, 1})));
    EXPECT_FALSE(MeasureCoverage(Black(), white, TileOutline(BoundaryGrid(3), {0, 0, 1, 1})));
}

TEST(StoredCentresFile, RoundTripAndDamagedFiles) {
    TempFolder folder("centres");
    StoredCentres kept;
    kept.photoWidth = 1920;
    kept.photoHeight = 1080;
    kept.projectors = {{"127.0.0.11", {{10.25f, 20.5f}, {1919.5f, 1079.0f}}}, {"127.0.0.12", {}}};
    const auto file = folder.path() / kCentresFileName;
    std::string error;
    ASSERT_TRUE(SaveCentres(file, kept, &error)) << error;
    StoredCentres back;
    ASSERT_TRUE(LoadCentres(file, &back, &error)) << error;
    EXPECT_EQ(back.photoWidth, 1920);
    ASSERT_NE(back.Find("127.0.0.11"), nullptr);
    EXPECT_EQ(back.Find("127.0.0.11")->centres, kept.projectors[0].centres);
    EXPECT_EQ(back.Find("127.0.0.13"), nullptr);

    EXPECT_FALSE(LoadCentres(folder.path() / "none.json", &back, &error));
    for (const char* damaged :
         {"", "[]", "{\"photoSize\":[1920],\"projectors\":[]}",
          "{\"photoSize\":[1920,1080],\"projectors\":[{\"address\":1,\"centres\":[]}]}",
          "{\"photoSize\":[1920,1080],\"projectors\":[{\"address\":\"a\",\"centres\":[[1]]}]}",
          "{\"photoSize\":[1920,1080],\"projectors\":[{\"address\":\"a\",\"centres\":[[5000,1]]}]}",
          "{\"photoSize\":[0,1080],\"projectors\":[]}"}) {
        error.clear();
        EXPECT_FALSE(CentresFromJson(damaged, &back, &error)) << damaged;
        EXPECT_FALSE(error.empty()) << damaged;
    }
}

}  // namespace
}  // namespace vantis::calibration
