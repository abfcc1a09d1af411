// dvOrvelAuto: connection operations.
#include "dvOrvelAuto.h"
#include "link/socket_transport.h"
#include "link/version_query.h"

using namespace vantis::link;

extern "C" {

LinkHandle dvOrvelAutoOpen(uint32_t address) {
    const int socket = ConnectToBoard(address, kBoardPort);
    return socket < 0 ? 0 : socket;
}

int32_t dvOrvelAutoDisconnect(LinkHandle h) {
    return DisconnectBoard(h);
}

int32_t dvOrvelAutoIsAlive(LinkHandle h) {
    return ProbeBoard(h);
}

void dvOrvelAutoGetVersion(LinkHandle h, uint32_t two[2], uint32_t* one) {
    SocketTransport link(h);
    ReadVersionWords(link, two, one);
}

}  // extern "C"
