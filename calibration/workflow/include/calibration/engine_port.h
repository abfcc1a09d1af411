// The engine operations the workflows call, as replaceable functions: the real
// VantisCore exports by default, a test's own where it wants fixed answers.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "VantisCore.h"

namespace vantis::calibration {

struct EngineCalls {
    std::function<PatternInfo(bool engineBoardGrid, PatternType type)> patternInfo = AutoWarpGetPatternInfo;
    std::function<std::int32_t(const std::string& photoA, const std::string& photoB, cv::Mat* difference,
                               double* threshold, std::int32_t mode)>
        calThreshold = AutoWarpCalThreshold;
    std::function<WarpResult(const std::string&, const std::vector<std::string>&,
                             const std::vector<std::string>&, const std::vector<std::string>&,
                             const std::vector<double>&, PatternType, std::int32_t, WarpingMode, std::int32_t,
                             std::int32_t, std::int32_t, std::int32_t, std::int32_t, const BoundaryGrid&,
                             std::int32_t*, std::vector<WarpGrid>*)>
        doImageWarping = AutoDoImageWarping;
    // The same computation with the engine's figures of every channel (blocks
    // found, fit residual, extrapolation). ComputeWarps calls it while
    // doImageWarping is still the library's own; a replaced doImageWarping (a
    // test's fixed answers) is called as it is and gives no figures.
    std::function<WarpResult(
        const std::string&, const std::vector<std::string>&, const std::vector<std::string>&,
        const std::vector<std::string>&, const std::vector<double>&, PatternType, std::int32_t, WarpingMode,
        std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, const BoundaryGrid&,
        const WarpOptions&, std::int32_t*, std::vector<WarpGrid>*, std::vector<ChannelFigures>*)>
        doImageWarpingWithFigures = AutoDoImageWarpingEx;
    std::function<std::int32_t(const std::string& black, const std::string& white, ExposureVerdict* verdict)>
        autoTune = AutoTune;
    std::function<BoundaryResult(const std::string& black, const std::vector<std::string>& whites,
                                 PatternType, std::int32_t channelCount, WarpingMode, std::int32_t columns,
                                 std::int32_t rows, std::int32_t overlapX, std::int32_t overlapY,
                                 std::int32_t stackCount, bool keepAspect, BoundaryGrid* boundary)>
        findBoundary = AutoWarpFindBoundary;
};

// True while doImageWarping is the library's own, so that the computation
// with figures stands for it. A wrapper that only watches the computation
// wraps doImageWarpingWithFigures then, and leaves doImageWarping alone.
inline bool UsesLibraryWarping(const EngineCalls& calls) {
    using LibraryWarping = decltype(&AutoDoImageWarping);
    const LibraryWarping* library = calls.doImageWarping.target<LibraryWarping>();
    return library && *library == &AutoDoImageWarping && calls.doImageWarpingWithFigures;
}

}  // namespace vantis::calibration
