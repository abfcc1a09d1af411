// A safety net for tests and the simulated demo: with VANTIS_LOOPBACK_ONLY set
// (to anything but "0" or empty), nothing of this process may reach an IPv4
// address outside 127.0.0.0/8. Every place that opens traffic to a projector's
// address (link connections, echo requests) asks here first, so a test that
// goes wrong can never send packets into a real network.
#pragma once

#include <cstdint>

namespace vantis {

// True when traffic to the address (first octet in the top byte) is allowed.
bool AddressAllowed(std::uint32_t address);

}  // namespace vantis
