/* Table and blend-zone records that callers hand to the projector-link
 * libraries' warp and blend downloads. Plain C. */
#ifndef VANTIS_LINK_TABLES_H
#define VANTIS_LINK_TABLES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A pair of caller-owned float tables, indexed x[column][row] and y[column][row],
 * in panel pixels. Grid column i lies at panel x = 16 i, grid row j at y = 16 j.
 * The library only reads them. */
typedef struct {
    float** x;
    float** y;
} TablePair;

/* The four edge-blend zones of a panel: left, right, top, bottom, each as
 * enable (non-zero: the zone has a ramp), start (first panel column for
 * left/right, first row for top/bottom) and width (pixels, at least 2 when
 * enabled). Only the low 16 bits of start and width reach the board. */
typedef struct {
    int32_t v[12];
} BlendEdges;

#ifdef __cplusplus
}
#endif

#endif /* VANTIS_LINK_TABLES_H */
