// The simulated wall driven through the projector link, as the programs drive
// it: what a board is told over TCP is what its panel shows and the camera sees.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "../../optics/tests/test_scenes.h"
#include "dvOrvelAuto.h"
#include "wallsim/board_server.h"
#include "wallsim/board_view.h"
#include "wallsim/photo.h"
#include "wallsim/show.h"
#include "wallsim/truth.h"

namespace wallsim {
namespace {

// Caller-owned tables of 140 columns by 81 rows, as the programs allocate them.
struct Tables {
    std::vector<std::vector<float>> xs = std::vector<std::vector<float>>(140, std::vector<float>(81));
    std::vector<std::vector<float>> ys = xs;
    std::vector<float*> xp, yp;
    template <typename F>
    explicit Tables(F f) {
        for (int i = 0; i < 140; ++i)
            for (int j = 0; j < 81; ++j) f(i, j, xs[i][j], ys[i][j]);
        for (int i = 0; i < 140; ++i) {
            xp.push_back(xs[i].data());
            yp.push_back(ys[i].data());
        }
    }
    TablePair Pair() { return {xp.data(), yp.data()}; }
};

class LinkWall : public ::testing::Test {
  protected:
    void SetUp() override {
        BoardConfig cfg;
        cfg.recordFrames = false;
        board = BoardServer::StartInRange(130, 139, cfg);
        ASSERT_TRUE(board);
        handle = dvOrvelAutoOpen(board->address_value());
        ASSERT_NE(handle, 0);
    }
    void TearDown() override {
        if (handle) dvOrvelAutoDisconnect(handle);
    }
    PanelState Panel() {
        PanelState s;
        board->Inspect([&](const BoardState& b) { s = PanelStateFromBoard(b, 1024, 768); });
        return s;
    }
    std::unique_ptr<BoardServer> board;
    LinkHandle handle = 0;
};

TEST_F(LinkWall, DownloadedWarpMovesThePhotographedPicture) {
    cv::Mat picture(768, 1024, CV_8UC3, cv::Scalar::all(0));
    picture.col(500).setTo(cv::Scalar::all(255));
    PanelRenderer panels(picture);
    Scene scene = testing::AlignedPair(128, 130);
    PhotoRenderer photo(scene);
    auto lineInPhoto = [&](const PanelState& s) {
        cv::Mat img = photo.Render({panels.Render(s), cv::Mat()}, {}, 0), grey;
        cv::cvtColor(img, grey, cv::COLOR_BGR2GRAY);
        cv::Point at;
        cv::minMaxLoc(grey.row(620), nullptr, nullptr, nullptr, &at);
        return at.x;
    };
    int before = lineInPhoto(Panel());
    EXPECT_NEAR(before, photo.optics().PanelToPicture(0, {500.5, 400}).x, 1.0);

    // Every output node takes its picture from 40 pixels further right.
    Tables forward([](int i, int j, float& x, float& y) {
        x = 16.0f * i;
        y = 16.0f * j;
    });
    Tables source([](int i, int j, float& x, float& y) {
        x = 16.0f * i + 40;
        y = 16.0f * j;
    });
    TablePair f = forward.Pair(), s = source.Pair();
    ASSERT_EQ(dvOrvelAutoDownloadWarp(handle, &f, &s, 1024, 768), 0);
    PanelState warped = Panel();
    EXPECT_EQ(panels.Render(warped).at<cv::Vec3b>(300, 460)[0], 255);
    int after = lineInPhoto(warped);
    EXPECT_NEAR(after, photo.optics().PanelToPicture(0, {460.5, 400}).x, 1.0);
    EXPECT_LT(after, before - 20);
    // The ground truth sees the same: input point 500 now sits at panel x 460.
    auto truth = TruthFromLattice(warped.lattice, 1024, 768);
    auto u = truth.inputToPanel({500, 300});
    ASSERT_TRUE(u);
    EXPECT_NEAR(u->x, 460, 1e-3);
}

TEST_F(LinkWall, DisplayCommandsAndBlendReachThePanel) {
    PanelRenderer panels;
    ASSERT_EQ(dvOrvelAutoImageBlank(handle), 0);
    EXPECT_TRUE(Panel().blanked);
    ASSERT_EQ(dvOrvelAutoImageUnBlank(handle), 0);
    ASSERT_EQ(dvOrvelAutoDisplaySolidColor(handle, 0xFFFFFF), 0);
    EXPECT_EQ(panels.Render(Panel()).at<cv::Vec3b>(10, 10), cv::Vec3b(255, 255, 255));
    ASSERT_EQ(dvOrvelAutoClearSolidColor(handle), 0);
    // The centre photograph's pattern, as the calibration sends it for 1024 x 768.
    ASSERT_EQ(
        dvOrvelAutoMakeRectanglePattern(handle, 0xFFFFFF, 16, 16, 32, 32, 0, 0, 15, 17, 11, 13, 1, 1, 1), 0);
    cv::Mat grey, labels;
    cv::cvtColor(panels.Render(Panel()), grey, cv::COLOR_BGR2GRAY);
    EXPECT_EQ(cv::connectedComponents(grey > 128, labels) - 1, 4);
    ASSERT_EQ(dvOrvelAutoClearImage(handle), 0);

    // A right blend zone of 128 pixels with gamma 2.2, and the left zone of a
    // neighbour as the same board would get it: the light sums to one within about a
    // ramp step (the board's falling ramp starts one step below full).
    BlendEdges right{{0, 0, 100, 1, 1024 - 128, 128, 0, 0, 100, 0, 768 - 100, 100}};
    ASSERT_EQ(dvOrvelAutoDownloadBlend(handle, 1024, 768, &right, 1, 2.2), 0);
    PanelState a = Panel();
    BlendEdges left{{1, 0, 128, 0, 1024 - 100, 100, 0, 0, 100, 0, 768 - 100, 100}};
    ASSERT_EQ(dvOrvelAutoDownloadBlend(handle, 1024, 768, &left, 1, 2.2), 0);
    PanelState b = Panel();
    EXPECT_TRUE(a.gammaMode);
    EXPECT_DOUBLE_EQ(a.gamma, 2.2);
    ASSERT_TRUE(a.blend[1].enabled);
    ASSERT_TRUE(b.blend[0].enabled);
    for (int t = 0; t < 128; ++t) {
        double sum = BlendLightWeight(a, 2.2, 1024 - 128 + t, 300) + BlendLightWeight(b, 2.2, t, 300);
        EXPECT_NEAR(sum, 1.0, 0.01) << t;
    }
}

}  // namespace
}  // namespace wallsim
