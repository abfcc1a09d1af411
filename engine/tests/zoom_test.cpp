#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include "VantisCore.h"

namespace {

struct Window {
    float x = -1, y = -1, w = -1, h = -1;
};

cv::Point2d Apply(const cv::Mat& m, double x, double y) {
    const double w = m.at<double>(2, 0) * x + m.at<double>(2, 1) * y + m.at<double>(2, 2);
    return {(m.at<double>(0, 0) * x + m.at<double>(0, 1) * y + m.at<double>(0, 2)) / w,
            (m.at<double>(1, 0) * x + m.at<double>(1, 1) * y + m.at<double>(1, 2)) / w};
}

TEST(Zoom, RangeHasFiveSteps) {
    EXPECT_EQ(GetZoomRange(), 5);
}

TEST(Zoom, StepZeroIsWholePictureAndIdentity) {
    for (cv::Point2f centre : {cv::Point2f(0, 0), cv::Point2f(640, 360), cv::Point2f(1200, 700)}) {
        int step = 0;
        cv::Mat transform;
        Window win;
        GetZoomMatrix(1280, 720, &step, centre.x, centre.y, &transform, &win.x, &win.y, &win.w, &win.h);
        EXPECT_EQ(win.x, 0);
        EXPECT_EQ(win.y, 0);
        EXPECT_EQ(win.w, 1280);
        EXPECT_EQ(win.h, 720);
        ASSERT_EQ(transform.type(), CV_64F);
        EXPECT_LT(cv::norm(transform, cv::Mat::eye(3, 3, CV_64F), cv::NORM_INF), 1e-9);
    }
}

TEST(Zoom, StepFourNearCornerIsKeptInsidePicture) {
    int step = 4;
    cv::Mat transform;
    Window win;
    GetZoomMatrix(1280, 720, &step, 10, 10, &transform, &win.x, &win.y, &win.w, &win.h);
    EXPECT_EQ(win.x, 0);
    EXPECT_EQ(win.y, 0);
    EXPECT_EQ(win.w, 256);
    EXPECT_EQ(win.h, 144);
    const cv::Point2d far = Apply(transform, 256, 144);
    EXPECT_NEAR(far.x, 1280, 1e-6);
    EXPECT_NEAR(far.y, 720, 1e-6);
}

TEST(Zoom, WindowCentredAndClampedAtFarEdge) {
    int step = 3;  // 40 %: 512 x 288
    cv::Mat transform;
    Window win;
    GetZoomMatrix(1280, 720, &step, 640, 360, &transform, &win.x, &win.y, &win.w, &win.h);
    EXPECT_EQ(win.x, 640 - 256);
    EXPECT_EQ(win.y, 360 - 144);
    GetZoomMatrix(1280, 720, &step, 1270, 715, &transform, &win.x, &win.y, &win.w, &win.h);
    EXPECT_EQ(win.x, 1280 - 512);
    EXPECT_EQ(win.y, 720 - 288);
    const cv::Point2d origin = Apply(transform, win.x, win.y);
    EXPECT_NEAR(origin.x, 0, 1e-6);
    EXPECT_NEAR(origin.y, 0, 1e-6);
}

TEST(Zoom, StepOutsideTableIsClampedNotRead) {
    cv::Mat transform;
    Window win;
    int step = 9;
    GetZoomMatrix(1280, 720, &step, 640, 360, &transform, &win.x, &win.y, &win.w, &win.h);
    EXPECT_EQ(step, 4);
    EXPECT_EQ(win.w, 256);
    step = -3;
    GetZoomMatrix(1280, 720, &step, 640, 360, &transform, &win.x, &win.y, &win.w, &win.h);
    EXPECT_EQ(step, 0);
    EXPECT_EQ(win.w, 1280);
}

TEST(Shift, MovesWindowOppositeToDragAndKeepsItInside) {
    cv::Mat transform;
    Window win{0, 0, 256, 144};
    GetShiftMatrix(1280, 720, -2000, 0, &transform, &win.x, &win.y, &win.w, &win.h);
    EXPECT_EQ(win.x, 1024);
    EXPECT_EQ(win.y, 0);
    EXPECT_EQ(win.w, 256);
    EXPECT_EQ(win.h, 144);
    GetShiftMatrix(1280, 720, 100, -50, &transform, &win.x, &win.y, &win.w, &win.h);
    EXPECT_EQ(win.x, 924);
    EXPECT_EQ(win.y, 50);
    GetShiftMatrix(1280, 720, 5000, 5000, &transform, &win.x, &win.y, &win.w, &win.h);
    EXPECT_EQ(win.x, 0);
    EXPECT_EQ(win.y, 0);
    const cv::Point2d far = Apply(transform, 256, 144);
    EXPECT_NEAR(far.x, 1280, 1e-6);
    EXPECT_NEAR(far.y, 720, 1e-6);
}

TEST(ZoomPerspective, MagnifiesTheWindow) {
    cv::Mat picture(72, 128, CV_8UC1, cv::Scalar(0));
    picture(cv::Rect(64, 36, 64, 36)).setTo(200);  // bottom-right quarter lit
    int step = 0;
    cv::Mat transform;
    Window win;
    GetZoomMatrix(128, 72, &step, 0, 0, &transform, &win.x, &win.y, &win.w, &win.h);
    cv::Mat same;
    ZoomPerspective(picture, &same, transform);
    EXPECT_EQ(cv::norm(same, picture, cv::NORM_INF), 0);

    // Window (64, 36, 64, 36) is the lit quarter: 2x zoom there fills the picture.
    cv::Mat shift;
    win = {64, 36, 64, 36};
    GetShiftMatrix(128, 72, 0, 0, &shift, &win.x, &win.y, &win.w, &win.h);
    cv::Mat zoomed;
    ZoomPerspective(picture, &zoomed, shift);
    ASSERT_EQ(zoomed.size(), picture.size());
    EXPECT_EQ(zoomed.at<uchar>(10, 10), 200);
    EXPECT_EQ(zoomed.at<uchar>(60, 100), 200);

    cv::Mat untouched(1, 1, CV_8UC1, cv::Scalar(7));
    ZoomPerspective(picture, &untouched, cv::Mat());  // no transform: destination unchanged
    EXPECT_EQ(untouched.at<uchar>(0, 0), 7);
}

TEST(SetRectImage, ClampsZoomAndStops) {
    const cv::Mat picture(60, 80, CV_8UC1, cv::Scalar(9));
    cv::Mat destination;
    cv::Mat transform;
    int zoom = 0;
    SetRectImage(picture, &destination, &zoom, 40, 30, &transform, 1, 4);
    EXPECT_EQ(zoom, 1);
    EXPECT_TRUE(destination.empty());
    EXPECT_TRUE(transform.empty());
    zoom = 6;
    SetRectImage(picture, &destination, &zoom, 40, 30, &transform, 1, 4);
    EXPECT_EQ(zoom, 4);
    EXPECT_TRUE(destination.empty());
}

TEST(SetRectImage, IntegerWindowAroundCentre) {
    cv::Mat picture(60, 80, CV_8UC1, cv::Scalar(0));
    picture(cv::Rect(20, 15, 40, 30)).setTo(255);  // the middle half
    cv::Mat destination;
    cv::Mat transform;
    int zoom = 2;
    SetRectImage(picture, &destination, &zoom, 40, 30, &transform, 1, 4);
    ASSERT_EQ(destination.size(), picture.size());
    const cv::Point2d origin = Apply(transform, 20, 15);
    EXPECT_NEAR(origin.x, 0, 1e-9);
    EXPECT_NEAR(origin.y, 0, 1e-9);
    EXPECT_EQ(destination.at<uchar>(5, 5), 255);
    EXPECT_EQ(destination.at<uchar>(50, 70), 255);

    // No clamping: a window hanging over the edge shows black beyond it.
    SetRectImage(picture, &destination, &zoom, 0, 0, &transform, 1, 4);
    EXPECT_EQ(destination.at<uchar>(5, 5), 0);

    // A zero factor inside the allowed range is ignored rather than divided by.
    zoom = 0;
    cv::Mat kept = destination.clone();
    SetRectImage(picture, &destination, &zoom, 40, 30, &transform, 0, 4);
    EXPECT_EQ(cv::norm(kept, destination, cv::NORM_INF), 0);
}

}  // namespace
