#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "vantis/model/config.h"
#include "vantis/model/project_file.h"
#include "vantis/testing/temp_home.h"

namespace fs = std::filesystem;
namespace vm = vantis::model;

namespace {

fs::path WriteIni(const fs::path& dir, const std::string& text) {
    const auto path = dir / "default.ini";
    std::ofstream(path) << text;
    return path;
}

}  // namespace

TEST(Defaults, KeysVersionsAndFailures) {
    const vantis::testing::TempHome home("model-config");
    const auto dir = home.root();
    vm::Defaults d;
    std::string error;
    ASSERT_TRUE(vm::ReadDefaults(WriteIni(dir,
                                          "[MAIN]\nPID=Wall\nVID=Acme\nAUTO_WARP_APP_TITLE=Aligner\n"
                                          "APP_VER=1.2.3\nFW_PREF_VER=4.5\n[OTHER]\nPID=no\n"),
                                 &d, &error))
        << error;
    EXPECT_EQ(d.pid, "Wall");
    EXPECT_EQ(d.vid, "Acme");
    EXPECT_EQ(d.appTitle, "Aligner");
    EXPECT_EQ(d.appVersion, 0x01020300u);
    EXPECT_EQ(d.firmwareVersion, 0x04050000u);

    // No keys at all: the defaults.
    ASSERT_TRUE(vm::ReadDefaults(WriteIni(dir, "; nothing\n"), &d, &error)) << error;
    EXPECT_EQ(d.pid, "Box");
    EXPECT_EQ(d.vid, "Vendor");
    EXPECT_EQ(d.appTitle, "Warp Tools");
    EXPECT_EQ(d.appVersion, 0u);

    // Two numbers where three are required, or one where two are.
    EXPECT_FALSE(vm::ReadDefaults(WriteIni(dir, "[MAIN]\nAPP_VER=1.2\n"), &d, &error));
    EXPECT_NE(error.find("APP_VER"), std::string::npos);
    EXPECT_FALSE(vm::ReadDefaults(WriteIni(dir, "[MAIN]\nFW_PREF_VER=3\n"), &d, &error));
    EXPECT_FALSE(vm::ReadDefaults(dir / "missing.ini", &d, &error));
}

TEST(Defaults, EngineCentresAndBlendZoneRule) {
    const vantis::testing::TempHome home("model-config");
    const auto dir = home.root();
    vm::Defaults d;
    std::string error;
    ASSERT_TRUE(vm::ReadDefaults(WriteIni(dir, "[MAIN]\n"), &d, &error)) << error;
    EXPECT_FALSE(d.boxCentres);
    EXPECT_FALSE(d.blendZonesFollowWarp);
    ASSERT_TRUE(
        vm::ReadDefaults(WriteIni(dir, "[ENGINE]\nCENTRES=Box\n[BLEND]\nFOLLOW_WARP=1\n"), &d, &error))
        << error;
    EXPECT_TRUE(d.boxCentres);
    EXPECT_TRUE(d.blendZonesFollowWarp);
    ASSERT_TRUE(
        vm::ReadDefaults(WriteIni(dir, "[ENGINE]\nCENTRES=centroid\n[BLEND]\nFOLLOW_WARP=0\n"), &d, &error))
        << error;
    EXPECT_FALSE(d.boxCentres);
    EXPECT_FALSE(d.blendZonesFollowWarp);
    // A value the programs would not understand fails the read, naming the key.
    EXPECT_FALSE(vm::ReadDefaults(WriteIni(dir, "[ENGINE]\nCENTRES=middle\n"), &d, &error));
    EXPECT_NE(error.find("CENTRES"), std::string::npos);
    EXPECT_FALSE(vm::ReadDefaults(WriteIni(dir, "[BLEND]\nFOLLOW_WARP=yes\n"), &d, &error));
    EXPECT_NE(error.find("FOLLOW_WARP"), std::string::npos);
}

TEST(Defaults, TheBuildPutsOneBesideThePrograms) {
    // The test programs live beside the other programs of the build.
    vm::Defaults d;
    std::string error;
    EXPECT_TRUE(vm::ReadDefaults(vm::DefaultIniPath(), &d, &error)) << error;
}

