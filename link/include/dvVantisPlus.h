/* dvVantisPlus: the older form of the projector link, for the same engine
 * board and the same protocol as dvOrvelAuto, with fewer operations. It has no
 * connection operations: the handle is a socket already connected to port
 * 1688 of the board (as dvOrvelAutoOpen makes one). Results as in
 * vantis_link_types.h. */
#ifndef DVVANTISPLUS_H
#define DVVANTISPLUS_H

#include <stdint.h>

#include "vantis_link_tables.h"
#include "vantis_link_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Ordinals under which every export of the library is known. */
enum DvVantisPlusOrdinal {
    DVVANTISPLUS_ORD_MAKE_RECTANGLE_PATTERN = 1,
    DVVANTISPLUS_ORD_IMAGE_FREEZE = 2,
    DVVANTISPLUS_ORD_IMAGE_UNFREEZE = 3,
    DVVANTISPLUS_ORD_IMAGE_BLANK = 4,
    DVVANTISPLUS_ORD_IMAGE_UNBLANK = 5,
    DVVANTISPLUS_ORD_CLEAR_IMAGE = 7,
    DVVANTISPLUS_ORD_DISPLAY_SOLID_COLOR = 8,
    DVVANTISPLUS_ORD_CLEAR_SOLID_COLOR = 9,
    DVVANTISPLUS_ORD_DOWNLOAD_WARP = 11,
    DVVANTISPLUS_ORD_DOWNLOAD_BLEND = 12,
    DVVANTISPLUS_ORD_DRAW_VLINE = 13,
    DVVANTISPLUS_ORD_DRAW_HLINE = 14,
    DVVANTISPLUS_ORD_INIT_SYS = 101,
    DVVANTISPLUS_ORD_SAVE_SYS = 102,
    DVVANTISPLUS_ORD_RESET_SYS = 103,
    DVVANTISPLUS_ORD_CHANGE_IN_PORT = 105,
    DVVANTISPLUS_ORD_GET_ADDR = 106,
    DVVANTISPLUS_ORD_DOWNLOAD = 150,
    DVVANTISPLUS_ORD_FACTORY = 151
};
#define DVVANTISPLUS_EXPORT_COUNT 19

/* One grid node of the warp table: panel pixels. Grid column i of row j is
 * record 128 j + i. */
typedef struct {
    float x;
    float y;
} VantisPlusWarpPoint;
#define DVVANTISPLUS_RECORDS_PER_ROW 128

/* Display commands and the save sequence: the same frames as dvOrvelAuto. */
LinkResult dvVantisPlusMakeRectanglePattern(LinkHandle h, uint32_t colour, int32_t v1, int32_t v2, int32_t v3,
                                            int32_t v4, int32_t v5, int32_t v6, int32_t v7, int32_t v8,
                                            int32_t v9, int32_t v10, int32_t v11, int32_t v12, int32_t last);
LinkResult dvVantisPlusImageBlank(LinkHandle h);
LinkResult dvVantisPlusImageUnBlank(LinkHandle h);
LinkResult dvVantisPlusClearImage(LinkHandle h);
LinkResult dvVantisPlusDisplaySolidColor(LinkHandle h, uint32_t colour);
LinkResult dvVantisPlusClearSolidColor(LinkHandle h);
LinkResult dvVantisPlusDrawVLine(LinkHandle h, int32_t x, int32_t y, int32_t length, uint32_t colour);
LinkResult dvVantisPlusDrawHLine(LinkHandle h, int32_t x, int32_t y, int32_t length, uint32_t colour);
LinkResult dvVantisPlusSaveSys(LinkHandle h);

/* Operations this board form carries out without a request: no exchange, 0. */
LinkResult dvVantisPlusImageFreeze(LinkHandle h);
LinkResult dvVantisPlusImageUnFreeze(LinkHandle h);
LinkResult dvVantisPlusChangeInPort(LinkHandle h);
LinkResult dvVantisPlusGetAddr(LinkHandle h);
LinkResult dvVantisPlusDownload(LinkHandle h);
LinkResult dvVantisPlusFactory(LinkHandle h);
/* No exchange; stores 0 in *out (when out is not null) and returns 0. */
LinkResult dvVantisPlusInitSys(LinkHandle h, uint16_t* out);

/* The warp: rows 0..ceil(height/16) and columns 0..ceil(width/16) of `table`
 * streamed to the board, then the fixed tap set the measured scale picks.
 * A panel larger than 1968 x 1232 or smaller than 1 x 1, or a null table: 51,
 * nothing sent. */
LinkResult dvVantisPlusDownloadWarp(LinkHandle h, const VantisPlusWarpPoint* table, int32_t width,
                                    int32_t height);
/* Blend zones and gamma, as dvOrvelAutoDownloadBlend. */
LinkResult dvVantisPlusDownloadBlend(LinkHandle h, int32_t width, int32_t height, const BlendEdges* edges,
                                     int32_t gammaFlag, double gamma);
/* All blend zones off for the panel of a ResolutionType, as dvOrvelAutoResetSys. */
LinkResult dvVantisPlusResetSys(LinkHandle h, int32_t type);

#ifdef __cplusplus
}
#endif

#endif /* DVVANTISPLUS_H */
