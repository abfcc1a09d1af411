#include "wall_lattice.h"

#if defined(WALL_LATTICE_CHAIN)
#include <vector>

#include "link/warp_lattice.h"
#include "vantis/model/source_map.h"
#endif

namespace vantiscore::wall {

#if defined(WALL_LATTICE_CHAIN)

bool LatticeChainAvailable() {
    return true;
}

wallsim::SourceLattice DownloadedLattice(const WarpGrid& warp, const PatternInfo& info) {
    // The calibration copies the grid into the forward tables, column-major.
    vantis::model::TablePairData forward;
    for (int i = 0; i < info.gridRows; ++i)
        for (int j = 0; j < info.gridColumns; ++j) {
            const cv::Point2f& p = warp[static_cast<size_t>(i * info.gridColumns + j)];
            forward.x[j][i] = p.x;
            forward.y[j][i] = p.y;
        }
    vantis::model::TablePairData source;
    if (!vantis::model::ComputeSourceMap(forward, info.width, info.height, info.gridColumns, info.gridRows,
                                         source))
        return wallsim::SourceLattice::Identity();

    const auto grid = vantis::link::PanelGridFor(info.width, info.height);
    if (!grid) return wallsim::SourceLattice::Identity();
    vantis::link::LatticeCodes codes;
    vantis::link::ComputeLattice({source.x.Columns(), source.y.Columns()}, *grid, codes);
    std::vector<uint16_t> xy;
    xy.reserve(codes.size() * 2);
    for (const vantis::link::LatticeCode& code : codes) {
        xy.push_back(code.x);
        xy.push_back(code.y);
    }
    return wallsim::SourceLattice::FromCodes(xy);
}

#else

bool LatticeChainAvailable() {
    return false;
}

wallsim::SourceLattice DownloadedLattice(const WarpGrid&, const PatternInfo&) {
    return wallsim::SourceLattice::Identity();
}

#endif

}  // namespace vantiscore::wall