TEST(InstanceLock, SecondInstanceIsRefusedUntilTheFirstEnds) {
    const vantis::testing::TempHome home("model-config");
    const auto dir = home.run();
    const auto name = vm::InstanceLockName("Vendor", "Box");
    EXPECT_EQ(name, "Vendor_{88CD7C6E-2793-46a7-9652-7FB8D871080B}_Box");
    std::string error;
    auto first = vm::InstanceLock::Acquire(name, &error);
    ASSERT_TRUE(first) << error;
    EXPECT_EQ(first->path().parent_path(), dir);
    EXPECT_FALSE(vm::InstanceLock::Acquire(name, &error));
    EXPECT_NE(error.find("another instance"), std::string::npos);
    EXPECT_TRUE(vm::InstanceLock::Acquire(vm::InstanceLockName("Vendor", "Other"), &error));
    first.reset();
    EXPECT_TRUE(vm::InstanceLock::Acquire(name, &error)) << error;

    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(vm::RuntimeFolder(), fs::path("/tmp"));
}

TEST(Language, SuffixRule) {
    EXPECT_EQ(vm::LanguageSuffix(1028), "CHT");
    EXPECT_EQ(vm::LanguageSuffix(2052), "CHS");
    EXPECT_EQ(vm::LanguageSuffix(0x0C04), "CHS");  // Chinese, Hong Kong
    EXPECT_EQ(vm::LanguageSuffix(1031), "ENU");
    EXPECT_EQ(vm::ReduceLanguageId(0x0807), 1031);  // Swiss German
    EXPECT_EQ(vm::ReduceLanguageId(0x0416), 2070);  // Brazilian Portuguese
    EXPECT_EQ(vm::ReduceLanguageId(0x0419), 1033);  // Russian
    EXPECT_EQ(vm::LanguageSuffixForLocale("zh_TW.UTF-8"), "CHT");
    EXPECT_EQ(vm::LanguageSuffixForLocale("zh_CN.UTF-8"), "CHS");
    EXPECT_EQ(vm::LanguageSuffixForLocale("zh_HK"), "CHS");
    EXPECT_EQ(vm::LanguageSuffixForLocale("de_DE@euro"), "ENU");
    EXPECT_EQ(vm::LanguageSuffixForLocale("C"), "ENU");
}

TEST(SystemConfig, SaveCreatesFoldersLoadRestoresEmptyCountsAsNone) {
    const vantis::testing::TempHome home("model-config");
    const auto dir = home.data();
    EXPECT_EQ(vm::SystemConfigPath("Acme"), dir / "Acme" / "SystemData" / "Config.cfg");

    VantisAuto::CDoc doc;
    std::string error;
    EXPECT_EQ(vm::LoadSystemConfig(doc, "Acme", "Config", &error), 0);  // no file yet
    EXPECT_TRUE(error.empty());

    doc.m_bAutoExecution = true;
    doc.AddChannel(0xC0A8000C)->m_nSlot = 4;
    ASSERT_EQ(vm::SaveSystemConfig(doc, "Acme", "Config", &error), 1) << error;

    VantisAuto::CDoc loaded;
    ASSERT_EQ(vm::LoadSystemConfig(loaded, "Acme", "Config", &error), 1) << error;
    EXPECT_TRUE(loaded.m_bAutoExecution);
    ASSERT_EQ(loaded.m_channels.size(), 1u);
    EXPECT_EQ(loaded.m_channels[0]->m_nSlot, 4);

    // An empty file is no configuration; a damaged one is refused with a reason.
    std::ofstream(vm::SystemConfigPath("Acme"), std::ios::trunc).close();
    VantisAuto::CDoc fresh;
    EXPECT_EQ(vm::LoadSystemConfig(fresh, "Acme", "Config", &error), 0);
    EXPECT_TRUE(error.empty());
    std::ofstream(vm::SystemConfigPath("Acme"), std::ios::binary) << "\x01\x00\x01";
    EXPECT_EQ(vm::LoadSystemConfig(loaded, "Acme", "Config", &error), 0);
    EXPECT_NE(error.find("ends early"), std::string::npos) << error;
    EXPECT_TRUE(loaded.m_bAutoExecution);
    EXPECT_EQ(loaded.m_channels.size(), 1u);

    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(vm::AppDataFolder(), home.root() / ".local" / "share");
}
