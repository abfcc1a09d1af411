#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "test_bytes.h"
#include "vantis/model/project_file.h"

using testbytes::Bytes;
using VantisAuto::CDoc;
namespace fs = std::filesystem;
namespace vm = vantis::model;

namespace {

constexpr std::size_t kHeaderBytes = 7 + 4 * 7 + 8 + 8;  // flags, seven ints, two pairs
constexpr std::size_t kEmptyCameraBytes = 4 + 14 * 4;
constexpr std::size_t kEmptyDocBytes = kHeaderBytes + kEmptyCameraBytes + 276792 + 8;

// Fills a document with distinct values everywhere a file stores something.
void FillProject(CDoc& doc) {
    doc.m_bAutoExecution = true;
    doc.m_bConnected = false;
    doc.m_bCameraConfigured = true;
    doc.m_bBoundaryDone = true;
    doc.m_bWarped = false;
    doc.m_bBlended = true;
    doc.m_bCalibrated = true;
    doc.m_nSolution = 2;
    doc.m_nTiming = 4;
    doc.m_bBlendSolution = 1;
    doc.m_nLayout = 12;
    doc.m_nStackCount = 3;
    doc.m_nInputPort = 1;
    doc.m_overlapPixels[0] = 240;
    doc.m_overlapPixels[1] = 96;
    doc.m_overlapPercent[0] = 12;
    doc.m_overlapPercent[1] = 8;
    doc.m_camera.m_name = L"HD Pro Webcam C920";
    for (int p = 0; p < kCameraPropertyCount; ++p) doc.m_camera.m_props[p].value = -p * 3 - 1;
    doc.m_boundary.m_nValueA = 7;
    doc.m_boundary.m_nValueB = -9;
    for (int k = 0; k < 140; ++k) {
        for (int r = 0; r < 81; ++r) {
            doc.m_boundary.m_tableA.x[k][r] = k + r * 0.5f;
            doc.m_boundary.m_tableA.y[k][r] = -k * 0.25f;
            doc.m_boundary.m_tableB.x[k][r] = 1000.0f + r;
            doc.m_boundary.m_tableB.y[k][r] = k * 1.125f;
            doc.m_boundary.m_tableC.x[k][r] = r - k;
            doc.m_boundary.m_tableC.y[k][r] = 3.0f;
        }
    }
    for (int t = 0; t < 4; ++t)
        for (int j = 0; j < 17; ++j)
            for (int i = 0; i < 17; ++i) doc.m_boundary.m_rects[t][j][i] = t * 1000.0f + j * 17 + i;
    doc.m_gamma.m_gamma = 1.7;
    auto* a = doc.AddChannel(0xC0A80017);
    a->m_threshold = 41.5;
    a->m_nSlot = 1;
    a->m_nColumn = 1;
    a->m_nRow = 2;
    a->m_strBlackPhoto = "/home/op/.local/share/Vendor/ImageData/CameraImage000.bmp";
    a->m_strWhitePhoto = "/photos/w\xC3\xA9.bmp";
    a->m_strCenterPhoto = "c1.bmp;c2.bmp";
    a->m_strGridPhoto = std::string(255, 'g');
    auto* b = doc.AddChannel(0x7F00003C);
    b->m_threshold = 0.0;
    b->m_nSlot = 2;
    b->m_nColumn = 3;
    b->m_nRow = 1;
}

Bytes BoundaryBytes(const CBoundaryDoc& b) {
    Bytes out;
    out.i32(b.m_nValueA).i32(b.m_nValueB);
    for (int r = 0; r < 81; ++r)
        for (int k = 0; k < 140; ++k)
            out.f32(b.m_tableA.x[k][r])
                .f32(b.m_tableA.y[k][r])
                .f32(b.m_tableB.x[k][r])
                .f32(b.m_tableB.y[k][r])
                .f32(b.m_tableC.x[k][r])
                .f32(b.m_tableC.y[k][r]);
    for (int i = 0; i < 17; ++i)
        for (int j = 0; j < 17; ++j)
            for (int t = 0; t < 4; ++t) out.f32(b.m_rects[t][j][i]);
    return out;
}

}  // namespace

TEST(ProjectFileBytes, DocumentWithoutChannels) {
    CDoc doc;
    const auto bytes = vm::SaveProjectBytes(doc);
    ASSERT_EQ(bytes.size(), kEmptyDocBytes);
    ASSERT_EQ(kEmptyDocBytes, 276911u);
    Bytes expected;
    for (int f = 0; f < 7; ++f) expected.u8(0);
    expected.i32(0).i32(8).i32(0).i32(0).i32(0).i32(2).i32(
        0);                                        // solution, timing, blend, count, layout, stack, port
    expected.i32(0).i32(0).i32(0).i32(0);          // overlap pixels, percent
    expected.u8(0xFF).u8(0xFE).u8(0xFF).u8(0x00);  // empty camera name
    for (int p = 0; p < 14; ++p) expected.i32(0);
    auto boundary = BoundaryBytes(doc.m_boundary);
    expected.v.insert(expected.v.end(), boundary.v.begin(), boundary.v.end());
    expected.f64(2.2000000476837158);
    EXPECT_EQ(bytes, expected.v);

    CDoc back;
    std::string error;
    ASSERT_TRUE(vm::LoadProjectBytes(back, bytes, &error)) << error;
    EXPECT_TRUE(back.m_channels.empty());
    EXPECT_EQ(back.m_gamma.m_gamma, 2.2000000476837158);
    EXPECT_NE(back.m_gamma.m_gamma, 2.2);
}

