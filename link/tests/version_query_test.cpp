#include "link/version_query.h"

#include <gtest/gtest.h>

#include "recording_link.h"

namespace vantis::link {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::RecordingLink;
constexpr LinkResult kTimedOutResult = 50;

TEST(LinkVersionQuery, QueriesAndCopiesTheWordsAsSent) {
    RecordingLink link;
    link.queryPayload = [](std::size_t i, const Bytes&) {
        return i == 0 ? Bytes{0x01, 0x02, 0x03, 0x04, 0x11, 0x12, 0x13, 0x14} : Bytes{0xAA, 0xBB, 0xCC, 0xDD};
    };
    std::uint32_t two[2] = {9, 9};
    std::uint32_t one = 9;
    EXPECT_EQ(ReadVersionWords(link, two, &one), kOk);
    EXPECT_EQ(two[0], 0x04030201u);
    EXPECT_EQ(two[1], 0x14131211u);
    EXPECT_EQ(one, 0xDDCCBBAAu);
    ASSERT_EQ(link.frames.size(), 2u);
    EXPECT_EQ(link.frames[0], (Bytes{0xFE, 0x81, 0x2C, 0x00, 0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF}));
    EXPECT_EQ(link.frames[1], (Bytes{0xFE, 0x81, 0x2D, 0x00, 0x04, 0, 0, 0, 0, 0xFF}));
}

TEST(LinkVersionQuery, FailedOrShortRepliesLeaveZeros) {
    RecordingLink link;
    link.answer = [](std::size_t i, const Bytes&) { return i == 0 ? kRefused : kOk; };
    link.queryPayload = [](std::size_t, const Bytes&) { return Bytes{0x05}; };
    std::uint32_t two[2] = {9, 9};
    std::uint32_t one = 9;
    EXPECT_EQ(ReadVersionWords(link, two, &one), kRefused);  // what was read is there, and the failure
    EXPECT_EQ(two[0], 0u);
    EXPECT_EQ(two[1], 0u);
    EXPECT_EQ(one, 5u);  // the one byte there is; the rest stays 0

    link.answer = [](std::size_t i, const Bytes&) { return i == 3 ? kNetworkError : kOk; };
    EXPECT_EQ(ReadVersionWords(link, nullptr, nullptr), kNetworkError);  // null outputs skipped, same traffic
    EXPECT_EQ(link.frames.size(), 4u);

    // A board that is gone is not asked again.
    link.answer = [](std::size_t, const Bytes&) { return kTimedOutResult; };
    EXPECT_EQ(ReadVersionWords(link, two, &one), kTimedOutResult);
    EXPECT_EQ(link.frames.size(), 5u);
    EXPECT_EQ(one, 0u);
}

}  // namespace
}  // namespace vantis::link
