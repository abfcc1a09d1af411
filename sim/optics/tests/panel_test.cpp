#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "test_scenes.h"
#include "wallsim/panel.h"
#include "wallsim/photo.h"
#include "wallsim/show.h"

namespace wallsim {
namespace {

int Blobs(const cv::Mat& bgr) {
    cv::Mat g, labels;
    cv::cvtColor(bgr, g, cv::COLOR_BGR2GRAY);
    return cv::connectedComponents(g > 128, labels, 8) - 1;
}

TEST(PanelImage, PatternsFollowTheCalibrationsGeometry) {
    PanelRenderer r;
    ProjectorSpec p;
    p.width = 1024;
    p.height = 768;
    cv::Mat centre = r.Render(ShowState(p, Show::Centre));
    EXPECT_EQ(Blobs(centre), 4);  // the 2 x 2 centre group
    // Block (15, 11) of the 1024 x 768 pattern covers 480..495 x 352..367.
    EXPECT_EQ(centre.at<cv::Vec3b>(352, 480), cv::Vec3b(255, 255, 255));
    EXPECT_EQ(centre.at<cv::Vec3b>(367, 495), cv::Vec3b(255, 255, 255));
    EXPECT_EQ(centre.at<cv::Vec3b>(368, 495), cv::Vec3b(0, 0, 0));
    EXPECT_EQ(Blobs(r.Render(ShowState(p, Show::Grid))), 32 * 24);
    p.width = 1920;
    p.height = 1080;
    EXPECT_EQ(Blobs(r.Render(ShowState(p, Show::Grid))), 30 * 17);
    PanelState circles = ShowState(p, Show::Grid);
    circles.pattern = PanelPattern::Circle;
    cv::Mat c = r.Render(circles);
    EXPECT_EQ(Blobs(c), 30 * 17);
    EXPECT_EQ(c.at<cv::Vec3b>(0, 0), cv::Vec3b(0, 0, 0));  // block corner outside the circle
    // Blanking wins over everything; lines draw over the picture.
    PanelState s = ShowState(p, Show::White);
    s.blanked = true;
    EXPECT_EQ(cv::countNonZero(r.Render(s).reshape(1)), 0);
    s = ShowState(p, Show::Black);
    s.blanked = false;
    s.solidOn = true;
    s.solidColour = 0x000000;
    s.lines.push_back({false, 0, 1079, 1920, 0xFF0000});
    s.lines.push_back({true, 1919, 0, 5000, 0x00FF00});  // runs off the panel: clipped
    cv::Mat lines = r.Render(s);
    EXPECT_EQ(lines.at<cv::Vec3b>(1079, 10), cv::Vec3b(0, 0, 255));
    EXPECT_EQ(lines.at<cv::Vec3b>(500, 1919), cv::Vec3b(0, 255, 0));
    EXPECT_EQ(cv::countNonZero(lines.reshape(1)), 1920 + 1080 - 1);
}

TEST(PanelImage, LatticeMovesThePicture) {
    cv::Mat picture(768, 1024, CV_8UC3, cv::Scalar::all(0));
    picture.col(500).setTo(cv::Scalar::all(255));
    PanelRenderer r(picture);
    PanelState s;
    s.width = 1024;
    s.height = 768;
    cv::Mat identity = r.Render(s);
    EXPECT_EQ(identity.at<cv::Vec3b>(300, 500)[0], 255);
    // Every node takes its picture from 32 pixels further right: the line moves 32 pixels left.
    for (auto& n : s.lattice.nodes) n.x += 32;
    cv::Mat shifted = r.Render(s);
    EXPECT_EQ(shifted.at<cv::Vec3b>(300, 468)[0], 255);
    EXPECT_EQ(shifted.at<cv::Vec3b>(300, 500)[0], 0);
    // Decoding the board's codes: 1600 is 100 px, 0xFFF1 is -15/16 px, 0xC000 the most negative.
    EXPECT_DOUBLE_EQ(DecodeLatticeCode(1600), 100.0);
    EXPECT_DOUBLE_EQ(DecodeLatticeCode(0xFFF1), -15.0 / 16);
    EXPECT_DOUBLE_EQ(DecodeLatticeCode(0xC000), -1024.0);
}

TEST(Blend, RampsOfABlendedPairSumToOneAcrossTheOverlap) {
    const int overlap = 128;
    Scene s = testing::AlignedPair(overlap);
    // Zones as the calibration fills them for a 2 x 1 layout.
    PanelState left, right;
    left.width = right.width = 1024;
    left.height = right.height = 768;
    left.blend[1] = {true, 1024 - overlap, overlap};
    right.blend[0] = {true, 0, overlap};
    left.gammaMode = right.gammaMode = true;
    left.gamma = right.gamma = 2.2;
    for (int x = 0; x < overlap; ++x) {
        double sum =
            BlendLightWeight(left, 2.2, 1024 - overlap + x, 300) + BlendLightWeight(right, 2.2, x, 300);
        EXPECT_NEAR(sum, 1.0, 1e-9) << x;
    }
    // The same seen by the camera: an even white across the seam.
    cv::Mat white(768, 1024, CV_8UC3, cv::Scalar::all(255));
    PanelRenderer r(white);
    PhotoRenderer photo(s);
    cv::Mat light = photo.Light({r.Render(left), r.Render(right)});
    // Screen x of the overlap: 100 + 896 * 1.25 .. + 128 * 1.25; camera at 1600 / 3000 px per unit.
    const double k = 1600.0 / 3000.0;
    int y = static_cast<int>(300 + 600 * k);
    for (double sx = 100 + 896 * 1.25 - 40; sx < 100 + 1024 * 1.25 + 40; sx += 4) {
        int x = static_cast<int>(160 + sx * k);
        EXPECT_NEAR(light.at<cv::Vec3f>(y, x)[1], 1.0, 0.03) << "screen x " << sx;
    }
    // Without gamma correction the seam is dark.
    left.gammaMode = right.gammaMode = false;
    cv::Mat dark = photo.Light({r.Render(left), r.Render(right)});
    int mid = static_cast<int>(160 + (100 + 960 * 1.25) * k);
    EXPECT_LT(dark.at<cv::Vec3f>(y, mid)[1], 0.6);
}

TEST(Blend, RampsApplyToTheInputPictureUnlessSetToApplyAfterTheWarp) {
    // A white picture, a right-hand zone over input columns 896..1023 and a
    // warp that takes every panel pixel's picture from 32 pixels further right.
    cv::Mat white(768, 1024, CV_8UC3, cv::Scalar::all(255));
    PanelRenderer r(white);
    PanelState s;
    s.width = 1024;
    s.height = 768;
    s.blend[1] = {true, 896, 128};
    for (auto& n : s.lattice.nodes) n.x += 32;
    const cv::Mat before = r.Render(s);
    // Before the warp the ramp moves with the picture: panel column 864 shows input 896, the ramp's start.
    EXPECT_EQ(before.at<cv::Vec3b>(300, 860)[1], 255);
    EXPECT_NEAR(before.at<cv::Vec3b>(300, 864 + 64)[1], 255 * (1.0 - 64.0 / 127), 2.0);
    s.blendAfterWarp = true;
    const cv::Mat after = r.Render(s);
    // After the warp the ramp stays on panel columns 896..1023.
    EXPECT_EQ(after.at<cv::Vec3b>(300, 890)[1], 255);
    EXPECT_NEAR(after.at<cv::Vec3b>(300, 896 + 64)[1], 255 * (1.0 - 64.0 / 127), 2.0);
}

}  // namespace
}  // namespace wallsim