TEST(ProjectFileBytes, DocumentWithTwoChannels) {
    CDoc doc;
    FillProject(doc);
    doc.m_channels[0]->m_strGridPhoto = "g.bmp";
    const auto bytes = vm::SaveProjectBytes(doc);
    Bytes expected;
    for (bool f : {true, false, true, true, false, true, true}) expected.u8(f);
    expected.i32(2).i32(4).i32(1).i32(2).i32(12).i32(3).i32(1).i32(240).i32(96).i32(12).i32(8);
    expected.str("HD Pro Webcam C920");
    // Values in file order: Pan, Tilt, Roll, Zoom, Focus, Exposure, Iris, ...
    for (int p : {0, 1, 2, 3, 6, 4, 5, 7, 8, 9, 10, 11, 12, 13}) expected.i32(-p * 3 - 1);
    auto boundary = BoundaryBytes(doc.m_boundary);
    expected.v.insert(expected.v.end(), boundary.v.begin(), boundary.v.end());
    expected.f64(1.7);
    expected.f64(41.5).u32(0xC0A80017).i32(1).i32(1).i32(2);
    expected.str("/home/op/.local/share/Vendor/ImageData/CameraImage000.bmp");
    expected.u8(0xFF).u16(0xFFFE).u8(14);  // "/photos/wé.bmp": the é is one UTF-16 unit
    for (char16_t c : std::u16string(u"/photos/w\u00e9.bmp")) expected.u16(c);
    expected.str("c1.bmp;c2.bmp").str("g.bmp");
    expected.f64(0.0).u32(0x7F00003C).i32(2).i32(3).i32(1).str("").str("").str("").str("");
    EXPECT_EQ(bytes.size(), kEmptyDocBytes + 18 * 2 + 2 * 40 + 2 * (57 + 14 + 13 + 5));
    EXPECT_EQ(bytes, expected.v);
    // The seven flags leave every later int at an odd offset.
    EXPECT_EQ(bytes[7], 2);
    EXPECT_EQ(bytes[19], 2);  // channel count
}

TEST(ProjectFileBytes, RoundTripKeepsStoredFieldsAndStartsTheRestAfresh) {
    CDoc doc;
    FillProject(doc);
    doc.m_channels[0]->m_nState = VantisAuto::CChannel::kStateConnected;
    doc.m_channels[0]->m_bBlackLevel = 1;
    doc.m_channels[0]->m_forward.x[3][4] = 55.0f;
    doc.m_channels[0]->m_source.y[1][1] = 9.0f;
    doc.m_camera.State(CameraProperty::Gain).maximum = 255;

    CDoc back;
    back.m_nWarpMode = 1;  // not stored: keeps the loading document's value
    std::string error;
    ASSERT_TRUE(vm::LoadProjectBytes(back, vm::SaveProjectBytes(doc), &error)) << error;
    EXPECT_EQ(vm::SaveProjectBytes(back), vm::SaveProjectBytes(doc));

    EXPECT_TRUE(back.m_bAutoExecution);
    EXPECT_TRUE(back.m_bBlended);
    EXPECT_FALSE(back.m_bWarped);
    EXPECT_EQ(back.m_nSolution, 2);
    EXPECT_EQ(back.m_nTiming, 4);
    EXPECT_EQ(back.m_nLayout, 12);
    EXPECT_EQ(back.m_nStackCount, 3);
    EXPECT_EQ(back.m_nInputPort, 1);
    EXPECT_EQ(back.m_nChannelCount, 2);
    EXPECT_EQ(back.m_overlapPixels[0], 240);
    EXPECT_EQ(back.m_overlapPercent[1], 8);
    EXPECT_EQ(back.m_nWarpMode, 1);
    EXPECT_EQ(back.m_camera.m_name, L"HD Pro Webcam C920");
    EXPECT_EQ(back.m_camera.State(CameraProperty::Iris).value, -16);
    EXPECT_EQ(back.m_camera.State(CameraProperty::Gain).maximum, 0);
    EXPECT_EQ(back.m_boundary.m_nValueA, 7);
    EXPECT_EQ(back.m_boundary.m_nValueB, -9);
    EXPECT_EQ(back.m_boundary.m_tableB.y[139][80], 139 * 1.125f);
    EXPECT_EQ(back.m_boundary.m_rects[3][16][16], 3000.0f + 16 * 17 + 16);
    EXPECT_EQ(back.m_gamma.m_gamma, 1.7);
    ASSERT_EQ(back.m_channels.size(), 2u);
    const auto& a = *back.m_channels[0];
    EXPECT_EQ(a.m_threshold, 41.5);
    EXPECT_EQ(a.m_dwIp, 0xC0A80017u);
    EXPECT_EQ(a.m_nSlot, 1);
    EXPECT_EQ(a.m_nColumn, 1);
    EXPECT_EQ(a.m_nRow, 2);
    EXPECT_EQ(a.m_strWhitePhoto, "/photos/w\xC3\xA9.bmp");
    EXPECT_EQ(a.m_strCenterPhoto, "c1.bmp;c2.bmp");
    EXPECT_EQ(a.m_strGridPhoto, std::string(255, 'g'));
    EXPECT_EQ(a.m_nState, VantisAuto::CChannel::kStateNotConnected);
    EXPECT_EQ(a.m_hLink, 0);
    EXPECT_EQ(a.m_bBlackLevel, 0);
    EXPECT_EQ(a.m_forward.x[3][4], 0.0f);
    EXPECT_EQ(a.m_source.y[1][1], 0.0f);
    EXPECT_EQ(back.m_channels[1]->m_dwIp, 0x7F00003Cu);
    EXPECT_EQ(back.m_channels[1]->m_nColumn, 3);
}

