#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include <opencv2/imgcodecs.hpp>

#include "../../optics/tests/test_scenes.h"
#include "wallsim/geometry.h"
#include "wallsim/random_scene.h"
#include "wallsim/truth.h"
#include "wallsim/wall.h"

namespace wallsim {
namespace {

Scene StackedPair() {
    SceneShape shape;  // two 1280 x 800 projectors stacked, a few percent apart
    shape.panelWidth = 1280;
    shape.panelHeight = 800;
    shape.firstAddress = 110;
    return MakeScene(shape, 3);
}

std::vector<TruthProjector> Identity(const Scene& s) {
    std::vector<TruthProjector> v;
    for (size_t i = 0; i < s.projectors.size(); ++i) {
        v.push_back(
            TruthFromLattice(SourceLattice::Identity(), s.projectors[i].width, s.projectors[i].height));
        v.back().blend = LayoutBlendZones(s, static_cast<int>(i));
        v.back().gammaMode = true;
    }
    return v;
}

TEST(GroundTruth, IdentityWarpsGiveTheMisregistrationOfTheGeometry) {
    Scene s = StackedPair();
    TruthOptions opt;
    opt.step = 16;
    TruthReport r = MeasureTruth(s, Identity(s), opt);
    ASSERT_EQ(r.stacks.size(), 1u);
    // The same figure straight from the scene: panel point u of projector 1, seen in projector 0's panel.
    SceneOptics o(s);
    double sum2 = 0, max = 0;
    int n = 0;
    for (double y = 0;; y = std::min(y + 16, 799.0)) {
        for (double x = 0;; x = std::min(x + 16, 1279.0)) {
            cv::Point2d u(x + 0.5, y + 0.5);
            cv::Point2d seen = o.projectors[0].ScreenToPanel(o.projectors[1].PanelToScreen(u));
            double d = cv::norm(seen - u);
            sum2 += d * d;
            max = std::max(max, d);
            ++n;
            if (x == 1279) break;
        }
        if (y == 799) break;
    }
    EXPECT_EQ(r.stacks[0].misregistration.points, n);
    EXPECT_NEAR(r.stacks[0].misregistration.rms, std::sqrt(sum2 / n), 1e-3);
    EXPECT_NEAR(r.stacks[0].misregistration.max, max, 1e-3);
    EXPECT_GT(max, 5.0);  // a realistic scene is visibly off before calibration
    EXPECT_TRUE(r.seams.empty());
}

TEST(GroundTruth, WarpsThatUndoTheGeometryRegisterAndShiftsShow) {
    Scene s = StackedPair();
    SceneOptics o(s);
    // Projector 1 warped so that its input point p lands where projector 0 shows p.
    std::vector<cv::Point2f> grid;
    for (int i = 0; i < 51; ++i)
        for (int j = 0; j < 81; ++j) {
            cv::Point2d p(std::min(16 * j, 1280), std::min(16 * i, 800));
            cv::Point2d u =
                o.projectors[1].ScreenToPanel(o.projectors[0].PanelToScreen(p + cv::Point2d(0.5, 0.5)));
            grid.emplace_back(static_cast<float>(u.x - 0.5), static_cast<float>(u.y - 0.5));
        }
    std::vector<TruthProjector> t = {TruthFromWarpGrid({}, 1280, 800), TruthFromWarpGrid(grid, 1280, 800)};
    // Projector 0 shows its picture unwarped.
    t[0] = TruthFromLattice(SourceLattice::Identity(), 1280, 800);
    TruthReport r = MeasureTruth(s, t);
    ASSERT_EQ(r.stacks.size(), 1u);
    EXPECT_LT(r.stacks[0].misregistration.max, 0.05);  // only the bilinear grid's error remains
    EXPECT_GT(r.stacks[0].misregistration.points, 1000);

    // A lattice that takes every panel position's picture 8 pixels to the right
    // shows each point 8 pixels further left.
    Scene same = s;
    same.projectors[1].corners = same.projectors[0].corners;
    same.projectors[1].distortion = same.projectors[0].distortion;
    SourceLattice shifted = SourceLattice::Identity();
    for (auto& n : shifted.nodes) n.x += 8;
    t = {TruthFromLattice(SourceLattice::Identity(), 1280, 800), TruthFromLattice(shifted, 1280, 800)};
    r = MeasureTruth(same, t);
    EXPECT_NEAR(r.stacks[0].misregistration.rms, 8.0, 1e-3);
    EXPECT_NEAR(r.stacks[0].misregistration.max, 8.0, 1e-3);
}

TEST(GroundTruth, AlignedBlendedPairHasNoSeamAndRampsSumToOne) {
    Scene s = testing::AlignedPair(128, 120);
    TruthReport r = MeasureTruth(s, Identity(s));
    ASSERT_EQ(r.seams.size(), 1u);
    const SeamFigure& seam = r.seams[0];
    EXPECT_LT(seam.mismatch.max, 1e-3);
    EXPECT_GT(seam.mismatch.points, 100);
    EXPECT_GT(seam.blendPoints, 100);
    // The boards' 16-bit ramps (rising step rounded up, falling start rounded
    // down) add up to the falling start value all across the overlap: a little
    // under one, by less than one step of the ramp.
    EXPECT_NEAR(seam.blendMin, 65019.0 / 65536, 1e-9);
    EXPECT_NEAR(seam.blendMax, 65019.0 / 65536, 1e-9);
    // Without gamma correction the overlap is darker than one in its middle.
    auto t = Identity(s);
    t[0].gammaMode = t[1].gammaMode = false;
    EXPECT_LT(MeasureTruth(s, t).seams[0].blendMin, 0.5);
    // A right projector whose picture sits 5 pixels too far left mismatches by 5.
    SourceLattice shifted = SourceLattice::Identity();
    for (auto& n : shifted.nodes) n.x += 5;
    t = Identity(s);
    t[1].inputToPanel = TruthFromLattice(shifted, 1024, 768).inputToPanel;
    EXPECT_NEAR(MeasureTruth(s, t).seams[0].mismatch.rms, 5.0, 1e-3);
}

TEST(GroundTruth, OverlapOnlyOneSideShowsCountsInTheBlendSum) {
    // The left projector cannot show its picture's last 20 columns (its light
    // ends there): that part of the overlap is lit by the right one alone.
    Scene s = testing::AlignedPair(128, 124);
    auto t = Identity(s);
    const auto full = t[0].inputToPanel;
    t[0].inputToPanel = [full](cv::Point2d p) -> std::optional<cv::Point2d> {
        if (p.x > 1003.5) return std::nullopt;
        return full(p);
    };
    const SeamFigure cut = MeasureTruth(s, t).seams[0];
    EXPECT_LT(cut.blendMin, 0.9);  // the right ramp alone, short of its top
    // Zones narrowed to the columns both show: one again.
    t[0].blend[1] = {true, 896, 108, 0};
    t[1].blend[0] = {true, 0, 108, 0};
    const SeamFigure narrowed = MeasureTruth(s, t).seams[0];
    EXPECT_GT(narrowed.blendPoints, cut.mismatch.points);  // the points one side shows count too
    EXPECT_NEAR(narrowed.blendMin, 1.0, 1.0 / 107 + 1e-9);
    EXPECT_NEAR(narrowed.blendMax, 1.0, 1.0 / 107 + 1e-9);
}

TEST(GroundTruth, OutlineDistanceToTheTarget) {
    Scene s = testing::AlignedPair(128, 122);
    // The whole picture covers screen x 100 .. 100 + 1920 * 1.25, y 120 .. 120 + 768 * 1.25.
    const double x1 = 100 + 1920 * 1.25, y1 = 120 + 768 * 1.25;
    TruthOptions opt;
    opt.target = {{100, 120}, {x1, 120}, {x1, y1}, {100, y1}};
    TruthReport r = MeasureTruth(s, Identity(s), opt);
    ASSERT_EQ(r.outlines.size(), 1u);
    EXPECT_LT(r.outlines[0].distance.max, 1e-3);
    // A target 10 screen units (8 panel pixels) inside the picture on every side.
    opt.target = {{110, 130}, {x1 - 10, 130}, {x1 - 10, y1 - 10}, {110, y1 - 10}};
    r = MeasureTruth(s, Identity(s), opt);
    EXPECT_NEAR(r.outlines[0].distance.rms, 8.0, 0.05);
    // Given in camera pixels, the same outline gives the same figure.
    SceneOptics o(s);
    std::vector<cv::Point2d> picture;
    for (const auto& p : opt.target) picture.push_back(o.camera.ScreenToPicture(p));
    opt.target = OutlineOnScreen(s, picture);
    EXPECT_NEAR(MeasureTruth(s, Identity(s), opt).outlines[0].distance.rms, 8.0, 0.05);
    nlohmann::json j = TruthToJson(s, r);
    EXPECT_EQ(j["seams"][0]["projectors"][1], "127.0.0.123");
    EXPECT_EQ(j["units"], "panel pixels");
}

TEST(TestPicture, ForgedSizesAndNonPicturesAreRefusedNotDecoded) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("wallsim-picture-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    auto write = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(folder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return (folder / name).string();
    };
    std::vector<std::uint8_t> png;
    ASSERT_TRUE(cv::imencode(".png", cv::Mat(4, 6, CV_8UC3, cv::Scalar(1, 2, 3)), png));
    std::string error;
    EXPECT_EQ(ReadTestPicture(write("good.png", png), &error).size(), cv::Size(6, 4));

    // A PNG bomb: the header claims 60000 x 60000 pixels.
    png[16] = png[20] = 0x00;
    png[17] = png[21] = 0x00;
    png[18] = png[22] = 0xEA;
    png[19] = png[23] = 0x60;
    EXPECT_TRUE(ReadTestPicture(write("bomb.png", png), &error).empty());
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(ReadTestPicture(write("text.png", {'h', 'e', 'l', 'l', 'o'}), &error).empty());
    EXPECT_TRUE(ReadTestPicture(folder.string(), &error).empty());  // a folder
    EXPECT_TRUE(ReadTestPicture((folder / "missing.png").string(), &error).empty());
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace wallsim
