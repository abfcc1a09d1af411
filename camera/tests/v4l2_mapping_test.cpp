// The V4L2 side: which control each property uses, exposure units, automatic modes; and the
// devices of this machine, when it has any.
#include <linux/videodev2.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "camera_device.h"
#include "oculet/CDShowCamera.h"
#include "v4l2_mapping.h"

namespace oculet {
namespace {

TEST(V4l2Mapping, EveryPropertyButRollHasAControlAndFourHaveAnAutomaticSwitch) {
    EXPECT_FALSE(v4l2::ControlsFor(CameraProperty::Roll).has_value());
    const std::pair<CameraProperty, v4l2::ControlIds> expected[] = {
        {CameraProperty::Pan, {V4L2_CID_PAN_ABSOLUTE, 0}},
        {CameraProperty::Tilt, {V4L2_CID_TILT_ABSOLUTE, 0}},
        {CameraProperty::Zoom, {V4L2_CID_ZOOM_ABSOLUTE, 0}},
        {CameraProperty::Exposure, {V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CID_EXPOSURE_AUTO}},
        {CameraProperty::Iris, {V4L2_CID_IRIS_ABSOLUTE, 0}},
        {CameraProperty::Focus, {V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO}},
        {CameraProperty::Brightness, {V4L2_CID_BRIGHTNESS, 0}},
        {CameraProperty::Contrast, {V4L2_CID_CONTRAST, 0}},
        {CameraProperty::Saturation, {V4L2_CID_SATURATION, 0}},
        {CameraProperty::Hue, {V4L2_CID_HUE, 0}},
        {CameraProperty::Gain, {V4L2_CID_GAIN, V4L2_CID_AUTOGAIN}},
        {CameraProperty::Sharpness, {V4L2_CID_SHARPNESS, 0}},
        {CameraProperty::WhiteBalance, {V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE}},
    };
    for (const auto& [property, ids] : expected) {
        const auto found = v4l2::ControlsFor(property);
        ASSERT_TRUE(found.has_value()) << PropertyName(property);
        EXPECT_EQ(found->value, ids.value) << PropertyName(property);
        EXPECT_EQ(found->automatic, ids.automatic) << PropertyName(property);
    }
}

TEST(V4l2Mapping, ExposureIsLog2SecondsOnOneSideAndHundredMicrosecondsOnTheOther) {
    EXPECT_EQ(v4l2::ExposureToDriver(0), 10000);  // 1 s
    EXPECT_EQ(v4l2::ExposureToDriver(-5), 313);   // 1/32 s = 312.5 units
    EXPECT_EQ(v4l2::ExposureToDriver(-11), 5);    // 1/2048 s
    EXPECT_EQ(v4l2::ExposureToDriver(4), 10000) << "never longer than a second";
    for (int value = -13; value <= 0; ++value) {
        EXPECT_EQ(v4l2::ExposureFromDriver(v4l2::ExposureToDriver(value)), value);
    }
    EXPECT_EQ(v4l2::ExposureFromDriver(156), -6);  // 15.6 ms is nearer 1/64 s than 1/32 s
    EXPECT_EQ(v4l2::ExposureFromDriver(0), -30);
    EXPECT_EQ(v4l2::ExposureFromDriver(50000), 0);

    // A typical webcam range of 3..2047 units with default 250.
    const auto range = v4l2::RangeFromDriver(CameraProperty::Exposure, {3, 2047, 1, 250}, true);
    EXPECT_EQ(range.minimum, -12);
    EXPECT_EQ(range.maximum, -2);
    EXPECT_EQ(range.defaultValue, -5);
    EXPECT_EQ(range.step, 1);
    EXPECT_EQ(range.flags, 3);
    EXPECT_EQ(v4l2::ValueToDriver(CameraProperty::Exposure, -2), 2500);
    EXPECT_EQ(v4l2::ValueFromDriver(CameraProperty::Exposure, 2500), -2);
}

TEST(V4l2Mapping, OtherRangesPassAsTheDriverGivesThemAndManualIsAlwaysPossible) {
    const auto range = v4l2::RangeFromDriver(CameraProperty::WhiteBalance, {2000, 6500, 10, 4000}, false);
    EXPECT_EQ(range.minimum, 2000);
    EXPECT_EQ(range.maximum, 6500);
    EXPECT_EQ(range.step, 10);
    EXPECT_EQ(range.defaultValue, 4000);
    EXPECT_EQ(range.flags, kPropertyFlagManual);
    const auto huge = v4l2::RangeFromDriver(CameraProperty::Pan, {-(1LL << 40), 1LL << 40, 1, 0}, false);
    EXPECT_EQ(huge.minimum, INT32_MIN);
    EXPECT_EQ(huge.maximum, INT32_MAX);
    EXPECT_EQ(v4l2::ValueToDriver(CameraProperty::Zoom, 150), 150);
}

TEST(V4l2Mapping, AutomaticSwitchValues) {
    EXPECT_EQ(v4l2::AutoControlValue(CameraProperty::Exposure, true, true), V4L2_EXPOSURE_APERTURE_PRIORITY);
    EXPECT_EQ(v4l2::AutoControlValue(CameraProperty::Exposure, true, false), V4L2_EXPOSURE_AUTO);
    EXPECT_EQ(v4l2::AutoControlValue(CameraProperty::Exposure, false, true), V4L2_EXPOSURE_MANUAL);
    EXPECT_EQ(v4l2::AutoControlValue(CameraProperty::Focus, true, false), 1);
    EXPECT_EQ(v4l2::AutoControlValue(CameraProperty::Gain, false, false), 0);
    EXPECT_TRUE(v4l2::AutoControlIsOn(CameraProperty::Exposure, V4L2_EXPOSURE_APERTURE_PRIORITY));
    EXPECT_TRUE(v4l2::AutoControlIsOn(CameraProperty::Exposure, V4L2_EXPOSURE_AUTO));
    EXPECT_FALSE(v4l2::AutoControlIsOn(CameraProperty::Exposure, V4L2_EXPOSURE_MANUAL));
    EXPECT_TRUE(v4l2::AutoControlIsOn(CameraProperty::WhiteBalance, 1));
    EXPECT_FALSE(v4l2::AutoControlIsOn(CameraProperty::WhiteBalance, 0));
}

TEST(V4l2Device, RealCameraReadsItsPropertiesAndListsSizes) {
    const auto devices = ListV4l2Devices();
    if (devices.empty()) GTEST_SKIP() << "no V4L2 capture device on this machine";
    auto device = OpenV4l2Device(devices.front().path);
    ASSERT_NE(device, nullptr);
    EXPECT_FALSE(devices.front().name.empty());
    CDShowCamera camera;
    ASSERT_TRUE(camera.OpenCamera(0));
    camera.GetAll();
    EXPECT_EQ(camera.State(CameraProperty::Roll).supported, 0);
    for (const auto property : kAllCameraProperties) {
        const auto& state = camera.State(property);
        if (state.supported) {
            EXPECT_LE(state.minimum, state.maximum) << PropertyName(property);
        }
    }
    const auto sizes = device->Resolutions(false);
    for (const auto& size : sizes) EXPECT_GT(size.area(), 0);
}

}  // namespace
}  // namespace oculet
