// The MPCDI export of a calibrated simulated wall, read back without the
// exporter's code (mpcdi_reader.h): the unattended pass keeps its warps beside
// the configuration, cfatool exports that configuration, and for every
// projector the container's geometry warp, sampled at the pattern's block
// centres, gives the picture position the engine's warp puts there; across
// the seam the two alpha maps add up to one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "VantisCore.h"
#include "calibration/maintenance_run.h"
#include "mpcdi_reader.h"
#include "test_support.h"
#include "test_wall.h"
#include "vantis/model/config.h"
#include "vantis/model/document.h"
#include "vantis/model/timing.h"
#include "vantis/model/warps_file.h"
#include "wall_pass.h"

namespace vantis::calibration {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::TestWall;

// Boards of this test: 127.0.12.1-2.
constexpr const char* kNetwork = "127.0.12.";

// The engine's forward warp of one projector: picture position -> panel
// pixel, bilinear between nodes every 16 picture pixels (the last on the far
// edge), and its inverse by Newton's method.
class ForwardWarp {
  public:
    ForwardWarp(const WarpGrid& nodes, int columns, int rows, int width, int height)
        : nodes_(nodes), columns_(columns), rows_(rows), width_(width), height_(height) {}

    cv::Point2d At(double x, double y) const {
        const int j = std::clamp(static_cast<int>(x / 16), 0, columns_ - 2);
        const int i = std::clamp(static_cast<int>(y / 16), 0, rows_ - 2);
        const double x0 = 16.0 * j, x1 = j + 1 == columns_ - 1 ? width_ : 16.0 * (j + 1);
        const double y0 = 16.0 * i, y1 = i + 1 == rows_ - 1 ? height_ : 16.0 * (i + 1);
        const double s = (x - x0) / (x1 - x0), t = (y - y0) / (y1 - y0);
        auto node = [&](int jj, int ii) {
            const cv::Point2f& p = nodes_[static_cast<std::size_t>(ii * columns_ + jj)];
            return cv::Point2d(p.x, p.y);
        };
        return (1 - s) * (1 - t) * node(j, i) + s * (1 - t) * node(j + 1, i) + (1 - s) * t * node(j, i + 1) +
               s * t * node(j + 1, i + 1);
    }

    // The picture position the panel pixel p shows; false where it shows none.
    bool Invert(cv::Point2d p, cv::Point2d* q) const {
        cv::Point2d x(width_ / 2.0, height_ / 2.0);
        for (int step = 0; step < 60; ++step) {
            const cv::Point2d f = At(x.x, x.y) - p;
            if (std::hypot(f.x, f.y) < 1e-6) break;
            const double h = 0.25;
            const cv::Point2d dx = (At(x.x + h, x.y) - At(x.x - h, x.y)) / (2 * h);
            const cv::Point2d dy = (At(x.x, x.y + h) - At(x.x, x.y - h)) / (2 * h);
            const double det = dx.x * dy.y - dy.x * dx.y;
            if (std::fabs(det) < 1e-12) return false;
            x -= cv::Point2d((dy.y * f.x - dy.x * f.y) / det, (-dx.y * f.x + dx.x * f.y) / det);
            x.x = std::clamp(x.x, 0.0, double(width_));
            x.y = std::clamp(x.y, 0.0, double(height_));
        }
        const cv::Point2d f = At(x.x, x.y) - p;
        *q = x;
        return std::hypot(f.x, f.y) < 1e-4;
    }

