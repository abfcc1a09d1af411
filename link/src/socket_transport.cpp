#include "link/socket_transport.h"

#include "vantis/loopback_guard.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "link/result.h"
#include "vantis/delays.h"
#include "vantis/ipv4.h"
#include "vantis/log.h"

namespace vantis::link {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kDrainChunk = 128;
constexpr std::size_t kDrainLimit = 64 * 1024;  // a peer that floods cannot hold an exchange forever

// Closes `fd` keeping errno.
void CloseQuietly(int fd) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
}

// Moves a socket off the standard stream numbers, so that it is never mistaken for
// "no connection" (0) nor clashes with standard output or error.
int AwayFromStandardStreams(int fd) {
    if (fd > 2) return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    CloseQuietly(fd);
    return moved;
}

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(left);
}

// Waits for `events` on fd until the deadline. 1 ready, 0 time-out (errno ETIMEDOUT), -1 error.
int WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, MillisecondsLeft(deadline));
        if (n > 0) return 1;
        if (n == 0) {
            if (MillisecondsLeft(deadline) > 0) continue;
            errno = ETIMEDOUT;
            return 0;
        }
        if (errno != EINTR) return -1;
    }
}

// Reads and discards whatever is already waiting. Returns the error that showed (0 if none).
int Drain(int fd) {
    std::uint8_t scratch[kDrainChunk];
    std::size_t drained = 0;
    while (drained < kDrainLimit) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, 0);
        if (ready < 0) return errno == EINTR ? 0 : errno;
        if (ready == 0) return 0;
        const ssize_t n = ::recv(fd, scratch, sizeof scratch, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) {
            drained += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0) return 0;  // the peer closed; the send or the receive will say so
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
        return errno;
    }
    return 0;
}

// A reply belongs to a request when it carries the request's class and code.
bool EchoesRequest(std::span<const std::uint8_t> request, std::span<const std::uint8_t> reply) {
    return request.size() > 2 && reply.size() > 2 && request[1] == reply[1] && request[2] == reply[2];
}

int SendAll(int fd, std::span<const std::uint8_t> bytes, Clock::time_point deadline) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (WaitFor(fd, POLLOUT, deadline) != 1) return errno;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return n < 0 ? errno : EPIPE;
    }
    return 0;
}

// An exchange that failed: the log gets the operating system's reason, the
// caller the result it maps to.
LinkResult ExchangeFailure(const char* what, int socket, int error) {
    vantis::log::SystemError("link", std::string(what) + " on link " + std::to_string(socket), error);
    return ResultFromErrno(error);
}

// A connection that could not be made, with the reason in the log; errno is kept.
int ConnectFailure(std::uint32_t address, std::uint16_t port) {
    const int error = errno;
    vantis::log::SystemError(
        "link", "cannot connect to " + vantis::FormatIpv4(address) + ":" + std::to_string(port), error);
    errno = error;
    return -1;
}

}  // namespace

int ConnectToBoard(std::uint32_t address, std::uint16_t port) {
    // 0.0.0.0 is no board's address; Linux would quietly connect it to this host.
    if (address == 0) {
        errno = EADDRNOTAVAIL;
        return ConnectFailure(address, port);
    }
    // Tests and the simulated demo run with the loopback-only guard on.
    if (!vantis::AddressAllowed(address)) {
        errno = ENETUNREACH;
        return ConnectFailure(address, port);
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return ConnectFailure(address, port);
    fd = AwayFromStandardStreams(fd);
    if (fd < 0) return ConnectFailure(address, port);

    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(address);

    // Connect without blocking so that the wait is bounded.
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        if (errno != EINPROGRESS) {
            CloseQuietly(fd);
            return ConnectFailure(address, port);
        }
        const auto deadline = Clock::now() + delays::ScaledTimeout(delays::kLinkConnectTimeout);
        if (WaitFor(fd, POLLOUT, deadline) != 1) {
            CloseQuietly(fd);
            return ConnectFailure(address, port);
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            CloseQuietly(fd);
            errno = error != 0 ? error : errno;
            return ConnectFailure(address, port);
        }
    }
    ::fcntl(fd, F_SETFL, flags);

    // Failures of the options below are ignored: the connection works without them.
    const auto timeout = delays::ScaledTimeout(delays::kLinkTimeout);
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    const int on = 1;
    const int idle = static_cast<int>(delays::kKeepAliveIdle.count() / 1000);
    const int interval = static_cast<int>(delays::kKeepAliveInterval.count() / 1000);
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    return fd;
}

LinkResult SocketTransport::Exchange(std::span<const std::uint8_t> frame, ReplyAssembler& reply) {
    return Exchange(frame, reply, false);
}

LinkResult SocketTransport::Exchange(std::span<const std::uint8_t> frame, ReplyAssembler& reply,
                                     bool matchReply) {
    reply.Reset();
    if (socket_ < 1) return ResultFromErrno(EBADF);

    // A reply that came after an earlier exchange gave up is thrown away here.
    int pending = Drain(socket_);
    const auto deadline = Clock::now() + delays::ScaledTimeout(delays::kLinkTimeout);
    if (pending == 0) pending = SendAll(socket_, frame, deadline);
    if (pending != 0) return ExchangeFailure("sending a request", socket_, pending);

    for (;;) {
        while (reply.Wanted() > 0) {
            if (WaitFor(socket_, POLLIN, deadline) != 1) {
                return ExchangeFailure("waiting for a reply", socket_, errno);
            }
            const ssize_t n =
                ::recv(socket_, reply.WritePosition(), reply.Wanted(), MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n > 0) {
                reply.Take(static_cast<std::size_t>(n));
            } else if (n == 0) {
                return kMalformed;  // the board closed before a whole reply arrived
            } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                return ExchangeFailure("reading a reply", socket_, errno);
            }
        }
        if (reply.state() != ReplyState::kComplete) {
            (void)Drain(socket_);  // the rest of a broken reply must not be read as the next one
            return kMalformed;
        }
        if (!matchReply || EchoesRequest(frame, reply.bytes())) return kOk;
        // Another exchange's reply (one that came after its time-out, or an answer to a
        // different command): thrown away, and the wait for our own goes on.
        reply.Reset();
    }
}

LinkResult SocketTransport::Command(std::span<const std::uint8_t> frame) {
    ReplyAssembler reply;
    const LinkResult result = Exchange(frame, reply, true);
    if (result != kOk) return result;
    return JudgeAcknowledgement(reply.bytes());
}

LinkResult SocketTransport::Query(std::span<const std::uint8_t> frame, std::vector<std::uint8_t>& payload) {
    payload.clear();
    ReplyAssembler reply;
    const LinkResult result = Exchange(frame, reply, true);
    if (result != kOk) return result;
    return JudgeQueryReply(reply.bytes(), payload);
}

int DisconnectBoard(int socket) {
    if (socket == -1) return 1;
    if (socket < 1) return 0;
    // A connection the peer already dropped (ENOTCONN) is still closed here: leaving the
    // socket open would leak it, since the caller forgets the handle either way.
    if (::shutdown(socket, SHUT_RDWR) != 0 && errno != ENOTCONN) return 0;
    return ::close(socket) == 0 ? 1 : 0;
}

int ProbeBoard(int socket) {
    if (socket < 1) return 0;
    const std::uint8_t end = kEndByte;
    return ::send(socket, &end, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1 ? 1 : 0;
}

}  // namespace vantis::link
