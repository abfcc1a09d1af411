// dvOrvelAuto: display commands and the save sequence.
#include "dvOrvelAuto.h"
#include "link/display_commands.h"
#include "link/socket_transport.h"

using namespace vantis::link;

namespace {

PatternGeometry Geometry(int32_t v1, int32_t v2, int32_t v3, int32_t v4, int32_t v5, int32_t v6, int32_t v7,
                         int32_t v8, int32_t v9, int32_t v10, int32_t v11, int32_t v12, int32_t last) {
    return {{v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11, v12}, last};
}

}  // namespace

extern "C" {

LinkResult dvOrvelAutoMakeRectanglePattern(LinkHandle h, uint32_t colour, int32_t v1, int32_t v2, int32_t v3,
                                           int32_t v4, int32_t v5, int32_t v6, int32_t v7, int32_t v8,
                                           int32_t v9, int32_t v10, int32_t v11, int32_t v12, int32_t last) {
    SocketTransport link(h);
    return DrawPattern(link, h, PatternShape::kRectangle, colour,
                       Geometry(v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11, v12, last));
}

LinkResult dvOrvelAutoCirclePattern(LinkHandle h, uint32_t colour, int32_t v1, int32_t v2, int32_t v3,
                                    int32_t v4, int32_t v5, int32_t v6, int32_t v7, int32_t v8, int32_t v9,
                                    int32_t v10, int32_t v11, int32_t v12, int32_t last) {
    SocketTransport link(h);
    return DrawPattern(link, h, PatternShape::kCircle, colour,
                       Geometry(v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11, v12, last));
}

LinkResult dvOrvelAutoImageBlank(LinkHandle h) {
    SocketTransport link(h);
    return ImageBlank(link, h);
}

LinkResult dvOrvelAutoImageUnBlank(LinkHandle h) {
    SocketTransport link(h);
    return ImageUnBlank(link, h);
}

LinkResult dvOrvelAutoClearImage(LinkHandle h) {
    SocketTransport link(h);
    return ClearImage(link, h);
}

LinkResult dvOrvelAutoDisplaySolidColor(LinkHandle h, uint32_t colour) {
    SocketTransport link(h);
    return DisplaySolidColour(link, h, colour);
}

LinkResult dvOrvelAutoClearSolidColor(LinkHandle h) {
    SocketTransport link(h);
    return ClearSolidColour(link, h);
}

LinkResult dvOrvelAutoDrawVLine(LinkHandle h, int32_t x, int32_t y, int32_t length, uint32_t colour) {
    SocketTransport link(h);
    return DrawLine(link, h, LineDirection::kVertical, x, y, length, colour);
}

LinkResult dvOrvelAutoDrawHLine(LinkHandle h, int32_t x, int32_t y, int32_t length, uint32_t colour) {
    SocketTransport link(h);
    return DrawLine(link, h, LineDirection::kHorizontal, x, y, length, colour);
}

LinkResult dvOrvelAutoSaveSys(LinkHandle h) {
    SocketTransport link(h);
    return SaveSettings(link, h);
}

}  // extern "C"
