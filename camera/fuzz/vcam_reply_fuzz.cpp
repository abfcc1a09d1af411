// What the virtual camera's socket sends back is outside input: replies of any shape, picture
// headers with any sizes, pictures cut short. The client must reject them without reading past
// what it was given or allocating what a header merely claims.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "vcam_client.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 60000) return 0;  // stays within one socket buffer, so the write never blocks
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return 0;
    if (size > 0 && ::write(fds[1], data, size) != static_cast<ssize_t>(size)) {
        ::close(fds[0]);
        ::close(fds[1]);
        return 0;
    }
    ::shutdown(fds[1], SHUT_WR);
    oculet::VirtualCameraClient client;
    client.Attach(fds[0]);
    nlohmann::json reply;
    if (client.Call("INFO", reply)) {
        oculet::GrabHeader header;
        (void)oculet::ParseGrabHeader(reply, header);
        cv::Mat picture;
        std::uint64_t sequence = 0;
        (void)client.Grab(picture, sequence);
    }
    ::close(fds[1]);
    return 0;
}
