#include <gtest/gtest.h>

#include "oculet/CDShowCameraData.h"

TEST(CameraData, StoredRecordHasNameThenValuesWithFocusBeforeExposure) {
    CDShowCameraData data;
    data.m_name = L"C9";
    for (int p = 0; p < kCameraPropertyCount; ++p) {
        data.m_props[p].value = 100 + p;
        data.m_props[p].maximum = 999;
    }
    auto ar = vantis::Archive::ForStoring();
    data.Serialize(ar);
    const auto& bytes = ar.bytes();
    ASSERT_EQ(bytes.size(), 4u + 2 * 2 + 14 * 4);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    EXPECT_EQ(bytes[2], 0xFF);
    EXPECT_EQ(bytes[3], 2);
    const auto valueAt = [&](int k) { return bytes[8 + 4 * k] | bytes[9 + 4 * k] << 8; };
    EXPECT_EQ(valueAt(3), 100 + static_cast<int>(CameraProperty::Zoom));
    EXPECT_EQ(valueAt(4), 100 + static_cast<int>(CameraProperty::Focus));
    EXPECT_EQ(valueAt(5), 100 + static_cast<int>(CameraProperty::Exposure));
    EXPECT_EQ(valueAt(6), 100 + static_cast<int>(CameraProperty::Iris));
    EXPECT_EQ(valueAt(13), 100 + static_cast<int>(CameraProperty::WhiteBalance));

    CDShowCameraData back;
    auto in = vantis::Archive::ForLoading(bytes);
    back.Serialize(in);
    ASSERT_TRUE(in.ok()) << in.error();
    EXPECT_EQ(back.m_name, L"C9");
    for (int p = 0; p < kCameraPropertyCount; ++p) {
        EXPECT_EQ(back.m_props[p].value, 100 + p);
        EXPECT_EQ(back.m_props[p].maximum, 0);  // ranges are not stored
    }
}

TEST(CameraData, CopyTakesEveryPropertyStateButNotTheName) {
    CDShowCameraData a;
    a.m_name = L"first";
    a.State(CameraProperty::Focus) = {0, 250, 5, 0, 3, 1, 40};
    CDShowCameraData b;
    b.m_name = L"second";
    b = a;
    EXPECT_EQ(b.m_name, L"second");
    EXPECT_EQ(b.State(CameraProperty::Focus), a.State(CameraProperty::Focus));
    EXPECT_EQ(b.IsAutoFocus(), 1);
    CDShowCameraData c(a);
    EXPECT_TRUE(c.m_name.empty());
    EXPECT_EQ(c.State(CameraProperty::Focus).value, 40);
    CDShowCameraData* self = a;
    EXPECT_EQ(self, &a);
}

TEST(CameraData, RecordThatEndsEarlyFails) {
    CDShowCameraData data;
    const std::vector<std::uint8_t> bytes = {0xFF, 0xFE, 0xFF, 0x01, 'x', 0, 1, 0, 0, 0};
    auto in = vantis::Archive::ForLoading(bytes);
    data.Serialize(in);
    EXPECT_FALSE(in.ok());
    EXPECT_NE(in.error().find("camera property value"), std::string::npos) << in.error();
}