  private:
    const WarpGrid& nodes_;
    int columns_, rows_, width_, height_;
};

TEST(MpcdiWall, ExportOfTheCalibrationMatchesTheEnginesWarpAndBlendsToOne) {
    TempFolder home("mpcdi-wall");
    TestWall wall("blend-2x1080.json", 1, home.path().string(), {}, kNetwork);
    ASSERT_TRUE(wall.ok()) << wall.error();
    std::string error;
    ASSERT_TRUE(testing::WriteWallConfig(wall, home.path(), &error)) << error;

    // The warps exactly as the engine answered, watched on their way to the boards.
    std::vector<WarpGrid> engineWarps;
    EngineCalls engine;
    engine.doImageWarpingWithFigures =
        [&engineWarps](const std::string& black, const std::vector<std::string>& whites,
                       const std::vector<std::string>& centres, const std::vector<std::string>& grids,
                       const std::vector<double>& thresholds, PatternType type, std::int32_t channels,
                       WarpingMode mode, std::int32_t columns, std::int32_t rows, std::int32_t overlapX,
                       std::int32_t overlapY, std::int32_t stack, const BoundaryGrid& boundary,
                       const WarpOptions& options, std::int32_t* photoSize, std::vector<WarpGrid>* warps,
                       std::vector<ChannelFigures>* figures) {
            const WarpResult result = AutoDoImageWarpingEx(
                black, whites, centres, grids, thresholds, type, channels, mode, columns, rows, overlapX,
                overlapY, stack, boundary, options, photoSize, warps, figures);
            if (result.status == kWarpOk) engineWarps = *warps;
            return result;
        };
    std::string log;
    const MaintenanceResult pass = testing::WallPass(home.path(), false, &log, engine);
    ASSERT_EQ(pass.outcome, Outcome::Done) << log;
    ASSERT_EQ(engineWarps.size(), 2u);

    const fs::path config = vantis::model::SystemConfigPath("Vendor");
    ASSERT_TRUE(fs::is_regular_file(config.parent_path() / vantis::model::kWarpsFileName));
    const fs::path out = home.path() / "wall.mpcdi";
    ASSERT_EQ(vantis::mpcdi::testing::RunProgram(
                  CFATOOL, "export-mpcdi " + config.string() + " " + out.string(), &error),
              0)
        << error;
    EXPECT_EQ(error.find("identity"), std::string::npos) << error;

    vantis::mpcdi::testing::ReadContainer container;
    ASSERT_TRUE(vantis::mpcdi::testing::ReadMpcdi(out, &container, &error)) << error;
    ASSERT_EQ(container.regions.size(), 2u);

    VantisAuto::CDoc doc;
    ASSERT_EQ(vantis::model::LoadSystemConfig(doc, "Vendor", "Config", &error), 1) << error;
    const PatternInfo info = AutoWarpGetPatternInfo(false, doc.PatternType());
    const int width = info.width, height = info.height;
    const double bufferW = container.bufferWidth, bufferH = container.bufferHeight;
    std::vector<ForwardWarp> forward;
    for (const WarpGrid& grid : engineWarps) {
        ASSERT_EQ(grid.size(), static_cast<std::size_t>(info.gridColumns * info.gridRows));
        forward.emplace_back(grid, info.gridColumns, info.gridRows, width, height);
    }

    // Geometry: at each block centre of the pattern the panel showed, the
    // container's coordinate is the picture position the engine's warp puts there.
    for (std::size_t c = 0; c < 2; ++c) {
        const auto& region = container.regions[c];
        EXPECT_EQ(region.gamma, "1");
        ASSERT_EQ(region.panelWidth, width);
        ASSERT_EQ(region.alpha.width, width);
        double worst = 0;
        int checked = 0, shown = 0;
        for (int r = 0; r < info.blockRows; ++r)
            for (int k = 0; k < info.blockColumns; ++k) {
                const cv::Point2d block(info.blockWidth / 2.0 + k * info.pitchX,
                                        info.blockHeight / 2.0 + r * info.pitchY);
                cv::Point2d picture;
                if (!forward[c].Invert(block, &picture)) continue;  // the panel shows no picture here
                ++shown;
                std::array<double, 2> b{};
                if (!region.geometry.Sample(block.x, block.y, width, height, &b)) continue;
                const double x = (b[0] - region.x) * bufferW, y = (b[1] - region.y) * bufferH;
                worst = std::max(worst, std::hypot(x - picture.x, y - picture.y));
                ++checked;
            }
        std::printf("projector %zu: %d of %d block centres show the picture; worst %.4f px\n", c + 1, checked,
                    info.blockColumns * info.blockRows, worst);
        EXPECT_GT(checked, info.blockColumns * info.blockRows / 2) << c;
        EXPECT_GE(checked, shown - 2 * (info.blockColumns + info.blockRows))
            << c;  // only at the picture's edge
        EXPECT_LT(worst, 0.01) << "projector " << c + 1;
    }

    // Blend: across the overlap, the alpha maps of the projectors that show a
    // picture point, each sampled where its panel shows it, add up to one.
    const double overlapStart = container.regions[1].x * bufferW,
                 overlapEnd = container.regions[0].xsize * bufferW;
    ASSERT_GT(overlapEnd, overlapStart);
    double worstSum = 0;
    int points = 0;
    for (double by = 20.5; by < bufferH - 20; by += 53)
        for (double bx = overlapStart + 0.5; bx < overlapEnd; bx += 5) {
            double sum = 0;
            int showing = 0;
            for (std::size_t c = 0; c < 2; ++c) {
                const auto& region = container.regions[c];
                const cv::Point2d p = forward[c].At(bx - region.x * bufferW, by - region.y * bufferH);
                if (p.x < 0 || p.y < 0 || p.x > width - 1 || p.y > height - 1) continue;
                sum += region.alpha.At(p.x, p.y);
                ++showing;
            }
            if (showing == 0) continue;
            worstSum = std::max(worstSum, std::fabs(sum - 1.0));
            ++points;
        }
    std::printf("overlap: %d points, worst blend sum error %.4f\n", points, worstSum);
    EXPECT_GT(points, 100);
    EXPECT_LT(worstSum, 0.02);
}

}  // namespace
}  // namespace vantis::calibration
