// AutoDoImageWarping from photos to warps: the patterns are drawn on the panel,
// photographed through a known perspective, and the warps must put the
// picture where the boundary says.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "VantisCore.h"
#include "grid_sort.h"
#include "synthetic_photos.h"
#include "warp_compute.h"
#include "warping.h"

namespace vantiscore {
namespace {

using synthetic::TempFolder;

// A camera that sees a 1024 x 768 panel obliquely: panel pixel -> photo pixel.
struct ObliqueCamera {
    PatternInfo info = AutoWarpGetPatternInfo(false, 0);
    cv::Size photoSize{1920, 1080};
    cv::Mat panelToPhoto;

    ObliqueCamera() {
        const std::vector<cv::Point2f> panel{{0, 0}, {1024, 0}, {0, 768}, {1024, 768}};
        const std::vector<cv::Point2f> photo{{260, 140}, {1620, 190}, {300, 930}, {1580, 880}};
        panelToPhoto = cv::getPerspectiveTransform(panel, photo);
    }

    cv::Point2f ToPhoto(cv::Point2f panel) const {
        std::vector<cv::Point2f> out;
        cv::perspectiveTransform(std::vector<cv::Point2f>{panel}, out, panelToPhoto);
        return out[0];
    }

    // The panel showing white blocks (or full white) on black, photographed.
    cv::Mat Photograph(const cv::Mat& panelPicture) const {
        cv::Mat photo;
        cv::warpPerspective(panelPicture, photo, panelToPhoto, photoSize, cv::INTER_LINEAR,
                            cv::BORDER_CONSTANT, cv::Scalar::all(0));
        return photo;
    }
    cv::Mat Blocks(int c0, int c1, int r0, int r1) const {
        cv::Mat panel(info.height, info.width, CV_8UC3, cv::Scalar::all(0));
        for (int r = r0; r < r1; ++r)
            for (int c = c0; c < c1; ++c)
                cv::rectangle(panel,
                              cv::Rect(c * info.pitchX, r * info.pitchY, info.blockWidth, info.blockHeight),
                              cv::Scalar::all(255), cv::FILLED);
        return Photograph(panel);
    }
    cv::Mat White() const {
        return Photograph(cv::Mat(info.height, info.width, CV_8UC3, cv::Scalar::all(255)));
    }
    cv::Mat Black() const { return cv::Mat(photoSize, CV_8UC3, cv::Scalar::all(0)); }

    // The boundary: the panel's area inset by the given fraction, seen by the
    // camera. Photo positions of the engine are continuous, pixel i covering
    // [i, i + 1); the warped photo has pixel i's middle at index i.
    BoundaryGrid Boundary(float inset) const {
        BoundaryGrid boundary;
        for (int i = 0; i < kBoundaryRows; ++i)
            for (int j = 0; j < kBoundaryColumns; ++j)
                boundary.push_back(
                    ToPhoto(Inset(cv::Point2f(info.width * j / 128.0f, info.height * i / 64.0f), inset)) +
                    cv::Point2f(0.5f, 0.5f));
        return boundary;
    }
    cv::Point2f Inset(cv::Point2f panel, float inset) const {
        return {info.width * inset + panel.x * (1 - 2 * inset),
                info.height * inset + panel.y * (1 - 2 * inset)};
    }
};

struct PhotoSet {
    TempFolder folder;
    std::string black, white, centre, grid;

