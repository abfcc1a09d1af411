// The thin socket layer under the protocol: connecting to a board, the two
// exchanges on a connected socket, and the connection checks. Every wait is
// bounded by vantis::delays::ScaledTimeout(kLinkTimeout) (10 s nominal).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "link/exchanger.h"
#include "link/reply.h"
#include "vantis_link_types.h"

namespace vantis::link {

// Connects to `port` of the IPv4 address (first octet in the most significant byte),
// sets the receive and send time-outs and TCP keep-alive (30 s idle, 1 s probes).
// Returns the socket (never 0, 1 or 2: the standard streams are never handed out), or
// -1 with errno set; nothing stays open on failure. The connect is bounded by
// kLinkConnectTimeout. The address 0.0.0.0 is refused (EADDRNOTAVAIL).
int ConnectToBoard(std::uint32_t address, std::uint16_t port = kBoardPort);

// Exchanges on a connected socket (the LinkHandle). Handles below 1 are no socket:
// every exchange on them fails with 51 without touching any file descriptor.
//
// Each exchange: (1) drains whatever the board sent unasked (a late reply to an earlier
// exchange that timed out), (2) sends the frame in full, (3) reads until one whole reply
// frame has arrived or the time-out passes. Nothing is retried. Command and Query take
// only a reply that echoes the request's class and code: any other whole frame is
// thrown away and the wait goes on, so a late or stray reply is never taken as the
// answer (the exchange then ends with the time-out, 50). A malformed reply gives 2 and
// the rest of it is drained.
class SocketTransport final : public Exchanger {
  public:
    explicit SocketTransport(int socket) : socket_(socket) {}

    LinkResult Command(std::span<const std::uint8_t> frame) override;
    LinkResult Query(std::span<const std::uint8_t> frame, std::vector<std::uint8_t>& payload) override;

    // Sends the frame as one raw exchange and collects one reply frame: 0 with `reply`
    // complete, 2 when the reply is malformed or the peer closed mid-reply (`reply` holds
    // what came), 50-52 for socket errors and the time-out. For commands outside the
    // command/query pattern, such as the programs' class-0x00 frames.
    LinkResult Exchange(std::span<const std::uint8_t> frame, ReplyAssembler& reply);

    int socket() const { return socket_; }

  private:
    LinkResult Exchange(std::span<const std::uint8_t> frame, ReplyAssembler& reply, bool matchReply);

    int socket_;
};

// Shuts the connection down in both directions and closes it; 1 when closed. -1: 1 at once
// (nothing to close). Other handles below 1, and descriptors that cannot be shut down
// (not a socket): 0, nothing closed. A connection the peer already dropped is closed.
int DisconnectBoard(int socket);

// Sends the single byte 0xFF. 1 when it was sent, 0 otherwise (and for handles below 1).
int ProbeBoard(int socket);

}  // namespace vantis::link
