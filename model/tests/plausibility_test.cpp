// Damaged and hostile project files: implausible contents refused with the
// reason, channel counts bounded before allocating, only regular files read,
// and the last good configuration kept as a backup.
#include "vantis/model/plausibility.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "vantis/model/config.h"
#include "vantis/model/project_file.h"

using VantisAuto::CDoc;
namespace fs = std::filesystem;
namespace vm = vantis::model;

namespace {

// A blending project of two projectors side by side (layout 1: 2 x 1).
void TwoSideBySide(CDoc& doc) {
    doc.m_nSolution = 1;
    doc.m_nLayout = 1;
    doc.m_nStackCount = 1;
    doc.m_nTiming = 8;
    doc.AddChannel(0x7F00030B)->m_nColumn = 1;
    doc.AddChannel(0x7F00030C)->m_nColumn = 2;
}

std::string Reason(CDoc& doc) {
    std::string why;
    return vm::CheckPlausible(doc, &why) ? std::string() : why;
}

// Round trip through the file form: what a damaged file on disk would give.
bool Reload(CDoc& doc, std::string* error) {
    const auto bytes = vm::SaveProjectBytes(doc);
    CDoc back;
    return vm::LoadProjectBytes(back, bytes, error);
}

struct Folder {
    fs::path path = fs::temp_directory_path() / ("model-plausible-" + std::to_string(::getpid()));
    Folder() { fs::create_directories(path); }
    ~Folder() { fs::remove_all(path); }
};

}  // namespace

TEST(Plausibility, AGoodProjectPassesAndEachDamageIsNamed) {
    CDoc good;
    TwoSideBySide(good);
    EXPECT_EQ(Reason(good), "");
    std::string error;
    EXPECT_TRUE(Reload(good, &error)) << error;

    struct Case {
        const char* expect;
        void (*damage)(CDoc&);
    };
    const Case cases[] = {
        {"boundary", [](CDoc& d) { d.m_boundary.m_tableB.x[3][4] = std::nanf(""); }},
        {"boundary", [](CDoc& d) { d.m_boundary.m_rects[2][16][16] = INFINITY; }},
        {"address", [](CDoc& d) { d.m_channels[1]->m_dwIp = 0xE0000001; }},  // multicast
        {"address", [](CDoc& d) { d.m_channels[0]->m_dwIp = 0; }},
        {"address", [](CDoc& d) { d.m_channels[0]->m_dwIp = 0xFFFFFFFF; }},
        {"do not fit", [](CDoc& d) { d.AddChannel(0x7F00030D); }},  // three channels on two places
        {"outside the layout", [](CDoc& d) { d.m_channels[1]->m_nColumn = 3; }},
        {"layout", [](CDoc& d) { d.m_nLayout = 99; }},
        {"solution", [](CDoc& d) { d.m_nSolution = 7; }},
        {"timing", [](CDoc& d) { d.m_nTiming = -1; }},
        {"stack", [](CDoc& d) { d.m_nStackCount = 2000000; }},
        {"gamma", [](CDoc& d) { d.m_gamma.m_gamma = 99.0; }},
        {"gamma", [](CDoc& d) { d.m_gamma.m_gamma = std::nan(""); }},
        {"camera value", [](CDoc& d) { d.m_camera.State(CameraProperty::Gain).value = 2000000000; }},
        {"threshold", [](CDoc& d) { d.m_channels[0]->m_threshold = std::nan(""); }},
    };
    for (const Case& c : cases) {
        CDoc doc;
        TwoSideBySide(doc);
        c.damage(doc);
        const std::string why = Reason(doc);
        EXPECT_NE(why.find(c.expect), std::string::npos) << c.expect << ": " << why;
        std::string loadError;
        EXPECT_FALSE(Reload(doc, &loadError)) << c.expect;
        EXPECT_NE(loadError.find("implausible"), std::string::npos) << loadError;
    }
    // Fewer channels than the layout's places (one was deleted) is fine; loopback too.
    CDoc fewer;
    TwoSideBySide(fewer);
    fewer.m_nStackCount = 2;
    fewer.RemoveChannel(0x7F00030C);
    EXPECT_EQ(Reason(fewer), "");
}

