/* dvOrvelAuto: the projector link to the warp-and-blend engine boards.
 *
 * Every operation is one or more request/reply exchanges on the connection's
 * socket, made and finished within the call. The library keeps no state per
 * connection, creates no threads and takes no locks: calls on one handle must
 * not overlap. Each exchange may block for up to the link time-out (10 s).
 *
 * Colours are 0x00RRGGBB. Addresses are IPv4 with the first octet in the most
 * significant byte (127.0.0.11 is 0x7F00000B). */
#ifndef DVORVELAUTO_H
#define DVORVELAUTO_H

#include <stdint.h>

#include "vantis_link_tables.h"
#include "vantis_link_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Ordinals under which every export of the library is known. Callers that
 * keep tables by ordinal rely on these numbers; 204-209, 212, 214, 215, 223
 * and 226-234 are unassigned. */
enum DvOrvelAutoOrdinal {
    DVORVELAUTO_ORD_OPEN = 200,
    DVORVELAUTO_ORD_DISCONNECT = 201,
    DVORVELAUTO_ORD_IS_ALIVE = 202,
    DVORVELAUTO_ORD_GET_VERSION = 203,
    DVORVELAUTO_ORD_MAKE_RECTANGLE_PATTERN = 210,
    DVORVELAUTO_ORD_DOWNLOAD_WARP = 211,
    DVORVELAUTO_ORD_CIRCLE_PATTERN = 213,
    DVORVELAUTO_ORD_RESET_EDGE_BLEND_GAMMA = 216,
    DVORVELAUTO_ORD_ENABLE_UNIFORMITY = 217,
    DVORVELAUTO_ORD_ENABLE_BLACK_LEVEL = 218,
    DVORVELAUTO_ORD_ENABLE_GLOBAL_CONTRAST = 219,
    DVORVELAUTO_ORD_READ_UNIFORMITY = 220,
    DVORVELAUTO_ORD_READ_GLOBAL_CONTRAST = 221,
    DVORVELAUTO_ORD_READ_BLACK_LEVEL = 222,
    DVORVELAUTO_ORD_SAVE_SYS = 224,
    DVORVELAUTO_ORD_RESET_SYS = 225,
    DVORVELAUTO_ORD_IMAGE_BLANK = 235,
    DVORVELAUTO_ORD_IMAGE_UNBLANK = 236,
    DVORVELAUTO_ORD_CLEAR_IMAGE = 237,
    DVORVELAUTO_ORD_DISPLAY_SOLID_COLOR = 238,
    DVORVELAUTO_ORD_CLEAR_SOLID_COLOR = 239,
    DVORVELAUTO_ORD_DOWNLOAD_BLEND = 240,
    DVORVELAUTO_ORD_DRAW_VLINE = 241,
    DVORVELAUTO_ORD_DRAW_HLINE = 242
};
#define DVORVELAUTO_EXPORT_COUNT 24

/* TCP port of every engine board. */
#define DVORVELAUTO_BOARD_PORT 1688

/* --- Connection ------------------------------------------------------------ */

/* Connects to port 1688 of the board; the socket is the handle, 0 on any failure. */
LinkHandle dvOrvelAutoOpen(uint32_t address);
/* Shuts the connection down and closes it: 1 closed (or -1, nothing to close), 0 failed. */
int32_t dvOrvelAutoDisconnect(LinkHandle h);
/* Sends one bare end byte: 1 when the platform still takes data on the socket, else 0. */
int32_t dvOrvelAutoIsAlive(LinkHandle h);
/* Version words of the board, as it sends them: two[0], two[1] from one query, *one from
 * another. All outputs are set to 0 first; a failed query leaves its output 0. Null
 * pointers are allowed and skipped. */
void dvOrvelAutoGetVersion(LinkHandle h, uint32_t two[2], uint32_t* one);

/* --- Display commands ------------------------------------------------------ */

/* Block pattern of rectangles (circles): colour, then twelve values of which the low
 * 16 bits are sent (block size, pitch, offsets, first/last column and row, two further
 * values), then one byte `last` (low 8 bits). */
