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
    std::function<WarpResult(const std::string&, const std::vector<std::string>&, const std::vector<std::string>&,
                             const std::vector<std::string>&, const std::vector<double>&, PatternType, std::int32_t,
                             WarpingMode, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                             const BoundaryGrid&, std::int32_t*, std::vector<WarpGrid>*)>
        doImageWarping = AutoDoImageWarping;
    std::function<std::int32_t(const std::string& black, const std::string& white, ExposureVerdict* verdict)> autoTune =
        AutoTune;
};

}  // namespace vantis::calibration
