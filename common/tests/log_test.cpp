#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "vantis/log.h"

namespace {

// Captures the lines of one test and puts the log back as it was.
class LogCapture : public ::testing::Test {
  protected:
    void SetUp() override {
        wasEnabled_ = vantis::log::Enabled();
        vantis::log::SetEnabled(true);
        vantis::log::SetSink(
            [this](vantis::log::Level level, std::string_view component, std::string_view message) {
                lines_.push_back({level, std::string(component), std::string(message)});
            });
    }
    void TearDown() override {
        vantis::log::SetSink({});
        vantis::log::SetEnabled(wasEnabled_);
    }
    struct Line {
        vantis::log::Level level;
        std::string component;
        std::string message;
    };
    std::vector<Line> lines_;
    bool wasEnabled_ = false;
};

TEST_F(LogCapture, SystemErrorsCarryTheOperatingSystemText) {
    vantis::log::SystemError("oculet", "cannot open /dev/video9", ENOENT);
    ASSERT_EQ(lines_.size(), 1u);
    EXPECT_EQ(lines_[0].level, vantis::log::Level::Error);
    EXPECT_EQ(lines_[0].component, "oculet");
    EXPECT_EQ(lines_[0].message, "cannot open /dev/video9: No such file or directory (errno 2)");
    EXPECT_NE(vantis::log::ErrnoText(-12345).find("errno -12345"), std::string::npos);
}

TEST_F(LogCapture, NothingIsWrittenWhileTheLogIsOff) {
    vantis::log::SetEnabled(false);
    vantis::log::Error("model", "lost");
    vantis::log::SystemError("model", "lost", EACCES);
    EXPECT_TRUE(lines_.empty());
    vantis::log::SetEnabled(true);
    vantis::log::Warning("model", "kept");
    ASSERT_EQ(lines_.size(), 1u);
    EXPECT_EQ(lines_[0].level, vantis::log::Level::Warning);
}

}  // namespace
