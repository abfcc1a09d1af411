// Arguments the board cannot take are refused before any exchange. The result
// is that of the platform's "invalid argument" socket error (10022), 51 in the
// bad-call group, so callers that only know the link's result codes still see
// a failure of the call itself and nothing on the wire.
#pragma once

#include "link/result.h"

namespace vantis::link {

inline constexpr LinkResult kArgumentRefused = kConnectionError;
static_assert(kArgumentRefused != kOk);

// A caller's pair of column tables with at least columns 0..lastColumn: the
// pair, both column arrays and every column pointer up to lastColumn set.
inline bool ColumnTablesUsable(const float* const* x, const float* const* y, int lastColumn) {
    if (x == nullptr || y == nullptr) return false;
    for (int i = 0; i <= lastColumn; ++i)
        if (x[i] == nullptr || y[i] == nullptr) return false;
    return true;
}

}  // namespace vantis::link
