// Small value types of the camera library's interface.
#pragma once

namespace oculet {

struct CSize {
    int cx = 0;
    int cy = 0;
    bool operator==(const CSize&) const = default;
};

struct CPoint {
    int x = 0;
    int y = 0;
    bool operator==(const CPoint&) const = default;
};

}  // namespace oculet
