// The two kinds of exchange every link operation is built from. SocketTransport
// makes them on a board connection; tests substitute a recorder that scripts the
// replies, so that register batches and commands are checked without a network.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "vantis_link_types.h"

namespace vantis::link {

class Exchanger {
  public:
    virtual ~Exchanger() = default;

    // Sends one closed command frame and waits for its acknowledgement.
    // 0 acknowledged, 1 refused, 2 malformed reply, 50-52 socket error.
    virtual LinkResult Command(std::span<const std::uint8_t> frame) = 0;

    // Sends one closed query frame and waits for the data. On 0 `payload` holds the
    // reply's payload (never empty); on any other result it is empty.
    virtual LinkResult Query(std::span<const std::uint8_t> frame, std::vector<std::uint8_t>& payload) = 0;
};

}  // namespace vantis::link
