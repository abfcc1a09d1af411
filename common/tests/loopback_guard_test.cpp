#include "vantis/loopback_guard.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vantis {
namespace {

TEST(LoopbackGuard, OnlyLoopbackWhileTheFlagIsSet) {
    ::setenv("VANTIS_LOOPBACK_ONLY", "1", 1);  // the test main sets it too
    EXPECT_TRUE(AddressAllowed(0x7F00000B));   // 127.0.0.11
    EXPECT_TRUE(AddressAllowed(0x7FFFFFFE));
    EXPECT_FALSE(AddressAllowed(0xC0A8000B));  // 192.168.0.11
    EXPECT_FALSE(AddressAllowed(0x00000000));
    ::setenv("VANTIS_LOOPBACK_ONLY", "0", 1);
    EXPECT_TRUE(AddressAllowed(0xC0A8000B));
    ::setenv("VANTIS_LOOPBACK_ONLY", "1", 1);
}

}  // namespace
}  // namespace vantis
