// dvVantisPlus: the older link's exports, each a thin call into the shared
// protocol core.
#include "dvVantisPlus.h"
#include "link/blend_download.h"
#include "link/display_commands.h"
#include "link/result.h"
#include "link/socket_transport.h"
#include "link/trace.h"
#include "link/warp_download.h"

using namespace vantis::link;

extern "C" {

LinkResult dvVantisPlusMakeRectanglePattern(LinkHandle h, uint32_t colour, int32_t v1, int32_t v2, int32_t v3,
                                            int32_t v4, int32_t v5, int32_t v6, int32_t v7, int32_t v8,
                                            int32_t v9, int32_t v10, int32_t v11, int32_t v12, int32_t last) {
    SocketTransport link(h);
    return DrawPattern(link, h, PatternShape::kRectangle, colour,
                       PatternGeometry{{v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11, v12}, last});
}

LinkResult dvVantisPlusImageBlank(LinkHandle h) {
    SocketTransport link(h);
    return ImageBlank(link, h);
}

LinkResult dvVantisPlusImageUnBlank(LinkHandle h) {
    SocketTransport link(h);
    return ImageUnBlank(link, h);
}

LinkResult dvVantisPlusClearImage(LinkHandle h) {
    SocketTransport link(h);
    return ClearImage(link, h);
}

LinkResult dvVantisPlusDisplaySolidColor(LinkHandle h, uint32_t colour) {
    SocketTransport link(h);
    return DisplaySolidColour(link, h, colour);
}

LinkResult dvVantisPlusClearSolidColor(LinkHandle h) {
    SocketTransport link(h);
    return ClearSolidColour(link, h);
}

LinkResult dvVantisPlusDrawVLine(LinkHandle h, int32_t x, int32_t y, int32_t length, uint32_t colour) {
    SocketTransport link(h);
    return DrawLine(link, h, LineDirection::kVertical, x, y, length, colour);
}

LinkResult dvVantisPlusDrawHLine(LinkHandle h, int32_t x, int32_t y, int32_t length, uint32_t colour) {
    SocketTransport link(h);
    return DrawLine(link, h, LineDirection::kHorizontal, x, y, length, colour);
}

LinkResult dvVantisPlusSaveSys(LinkHandle h) {
    SocketTransport link(h);
    return SaveSettings(link, h);
}

// One body for the six operations that need no request.
LinkResult dvVantisPlusImageFreeze(LinkHandle) {
    return kOk;
}
LinkResult dvVantisPlusImageUnFreeze(LinkHandle) __attribute__((alias("dvVantisPlusImageFreeze")));
LinkResult dvVantisPlusChangeInPort(LinkHandle) __attribute__((alias("dvVantisPlusImageFreeze")));
LinkResult dvVantisPlusGetAddr(LinkHandle) __attribute__((alias("dvVantisPlusImageFreeze")));
LinkResult dvVantisPlusDownload(LinkHandle) __attribute__((alias("dvVantisPlusImageFreeze")));
LinkResult dvVantisPlusFactory(LinkHandle) __attribute__((alias("dvVantisPlusImageFreeze")));

LinkResult dvVantisPlusInitSys(LinkHandle h, uint16_t* out) {
    Trace("dvVantisPlusInitSys, %x\n", static_cast<unsigned>(h));
    if (out != nullptr) *out = 0;
    return kOk;
}

LinkResult dvVantisPlusDownloadWarp(LinkHandle h, const VantisPlusWarpPoint* table, int32_t width,
                                    int32_t height) {
    Trace("dvVantisPlusDownloadWarp, %x\n", static_cast<unsigned>(h));
    SocketTransport link(h);
    return DownloadLegacyWarpChecked(link, table, width, height);
}

LinkResult dvVantisPlusDownloadBlend(LinkHandle h, int32_t width, int32_t height, const BlendEdges* edges,
                                     int32_t gammaFlag, double gamma) {
    (void)width;  // the zones carry their own positions
    (void)height;
    SocketTransport link(h);
    return DownloadBlendChecked(link, h, edges ? edges->v : nullptr, gammaFlag, gamma);
}

LinkResult dvVantisPlusResetSys(LinkHandle h, int32_t type) {
    SocketTransport link(h);
    return ResetBlend(link, h, type);
}

}  // extern "C"
