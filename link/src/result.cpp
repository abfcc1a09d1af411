#include "link/result.h"

#include <cerrno>

namespace vantis::link {

int WinsockErrorFromErrno(int error) {
    switch (error) {
        case 0:
            return 0;
        case EINTR:
            return 10004;
        case EBADF:
            return 10009;
        case EACCES:
        case EPERM:
            return 10013;
        case EFAULT:
            return 10014;
        case EINVAL:
            return 10022;
        case EMFILE:
        case ENFILE:
            return 10024;
        case EAGAIN:
            return kWsaTimedOut;  // what SO_RCVTIMEO / SO_SNDTIMEO report on expiry
        case EINPROGRESS:
            return 10036;
        case EALREADY:
            return 10037;
        case ENOTSOCK:
            return 10038;
        case EDESTADDRREQ:
            return 10039;
        case EMSGSIZE:
            return 10040;
        case EPROTOTYPE:
            return 10041;
        case ENOPROTOOPT:
            return 10042;
        case EPROTONOSUPPORT:
            return 10043;
        case ESOCKTNOSUPPORT:
            return 10044;
        case EOPNOTSUPP:
            return 10045;
        case EPFNOSUPPORT:
            return 10046;
        case EAFNOSUPPORT:
            return 10047;
        case EADDRINUSE:
            return 10048;
        case EADDRNOTAVAIL:
            return 10049;
        case ENETDOWN:
            return 10050;
        case ENETUNREACH:
            return 10051;
        case ENETRESET:
            return 10052;
        case ECONNABORTED:
            return 10053;
        case ECONNRESET:
        case EPIPE:
            return kWsaConnReset;  // EPIPE: the peer is gone, the connection is broken
        case ENOBUFS:
            return 10055;
        case ENOMEM:
            return 8;
        case EISCONN:
            return 10056;
        case ENOTCONN:
            return 10057;
        case ESHUTDOWN:
            return 10058;
        case ETOOMANYREFS:
            return 10059;
        case ETIMEDOUT:
            return kWsaTimedOut;
        case ECONNREFUSED:
            return 10061;
        case ELOOP:
            return 10062;
        case ENAMETOOLONG:
            return 10063;
        case EHOSTDOWN:
            return 10064;
        case EHOSTUNREACH:
            return 10065;
        case ENOTEMPTY:
            return 10066;
        case EUSERS:
            return 10068;
        case EDQUOT:
            return 10069;
        case ESTALE:
            return 10070;
        case EREMOTE:
            return 10071;
        default:
            return 100000 + error;
    }
}

LinkResult ResultFromSocketError(int e) {
    if (e == 0) return kOk;
    if ((e >= 10055 && e <= 10065) || e == 10067 || (e >= 10091 && e <= 10093) || e == 10101)
        return kNetworkError;
    if (e == 6 || e == 8 || e == 87 || (e >= 995 && e <= 997) || e == 10004 || e == 10009 || e == 10013 ||
        e == 10014 || e == 10022 || e == 10024 || (e >= 10035 && e <= 10054))
        return kConnectionError;
    return kOtherSocketError;
}

const char* ResultMeaning(LinkResult result) {
    switch (result) {
        case kOk:
            return "success";
        case kRefused:
            return "refused by the board";
        case kMalformed:
            return "malformed reply";
        case kNetworkError:
            return "network unavailable or time-out";
        case kConnectionError:
            return "bad call or connection broken";
        case kOtherSocketError:
            return "other socket error";
        default:
            return "unknown result";
    }
}

}  // namespace vantis::link
