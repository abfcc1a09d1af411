#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "vantis/testing/temp_home.h"

namespace fs = std::filesystem;

TEST(TempHome, IsTheHomeForItsLifetimeAndLeavesNothingBehind) {
    ::setenv("XDG_RUNTIME_DIR", "/outer/run", 1);
    ::unsetenv("XDG_DATA_HOME");
    fs::path root;
    {
        vantis::testing::TempHome home("temp-home-test");
        root = home.root();
        EXPECT_TRUE(fs::is_directory(home.data()));
        EXPECT_TRUE(fs::is_directory(home.run()));
        EXPECT_EQ(std::getenv("HOME"), root.string());
        EXPECT_EQ(std::getenv("XDG_DATA_HOME"), home.data().string());
        EXPECT_EQ(std::getenv("XDG_RUNTIME_DIR"), home.run().string());
        std::ofstream(home.data() / "file") << "x";
        EXPECT_TRUE(fs::exists(home.WriteIni()));
    }
    EXPECT_FALSE(fs::exists(root));
    EXPECT_STREQ(std::getenv("XDG_RUNTIME_DIR"), "/outer/run");
    EXPECT_EQ(std::getenv("XDG_DATA_HOME"), nullptr);
}

TEST(TempHome, EachFolderIsFresh) {
    vantis::testing::TempDir a("temp-dir-test"), b("temp-dir-test");
    EXPECT_NE(a.path(), b.path());
    EXPECT_TRUE(fs::is_empty(a.path()));
}