    explicit PhotoSet(const ObliqueCamera& camera) {
        const PatternInfo& info = camera.info;
        black = folder.Write("black.bmp", camera.Black());
        white = folder.Write("white.bmp", camera.White());
        centre = folder.Write("centre.bmp", camera.Blocks(info.centreColumn, info.centreColumnEnd,
                                                          info.centreRow, info.centreRowEnd));
        grid = folder.Write("grid.bmp", camera.Blocks(0, info.blockColumns, 0, info.blockRows));
    }
};

WarpResult RunWarping(const PhotoSet& photos, int channels, WarpingMode mode, int layoutColumns,
                      const BoundaryGrid& boundary, std::vector<WarpGrid>* warps, std::int32_t* photoSize) {
    const std::vector<std::string> whites(channels, photos.white);
    const std::vector<std::string> centres(channels, photos.centre);
    const std::vector<std::string> grids(channels, photos.grid);
    const std::vector<double> thresholds(channels, 60.0);
    return AutoDoImageWarping(photos.black, whites, centres, grids, thresholds, 0, channels, mode,
                              layoutColumns, 1, 0, 0, 1, boundary, photoSize, warps);
}

TEST(WarpingPipeline, ObliquePhotosGiveTheWarpThatFillsTheBoundary) {
    const ObliqueCamera camera;
    const PhotoSet photos(camera);
    std::vector<WarpGrid> warps;
    std::int32_t photoSize[2] = {0, 0};
    const WarpResult result =
        RunWarping(photos, 2, kWarpingStacking, 1, camera.Boundary(0.1f), &warps, photoSize);
    ASSERT_EQ(result.status, kWarpOk);
    EXPECT_EQ(result.channel, 0);
    EXPECT_TRUE(result.photo.empty());
    EXPECT_EQ(photoSize[0], 1920);
    EXPECT_EQ(photoSize[1], 1080);
    ASSERT_EQ(warps.size(), 2u);

    WarpGrid identity;
    AutoWarpInitWarping(&identity, 0);
    ASSERT_EQ(warps[0].size(), identity.size());
    double worst = 0.0;
    for (size_t k = 0; k < identity.size(); ++k) {
        const cv::Point2f expected = camera.Inset(identity[k], 0.1f);
        worst = std::max(worst, cv::norm(warps[0][k] - expected));
        EXPECT_EQ(warps[1][k], warps[0][k]);
    }
    EXPECT_LT(worst, 0.75) << "panel pixels";
}

TEST(WarpingPipeline, ModeOutsideTheThreeAndTooManyChannelsAreRefused) {
    const ObliqueCamera camera;
    const PhotoSet photos(camera);
    std::vector<WarpGrid> warps(1);
    std::int32_t photoSize[2] = {0, 0};
    // A mode that makes no warps is refused, not reported as done.
    WarpResult result = RunWarping(photos, 1, 5, 1, camera.Boundary(0.0f), &warps, photoSize);
    EXPECT_EQ(result.status, kWarpBadArguments);
    EXPECT_EQ(warps.size(), 1u);

    // Blending over two tiles cannot serve three channels.
    result = RunWarping(photos, 3, kWarpingBlending, 2, camera.Boundary(0.0f), &warps, photoSize);
    EXPECT_EQ(result.status, kWarpBadArguments);
    EXPECT_EQ(warps.size(), 1u);

    // A boundary that is not 129 x 65 is refused.
    BoundaryGrid shortBoundary = camera.Boundary(0.0f);
    shortBoundary.pop_back();
    result = RunWarping(photos, 1, kWarpingStacking, 1, shortBoundary, &warps, photoSize);
    EXPECT_EQ(result.status, kWarpBadArguments);
    EXPECT_EQ(warps.size(), 1u);
}

// The same call through AutoDoImageWarpingEx, with the figures.
WarpResult RunWarpingEx(const PhotoSet& photos, CentreMode centres, const BoundaryGrid& boundary,
                        std::vector<WarpGrid>* warps, std::vector<ChannelFigures>* figures) {
    std::int32_t photoSize[2] = {0, 0};
    return AutoDoImageWarpingEx(photos.black, {photos.white}, {photos.centre}, {photos.grid}, {60.0}, 0, 1,
                                kWarpingStacking, 1, 1, 0, 0, 1, boundary, WarpOptions{centres}, photoSize,
                                warps, figures);
}

TEST(WarpingPipeline, FiguresOfACleanGridAndBothCentreModes) {
    const ObliqueCamera camera;
    const PhotoSet photos(camera);
    for (CentreMode mode : {kCentresCentroid, kCentresBox}) {
        std::vector<WarpGrid> warps;
        std::vector<ChannelFigures> figures;
        ASSERT_EQ(RunWarpingEx(photos, mode, camera.Boundary(0.0f), &warps, &figures).status, kWarpOk)
            << mode;
        ASSERT_EQ(figures.size(), 1u);
        EXPECT_EQ(figures[0].blocksFound, 32 * 24);
        EXPECT_EQ(figures[0].blocksExpected, 32 * 24);
        EXPECT_LT(figures[0].residualMax, mode == kCentresBox ? 1.5 : 0.5) << mode;
        // The panel's far corner lies 24 px right of and below the last block centre.
        EXPECT_NEAR(figures[0].extrapolationMax, std::hypot(24.0, 24.0), 1.5) << mode;

        WarpGrid identity;
        AutoWarpInitWarping(&identity, 0);
        double worst = 0.0;
        for (size_t k = 0; k < identity.size(); ++k)
            worst = std::max(worst, cv::norm(warps[0][k] - identity[k]));

        EXPECT_LT(worst, mode == kCentresBox ? 1.6 : 0.5) << "panel px over the whole panel, mode " << mode;
    }
}

TEST(WarpingPipeline, BoxCentresGiveTheCellHomographiesOfTheSortedGrid) {
    // Inside the outer block centres the box mode maps every point through
    // the homography of its cell of integer box centres, as it always did.
    const ObliqueCamera camera;
    const PhotoSet photos(camera);
    const BoundaryGrid boundary = camera.Boundary(0.05f);
    std::vector<WarpGrid> warps;
    ASSERT_EQ(RunWarpingEx(photos, kCentresBox, boundary, &warps, nullptr).status, kWarpOk);

    const std::vector<std::string> whites{photos.white}, centres{photos.centre}, grids{photos.grid};
    const std::vector<double> thresholds{60.0};
    const WarpJob job{photos.black,     whites, centres, grids, thresholds, 0, 1,
                      kWarpingStacking, 1,      1,       0,     0,          1, boundary};
    const PatternInfo info = AutoWarpGetPatternInfo(false, 0);
    std::int32_t photoSize[2] = {0, 0};
    ChannelDetection detection;
    ASSERT_EQ(DetectChannel(job, 0, info, photoSize, &detection).status, kWarpOk);
    std::vector<WarpGrid> plain;
    ASSERT_EQ(ComputeWarps(WarpInputs{0, kWarpingStacking, TileLayout{1, 1, 0, 0, 1}, boundary, {1920, 1080}},
                           {SortBlockGrid(info, detection.centres, detection.blocks)}, &plain),
              WarpOutcome::Computed);
    int compared = 0;
    for (size_t k = 0; k < plain[0].size(); ++k) {
        const cv::Point2f p = plain[0][k];
        if (p.x < 8 + 32 || p.y < 8 + 32 || p.x > 1024 - 24 - 32 || p.y > 768 - 24 - 32) continue;
        ++compared;
        ASSERT_EQ(warps[0][k], p) << "node " << k;
    }
    EXPECT_GT(compared, 2000);
}

TEST(WarpingPipeline, GridPhotoWithABlockRowMissingFailsNamingTheChannel) {
    // Row 5 of the grid photo is dark: the blocks above it cannot be placed.
    const ObliqueCamera camera;
    PhotoSet photos(camera);
    cv::Mat grid = camera.Blocks(0, camera.info.blockColumns, 6, camera.info.blockRows);
    cv::max(grid, camera.Blocks(0, camera.info.blockColumns, 0, 5), grid);
    photos.grid = photos.folder.Write("slipped.bmp", grid);

    std::vector<WarpGrid> warps(1);
    std::vector<ChannelFigures> figures;
    const WarpResult result = RunWarpingEx(photos, kCentresCentroid, camera.Boundary(0.0f), &warps, &figures);
    EXPECT_EQ(result.status, kWarpGridInconsistent);
    EXPECT_EQ(result.channel, 1);
    EXPECT_EQ(result.photo.size(), cv::Size(kWorkWidth, kWorkHeight));
    EXPECT_EQ(warps.size(), 1u) << "no warps appended";
    ASSERT_EQ(figures.size(), 1u);
    EXPECT_LE(figures[0].blocksFound, 32 * 18);

    // The old entry point fails the same way.
    std::int32_t photoSize[2] = {0, 0};
    EXPECT_EQ(RunWarping(photos, 1, kWarpingStacking, 1, camera.Boundary(0.0f), &warps, photoSize).status,
              kWarpGridInconsistent);
}

}  // namespace
}  // namespace vantiscore