TEST(Plausibility, HugeChannelCountIsRefusedBeforeAllocating) {
    CDoc empty;
    std::vector<std::uint8_t> bytes = vm::SaveProjectBytes(empty);
    // The channel count follows the seven flags and three ints; 200,000 channels of
    // 28 bytes each follow, so the remaining-bytes check alone would let it pass.
    constexpr std::size_t kCountOffset = 7 + 3 * 4;
    const std::uint32_t count = 200000;
    for (int i = 0; i < 4; ++i) bytes[kCountOffset + i] = static_cast<std::uint8_t>(count >> (8 * i));
    bytes.resize(bytes.size() + std::size_t{count} * 28, 0);
    CDoc doc;
    std::string error;
    EXPECT_FALSE(vm::LoadProjectBytes(doc, bytes, &error));
    EXPECT_NE(error.find("channel count"), std::string::npos) << error;
    EXPECT_TRUE(doc.m_channels.empty());
}

TEST(ProjectFileReading, OnlyRegularFilesOfBoundedSizeAndErrorsNotExceptions) {
    Folder folder;
    CDoc doc;
    std::string error;
    // A folder, a device that never ends, a process's memory, a FIFO nobody writes to.
    EXPECT_FALSE(vm::LoadProjectFile(doc, folder.path, &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_FALSE(vm::LoadProjectFile(doc, "/dev/zero", &error));
    EXPECT_FALSE(vm::LoadProjectFile(doc, "/proc/self/mem", &error));
    const fs::path fifo = folder.path / "fifo.cfa";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(vm::LoadProjectFile(doc, fifo, &error));  // returns at once instead of hanging
    EXPECT_FALSE(vm::LoadProjectFile(doc, folder.path / "missing.cfa", &error));
    EXPECT_FALSE(error.empty());

    // Larger than any project: refused without reading it (a sparse file).
    const fs::path huge = folder.path / "huge.cfa";
    { std::ofstream(huge).put('x'); }
    fs::resize_file(huge, vm::kMaxProjectFileBytes + 1);
    EXPECT_FALSE(vm::LoadProjectFile(doc, huge, &error));
    EXPECT_NE(error.find("more than"), std::string::npos) << error;

    // A good file still loads.
    CDoc good;
    TwoSideBySide(good);
    ASSERT_TRUE(vm::SaveProjectFile(good, folder.path / "good.cfa", &error)) << error;
    EXPECT_TRUE(vm::LoadProjectFile(doc, folder.path / "good.cfa", &error)) << error;
    EXPECT_EQ(doc.m_channels.size(), 2u);
}

TEST(SystemConfigBackup, TheLastGoodConfigurationIsKeptBeforeEachSave) {
    Folder folder;
    ::setenv("XDG_DATA_HOME", folder.path.c_str(), 1);
    const fs::path config = vm::SystemConfigPath("Vendor");
    const fs::path backup = vm::BackupPathOf(config);
    EXPECT_EQ(backup.filename(), "Config.cfg.bak");

    CDoc first;
    TwoSideBySide(first);
    ASSERT_EQ(vm::SaveSystemConfig(first, "Vendor"), 1);
    EXPECT_FALSE(fs::exists(backup));  // nothing to keep yet
    first.m_gamma.m_gamma = 1.5;
    ASSERT_EQ(vm::SaveSystemConfig(first, "Vendor"), 1);
    ASSERT_TRUE(fs::exists(backup));
    CDoc kept;
    std::string error;
    ASSERT_TRUE(vm::LoadProjectFile(kept, backup, &error)) << error;
    EXPECT_NEAR(kept.m_gamma.m_gamma, 2.2, 1e-6);  // the one before the last save

    // A damaged configuration is not made the backup.
    { std::ofstream(config, std::ios::binary | std::ios::trunc) << "garbage"; }
    ASSERT_EQ(vm::SaveSystemConfig(first, "Vendor"), 1);
    ASSERT_TRUE(vm::LoadProjectFile(kept, backup, &error)) << error;
    EXPECT_NEAR(kept.m_gamma.m_gamma, 2.2, 1e-6);
    ::unsetenv("XDG_DATA_HOME");
}
