// The reachability test made before a link to a projector is opened: up to
// six ICMP echo requests with the payload "test", each waiting up to the echo
// time-out, with a pause after every failed attempt (vantis::delays).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace vantis::model {

// One echo attempt; true when a reply with status success came back in time.
class EchoProber {
  public:
    virtual ~EchoProber() = default;
    virtual bool Echo(std::uint32_t address, std::chrono::milliseconds timeout) = 0;
};

// ICMP echo through an unprivileged ICMP datagram socket, or a raw ICMP socket
// when datagram sockets are not allowed. A socket that cannot be opened makes
// the attempt fail.
class IcmpEchoProber : public EchoProber {
  public:
    bool Echo(std::uint32_t address, std::chrono::milliseconds timeout) override;
    // Whether either kind of ICMP socket can be opened here.
    static bool Available();
};

// The test with the given prober (tests inject one).
bool IsReachable(std::uint32_t address, EchoProber& prober);
// The test with ICMP echo.
bool IsReachable(std::uint32_t address);

}  // namespace vantis::model
