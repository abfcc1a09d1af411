// dvOrvelAuto: warp download, blend download and reset, picture corrections.
#include "dvOrvelAuto.h"
#include "link/blend_download.h"
#include "link/socket_transport.h"
#include "link/warp_download.h"

using namespace vantis::link;

namespace {

LinkResult Enable(LinkHandle h, Correction c, int32_t on) {
    SocketTransport link(h);
    return EnableCorrection(link, c, on);
}

void Read(LinkHandle h, Correction c, uint8_t* out) {
    if (out == nullptr) return;  // nowhere to store: nothing to ask the board
    SocketTransport link(h);
    *out = ReadCorrection(link, c);
}

}  // namespace

extern "C" {

LinkResult dvOrvelAutoDownloadWarp(LinkHandle h, const TablePair* forward, const TablePair* source,
                                   int32_t width, int32_t height) {
    SocketTransport link(h);
    return DownloadWarpChecked(link, forward ? forward->x : nullptr, forward ? forward->y : nullptr,
                               source ? source->x : nullptr, source ? source->y : nullptr, width, height);
}

LinkResult dvOrvelAutoDownloadBlend(LinkHandle h, int32_t width, int32_t height, const BlendEdges* edges,
                                    int32_t gammaFlag, double gamma) {
    (void)width;  // the zones carry their own positions; the panel size is not needed
    (void)height;
    SocketTransport link(h);
    return DownloadBlendChecked(link, h, edges ? edges->v : nullptr, gammaFlag, gamma);
}

LinkResult dvOrvelAutoResetSys(LinkHandle h, int32_t type) {
    SocketTransport link(h);
    return ResetBlend(link, h, type);
}

LinkResult dvOrvelAutoResetEdgeBlendGamma(LinkHandle h, int32_t type) {
    SocketTransport link(h);
    return ResetBlend(link, h, type);
}

LinkResult dvOrvelAutoEnableUniformity(LinkHandle h, int32_t on) {
    return Enable(h, Correction::kUniformity, on);
}
LinkResult dvOrvelAutoEnableBlackLevel(LinkHandle h, int32_t on) {
    return Enable(h, Correction::kBlackLevel, on);
}
LinkResult dvOrvelAutoEnableGlobalContrast(LinkHandle h, int32_t on) {
    return Enable(h, Correction::kGlobalContrast, on);
}

void dvOrvelAutoReadUniformity(LinkHandle h, uint8_t* out) {
    Read(h, Correction::kUniformity, out);
}
void dvOrvelAutoReadGlobalContrast(LinkHandle h, uint8_t* out) {
    Read(h, Correction::kGlobalContrast, out);
}
void dvOrvelAutoReadBlackLevel(LinkHandle h, uint8_t* out) {
    Read(h, Correction::kBlackLevel, out);
}

}  // extern "C"