LinkResult dvOrvelAutoMakeRectanglePattern(LinkHandle h, uint32_t colour, int32_t v1, int32_t v2, int32_t v3,
                                           int32_t v4, int32_t v5, int32_t v6, int32_t v7, int32_t v8,
                                           int32_t v9, int32_t v10, int32_t v11, int32_t v12, int32_t last);
LinkResult dvOrvelAutoCirclePattern(LinkHandle h, uint32_t colour, int32_t v1, int32_t v2, int32_t v3,
                                    int32_t v4, int32_t v5, int32_t v6, int32_t v7, int32_t v8, int32_t v9,
                                    int32_t v10, int32_t v11, int32_t v12, int32_t last);
LinkResult dvOrvelAutoImageBlank(LinkHandle h);
LinkResult dvOrvelAutoImageUnBlank(LinkHandle h);
LinkResult dvOrvelAutoClearImage(LinkHandle h);
LinkResult dvOrvelAutoDisplaySolidColor(LinkHandle h, uint32_t colour);
LinkResult dvOrvelAutoClearSolidColor(LinkHandle h);
/* A line of `length` panel pixels from (x, y): down for V, to the right for H. */
LinkResult dvOrvelAutoDrawVLine(LinkHandle h, int32_t x, int32_t y, int32_t length, uint32_t colour);
LinkResult dvOrvelAutoDrawHLine(LinkHandle h, int32_t x, int32_t y, int32_t length, uint32_t colour);
/* Makes the board store its current settings permanently (eight steps; stops at the
 * first step that fails and returns its result). */
LinkResult dvOrvelAutoSaveSys(LinkHandle h);

/* --- Warp, blend and picture corrections ------------------------------------ */

/* Downloads a warp: the source map (`source`, columns 0..ceil(width/16), rows 0..77)
 * converted to the board's 128 x 78 lattice, and the two resampling filters derived
 * from how much the forward warp (`forward`, columns 0..ceil(width/16), rows
 * 0..ceil(height/16)) shrinks the picture. About 43 exchanges. A panel larger than
 * the lattice holds (1968 x 1232) or smaller than 1 x 1, or a null table, array or
 * column: 51 (invalid argument), nothing sent. */
LinkResult dvOrvelAutoDownloadWarp(LinkHandle h, const TablePair* forward, const TablePair* source,
                                   int32_t width, int32_t height);
/* Blend zones, their ramps and enable flags, and the blend gamma (sent as
 * gamma x 100 when gammaFlag is 1; the flag itself is always sent). width and height
 * are not used. Null edges or an enabled zone narrower than 2: 51, nothing sent. */
LinkResult dvOrvelAutoDownloadBlend(LinkHandle h, int32_t width, int32_t height, const BlendEdges* edges,
                                    int32_t gammaFlag, double gamma);
/* All blend zones off for the panel of a ResolutionType (low 8 bits), gamma mode 0.
 * The two operations are the same. */
LinkResult dvOrvelAutoResetSys(LinkHandle h, int32_t type);
LinkResult dvOrvelAutoResetEdgeBlendGamma(LinkHandle h, int32_t type);
/* Switch a picture correction: the low 8 bits of `on` are sent unchanged. */
LinkResult dvOrvelAutoEnableUniformity(LinkHandle h, int32_t on);
LinkResult dvOrvelAutoEnableBlackLevel(LinkHandle h, int32_t on);
LinkResult dvOrvelAutoEnableGlobalContrast(LinkHandle h, int32_t on);
/* Whether a correction is on: *out is 1 or 0; 0 as well when the board cannot be read.
 * A null `out` is left alone and nothing is sent. */
void dvOrvelAutoReadUniformity(LinkHandle h, uint8_t* out);
void dvOrvelAutoReadGlobalContrast(LinkHandle h, uint8_t* out);
void dvOrvelAutoReadBlackLevel(LinkHandle h, uint8_t* out);

#ifdef __cplusplus
}
#endif

#endif /* DVORVELAUTO_H */
