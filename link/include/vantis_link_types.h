/* Types and result codes shared by the projector-link libraries (dvOrvelAuto and
 * dvVantisPlus). Plain C so that any caller can include it. */
#ifndef VANTIS_LINK_TYPES_H
#define VANTIS_LINK_TYPES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The connected TCP socket to an engine board. 0: opening failed (no connection).
 * -1: no socket; exchanges on it fail without touching the network. */
typedef int32_t LinkHandle;

/* Result of every acknowledged link operation. */
typedef int32_t LinkResult;

enum {
    LINK_RESULT_OK = 0,           /* acknowledged (0x01), or a valid non-empty query reply */
    LINK_RESULT_REFUSED = 1,      /* acknowledgement other than 0x01 */
    LINK_RESULT_MALFORMED = 2,    /* bad start byte, length above 2048, missing end byte,
                                     acknowledgement length not 1, empty query reply */
    LINK_RESULT_NETWORK = 50,     /* network or subsystem unavailable; time-outs */
    LINK_RESULT_CONNECTION = 51,  /* bad call or connection broken */
    LINK_RESULT_SOCKET_OTHER = 52 /* any other socket error */
};

#ifdef __cplusplus
}
#endif

#endif /* VANTIS_LINK_TYPES_H */
