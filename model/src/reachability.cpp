#include "vantis/model/reachability.h"

#include "vantis/loopback_guard.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "vantis/delays.h"
#include "vantis/ipv4.h"
#include "vantis/log.h"

namespace vantis::model {

namespace {

constexpr char kPayload[4] = {'t', 'e', 's', 't'};

std::uint16_t Checksum(const std::uint8_t* data, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
    if (size % 2) sum += static_cast<std::uint32_t>(data[size - 1] << 8);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

struct Socket {
    int fd = -1;
    bool raw = false;
    ~Socket() {
        if (fd >= 0) ::close(fd);
    }
};

Socket OpenIcmpSocket() {
    Socket s;
    s.fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (s.fd < 0) {
        s.fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        s.raw = s.fd >= 0;
    }
    return s;
}

std::atomic<std::uint16_t> nextSequence{1};

}  // namespace

bool IcmpEchoProber::Available() {
    return OpenIcmpSocket().fd >= 0;
}

bool IcmpEchoProber::Echo(std::uint32_t address, std::chrono::milliseconds timeout) {
    // Tests and the simulated demo run with the loopback-only guard on.
    if (!vantis::AddressAllowed(address)) return false;
    Socket s = OpenIcmpSocket();
    if (s.fd < 0) {
        vantis::log::SystemError("model", "no ICMP socket for the echo test", errno);
        return false;
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(address);

    const std::uint16_t identifier = static_cast<std::uint16_t>(::getpid());
    const std::uint16_t sequence = nextSequence++;
    std::uint8_t request[8 + sizeof kPayload] = {ICMP_ECHO, 0, 0, 0};
    request[4] = identifier >> 8;
    request[5] = identifier & 0xFF;
    request[6] = sequence >> 8;
    request[7] = sequence & 0xFF;
    std::memcpy(request + 8, kPayload, sizeof kPayload);
    const std::uint16_t sum = Checksum(request, sizeof request);
    request[2] = sum >> 8;
    request[3] = sum & 0xFF;
    if (::sendto(s.fd, request, sizeof request, 0, reinterpret_cast<const sockaddr*>(&target),
                 sizeof target) != static_cast<ssize_t>(sizeof request)) {
        const int error = errno;
        vantis::log::SystemError("model", "echo request to " + vantis::FormatIpv4(address) + " not sent",
                                 error);
        return false;
    }

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{s.fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        std::uint8_t reply[128];
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t got =
            ::recvfrom(s.fd, reply, sizeof reply, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            const int error = errno;
            vantis::log::SystemError("model", "echo reply from " + vantis::FormatIpv4(address) + " not read",
                                     error);
            return false;
        }
        if (from.sin_addr.s_addr != target.sin_addr.s_addr) continue;
        std::size_t offset = 0;
        if (s.raw) {
            if (got < 20) continue;
            offset = static_cast<std::size_t>(reply[0] & 0x0F) * 4;  // the IP header comes first
        }
        if (static_cast<std::size_t>(got) < offset + 8) continue;
        const std::uint8_t* icmp = reply + offset;
        if (icmp[0] != ICMP_ECHOREPLY) continue;
        // Datagram sockets get the identifier from the kernel; raw ones carry ours.
        if (s.raw && (icmp[4] != (identifier >> 8) || icmp[5] != (identifier & 0xFF))) continue;
        if (icmp[6] != (sequence >> 8) || icmp[7] != (sequence & 0xFF)) continue;
        return true;
    }
}

bool IsReachable(std::uint32_t address, EchoProber& prober) {
    for (int attempt = 0; attempt < delays::kEchoAttempts; ++attempt) {
        if (prober.Echo(address, delays::ScaledTimeout(delays::kEchoTimeout))) return true;
        delays::Sleep(delays::kEchoRetryWait);
    }
    return false;
}

bool IsReachable(std::uint32_t address) {
    IcmpEchoProber prober;
    return IsReachable(address, prober);
}

}  // namespace vantis::model
