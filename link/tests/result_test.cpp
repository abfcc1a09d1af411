#include "link/result.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace vantis::link {
namespace {

TEST(LinkResultMapping, ErrnoBecomesTheMatchingWinsockNumber) {
    EXPECT_EQ(WinsockErrorFromErrno(0), 0);
    EXPECT_EQ(WinsockErrorFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(WinsockErrorFromErrno(EAGAIN), 10060);
    EXPECT_EQ(WinsockErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(WinsockErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(WinsockErrorFromErrno(ENETUNREACH), 10051);
    EXPECT_EQ(WinsockErrorFromErrno(EBADF), 10009);
    EXPECT_EQ(WinsockErrorFromErrno(EINVAL), 10022);
}

TEST(LinkResultMapping, WinsockGroups) {
    for (int e : {10055, 10060, 10061, 10065, 10067, 10091, 10093, 10101})
        EXPECT_EQ(ResultFromSocketError(e), 50) << e;
    for (int e : {6, 8, 87, 995, 997, 10004, 10009, 10013, 10014, 10022, 10024, 10035, 10054})
        EXPECT_EQ(ResultFromSocketError(e), 51) << e;
    for (int e : {1, 10066, 10068, 10090, 10094, 10100, 11001, 998})
        EXPECT_EQ(ResultFromSocketError(e), 52) << e;
    EXPECT_EQ(ResultFromSocketError(0), 0);
}

TEST(LinkResultMapping, TypicalSocketFailuresLandInTheirGroups) {
    EXPECT_EQ(ResultFromErrno(ETIMEDOUT), kNetworkError);
    EXPECT_EQ(ResultFromErrno(ECONNREFUSED), kNetworkError);
    EXPECT_EQ(ResultFromErrno(ECONNRESET), kConnectionError);
    EXPECT_EQ(ResultFromErrno(EPIPE), kConnectionError);
    EXPECT_EQ(ResultFromErrno(EBADF), kConnectionError);
    EXPECT_EQ(ResultFromErrno(EIO), kOtherSocketError);  // no Winsock counterpart
    EXPECT_STREQ(ResultMeaning(kRefused), "refused by the board");
    EXPECT_STREQ(ResultMeaning(77), "unknown result");
}

}  // namespace
}  // namespace vantis::link
