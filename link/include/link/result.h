// Result codes of the link and the mapping of socket errors onto them.
//
// Socket errors are first expressed as the Winsock error numbers callers of the
// link have always seen (ETIMEDOUT -> 10060, ECONNRESET -> 10054, ...), then grouped:
//   50  network or subsystem unavailable: 10055-10065, 10067, 10091-10093, 10101
//   51  bad call or connection broken:    6, 8, 87, 995-997, 10004, 10009, 10013, 10014,
//                                         10022, 10024, 10035-10054
//   52  any other non-zero error
#pragma once

#include <cstdint>

#include "vantis_link_types.h"

namespace vantis::link {

inline constexpr LinkResult kOk = LINK_RESULT_OK;
inline constexpr LinkResult kRefused = LINK_RESULT_REFUSED;
inline constexpr LinkResult kMalformed = LINK_RESULT_MALFORMED;
inline constexpr LinkResult kNetworkError = LINK_RESULT_NETWORK;
inline constexpr LinkResult kConnectionError = LINK_RESULT_CONNECTION;
inline constexpr LinkResult kOtherSocketError = LINK_RESULT_SOCKET_OTHER;

// Winsock numbers used by name in the code.
inline constexpr int kWsaBadHandle = 10009;  // WSAEBADF
inline constexpr int kWsaInvalid = 10022;    // WSAEINVAL
inline constexpr int kWsaConnReset = 10054;  // WSAECONNRESET
inline constexpr int kWsaTimedOut = 10060;   // WSAETIMEDOUT

// The Winsock number for a POSIX errno (0 for 0). Errors without a Winsock counterpart
// get a number outside every group (100000 + errno), so they map to 52.
int WinsockErrorFromErrno(int error);

// 0 for 0, else 50, 51 or 52 by the groups above.
LinkResult ResultFromSocketError(int winsockError);

// ResultFromSocketError(WinsockErrorFromErrno(error)).
inline LinkResult ResultFromErrno(int error) {
    return ResultFromSocketError(WinsockErrorFromErrno(error));
}

// A short English text for a result code, for tools and logs ("success", "refused", ...).
const char* ResultMeaning(LinkResult result);

}  // namespace vantis::link