TEST(ProjectFileBytes, DamagedFilesLeaveTheDocumentUnchanged) {
    CDoc source;
    FillProject(source);
    const auto good = vm::SaveProjectBytes(source);

    CDoc doc;
    doc.AddChannel(0x7F00003D)->m_strBlackPhoto = "keep.bmp";
    doc.m_nTiming = 0;
    const auto before = vm::SaveProjectBytes(doc);

    // Every cut through the header, the camera record, the start of the
    // boundary, and every cut inside the channel records.
    std::vector<std::size_t> cuts;
    for (std::size_t n = 0; n < 200; ++n) cuts.push_back(n);
    for (std::size_t n = good.size() - 600; n < good.size(); ++n) cuts.push_back(n);
    for (std::size_t cut : cuts) {
        std::vector<std::uint8_t> truncated(good.begin(), good.begin() + cut);
        std::string error;
        ASSERT_FALSE(vm::LoadProjectBytes(doc, truncated, &error)) << cut;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(vm::SaveProjectBytes(doc), before);

    // A truncated file names where it ended.
    std::string error;
    std::vector<std::uint8_t> truncated(good.begin(), good.end() - 3);
    ASSERT_FALSE(vm::LoadProjectBytes(doc, truncated, &error));
    EXPECT_NE(error.find("ends early"), std::string::npos) << error;
    EXPECT_NE(error.find("grid photo path"), std::string::npos) << error;

    // A string count of four billion characters in place of the first path.
    const std::size_t pathAt = kEmptyDocBytes + 36 + 24;
    auto huge = Bytes();
    huge.v.assign(good.begin(), good.begin() + static_cast<long>(pathAt));
    huge.u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF).u32(0xFFFFFFF0);
    huge.v.insert(huge.v.end(), good.begin() + static_cast<long>(pathAt + 4 + 2 * 57), good.end());
    ASSERT_FALSE(vm::LoadProjectBytes(doc, huge.v, &error));
    EXPECT_NE(error.find("corrupt count 4294967280"), std::string::npos) << error;

    // A channel count far beyond what the remaining bytes can hold, and a negative one.
    for (std::int32_t count : {0x7FFFFFFF, 3, -1}) {
        auto bad = good;
        std::memcpy(bad.data() + 19, &count, 4);
        ASSERT_FALSE(vm::LoadProjectBytes(doc, bad, &error)) << count;
        EXPECT_NE(error.find(count == 3 ? "ends early" : "count"), std::string::npos) << error;
    }
    EXPECT_EQ(vm::SaveProjectBytes(doc), before);
}

TEST(ProjectFiles, SaveCreatesTheFolderAndReplacesAtomically) {
    const fs::path dir = fs::path(::testing::TempDir()) / "model_save_atomic" / "a" / "b";
    fs::remove_all(dir.parent_path().parent_path());
    const fs::path file = dir / "Project.cfa";
    CDoc doc;
    FillProject(doc);
    std::string error;
    ASSERT_TRUE(vm::SaveProjectFile(doc, file, &error)) << error;
    EXPECT_EQ(fs::file_size(file), vm::SaveProjectBytes(doc).size());

    // A second save over a longer file leaves exactly the new content and no
    // temporary file behind.
    CDoc empty;
    ASSERT_TRUE(vm::SaveProjectFile(empty, file, &error)) << error;
    EXPECT_EQ(fs::file_size(file), kEmptyDocBytes);
    int entries = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);

    CDoc back;
    ASSERT_TRUE(vm::LoadProjectFile(back, file, &error)) << error;
    EXPECT_TRUE(back.m_channels.empty());

    // A target that cannot be written reports failure and keeps the old file.
    fs::create_directories(dir / "blocked.cfa");
    EXPECT_FALSE(vm::SaveProjectFile(doc, dir / "blocked.cfa", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(vm::LoadProjectFile(back, dir / "missing.cfa", &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
    fs::remove_all(dir.parent_path().parent_path());
}
