// The camera interface over the virtual camera: listing, ranges, clamping, automatic modes.
#include <algorithm>

#include "test_support.h"

namespace oculet::testing {
namespace {

using DeviceTest = VirtualCameraTest;

int CountSets(const FakeCameraServer& server, const std::string& name) {
    const auto requests = server.SetRequests();
    return static_cast<int>(std::count_if(requests.begin(), requests.end(), [&](const std::string& r) {
        return r.rfind("SET " + name + " ", 0) == 0;
    }));
}

TEST_F(DeviceTest, VirtualCameraIsListedWithItsNameOnlyWhileItsSocketAnswers) {
    const int withoutServer = CDShowCamera::GetCount();
    StartServer();
    ASSERT_EQ(CDShowCamera::GetCount(), withoutServer + 1);
    const int index = VirtualCameraIndex();
    std::wstring name = L"unchanged";
    EXPECT_EQ(CDShowCamera::GetName(index, &name), 1);
    EXPECT_EQ(name, L"HD Pro Webcam C920");

    // Past the last device: still 1, the name is left alone; binding it fails.
    name = L"unchanged";
    EXPECT_EQ(CDShowCamera::GetName(index + 1, &name), 1);
    EXPECT_EQ(name, L"unchanged");
    CDShowCamera camera;
    EXPECT_FALSE(camera.OpenCamera(index + 1));
    EXPECT_FALSE(camera.OpenCamera(-1));
    EXPECT_TRUE(camera.OpenCamera(index));

    server_->Stop();
    EXPECT_EQ(CDShowCamera::GetCount(), withoutServer);
    if (withoutServer == 0) {
        EXPECT_EQ(CDShowCamera::GetName(0, &name), 0);
    }
}

TEST_F(DeviceTest, SetClampsIntoTheRangeAndSwitchesToManual) {
    StartServer();
    CDShowCamera camera;
    ASSERT_TRUE(camera.OpenCamera(VirtualCameraIndex()));

    camera.EnableAutoExposure(1);
    ASSERT_EQ(camera.GetExposure(), 1);
    const auto& exposure = camera.State(CameraProperty::Exposure);
    EXPECT_EQ(exposure.minimum, -11);
    EXPECT_EQ(exposure.maximum, -2);
    EXPECT_EQ(exposure.defaultValue, -5);
    EXPECT_EQ(exposure.supported, 1);
    EXPECT_EQ(exposure.flags, 1) << "a read of exposure stores its current mode: automatic";
    EXPECT_TRUE(server_->Property("Exposure").automatic);

    camera.SetExposure(3);
    EXPECT_EQ(exposure.value, -2);
    EXPECT_EQ(server_->Property("Exposure").value, -2);
    EXPECT_FALSE(server_->Property("Exposure").automatic);
    camera.SetExposure(-40);
    EXPECT_EQ(server_->Property("Exposure").value, -11);
    EXPECT_EQ(exposure.value, -11);
    EXPECT_EQ(camera.GetExposure(), 1);
    EXPECT_EQ(exposure.flags, 2);

    camera.SetBrightness(1000);
    EXPECT_EQ(camera.State(CameraProperty::Brightness).value, 255);
    EXPECT_EQ(server_->Property("Brightness").value, 255);
    camera.SetWhitebalance(100);
    EXPECT_EQ(server_->Property("WhiteBalance").value, 2000);
    EXPECT_FALSE(server_->Property("WhiteBalance").automatic);
}

TEST_F(DeviceTest, GetCameraConfigCopiesEveryValueButIrisAndWritesNothing) {
    StartServer();
    CDShowCameraData stored;
    for (const auto property : kAllCameraProperties)
        stored.State(property).value = 40 + static_cast<int>(property);
    stored.State(CameraProperty::Zoom).supported = 1;

    CDShowCamera camera;
    ASSERT_TRUE(camera.OpenCamera(VirtualCameraIndex()));
    camera.State(CameraProperty::Iris).value = 7;
    camera.GetCameraConfig(stored);
    for (const auto property : kAllCameraProperties) {
        const int expected = property == CameraProperty::Iris ? 7 : 40 + static_cast<int>(property);
        EXPECT_EQ(camera.State(property).value, expected) << PropertyName(property);
    }
    EXPECT_EQ(camera.State(CameraProperty::Zoom).supported, 0) << "only values are taken";
    EXPECT_EQ(server_->Property("Brightness").value, 128) << "nothing reaches the camera";

    // SetAll then applies them to what the camera supports, clamped.
    camera.GetAll();
    camera.GetCameraConfig(stored);
    camera.SetAll();
    EXPECT_EQ(server_->Property("Zoom").value, 100) << "43 is below the zoom range";
    EXPECT_EQ(server_->Property("Brightness").value, 47);
    EXPECT_EQ(server_->Property("Pan").value, 10) << "40 is above the pan range";
}

TEST_F(DeviceTest, ResetWritesTheDefaultsOfWhatTheLastReadFoundSupported) {
    StartServer();
    CDShowCamera camera;
    ASSERT_TRUE(camera.OpenCamera(VirtualCameraIndex()));
    camera.SetBrightness(3);
    camera.SetZoom(300);
    camera.ResetAll();
    EXPECT_EQ(server_->Property("Brightness").value, 3) << "nothing read yet, nothing reset";
    camera.GetAll();
    camera.ResetAll();
    EXPECT_EQ(server_->Property("Brightness").value, 128);
    EXPECT_EQ(server_->Property("Zoom").value, 100);
}

TEST_F(DeviceTest, UnboundOrLostCameraReadsNothing) {
    CDShowCamera camera;
    camera.State(CameraProperty::Gain).supported = 1;
    EXPECT_EQ(camera.GetGain(), 0);
    EXPECT_EQ(camera.State(CameraProperty::Gain).supported, 0);
    camera.SetGain(5);
    EXPECT_EQ(camera.State(CameraProperty::Gain).value, 0);

    StartServer();
    ASSERT_TRUE(camera.OpenCamera(VirtualCameraIndex()));
    ASSERT_EQ(camera.GetGain(), 1);
    server_->Stop();
    EXPECT_EQ(camera.GetGain(), 0);
    EXPECT_EQ(camera.State(CameraProperty::Gain).supported, 0);
}

TEST_F(DeviceTest, CopyingSharesTheDeviceAndCopiesStatesNotTheName) {
    StartServer();
    CDShowCamera camera;
    ASSERT_TRUE(camera.OpenCamera(VirtualCameraIndex()));
    camera.m_name = L"kept";
    camera.GetAll();
    CDShowCamera copy(camera);
    EXPECT_TRUE(copy.IsBound());
    EXPECT_TRUE(copy.m_name.empty());
    EXPECT_EQ(copy.State(CameraProperty::WhiteBalance), camera.State(CameraProperty::WhiteBalance));
    camera.CloseCamera();
    copy.SetContrast(9);
    EXPECT_EQ(server_->Property("Contrast").value, 9);
}

// The simulator's camera has all picture controls and automatic focus; these two cases need a
// camera configured otherwise, and a record of the requests it received.
TEST_F(FakeCameraTest, CameraWithoutPictureControlsOpensWithThoseSevenUnsupported) {
    const std::vector<std::string> picture = {"Brightness", "Contrast",  "Saturation",  "Hue",
                                              "Gain",       "Sharpness", "WhiteBalance"};
    for (const auto& name : picture) server_->SetSupported(name, false);
    StartServer();
    CDShowCamera camera;
    ASSERT_TRUE(camera.OpenCamera(VirtualCameraIndex()));
    camera.GetAll();
    for (const auto property : kAllCameraProperties) {
        const bool expected =
            IsLensProperty(property) && property != CameraProperty::Roll && property != CameraProperty::Iris;
        EXPECT_EQ(camera.State(property).supported, expected ? 1 : 0) << PropertyName(property);
    }
    camera.State(CameraProperty::Brightness).value = 10;
    camera.SetAll();
    for (const auto& name : picture) EXPECT_EQ(CountSets(*server_, name), 0) << name;
    EXPECT_EQ(CountSets(*server_, "Zoom"), 1);
    EXPECT_EQ(CountSets(*server_, "Roll"), 0);
}

TEST_F(FakeCameraTest, AutomaticFocusIsWrittenOnlyWhereTheCameraOffersIt) {
    server_->SetFlags("Focus", 2);
    StartServer();
    CDShowCamera camera;
    ASSERT_TRUE(camera.OpenCamera(VirtualCameraIndex()));
    camera.EnableAutoFocus(1);
    EXPECT_EQ(CountSets(*server_, "Focus"), 0);
    EXPECT_EQ(camera.IsAutoFocus(), 0);

    camera.State(CameraProperty::Focus).value = 30;
    camera.EnableAutoFocus(0);
    ASSERT_EQ(CountSets(*server_, "Focus"), 1);
    EXPECT_EQ(server_->SetRequests().back(), "SET Focus 30 manual");

    camera.State(CameraProperty::WhiteBalance).value = 5000;
    camera.EnableAutoWhitebalance(1);
    EXPECT_EQ(server_->SetRequests().back(), "SET WhiteBalance 5000 auto");
    EXPECT_TRUE(server_->Property("WhiteBalance").automatic);
}

}  // namespace
}  // namespace oculet::testing
