// The job file of `vantiscore boundary`: the same JSON object as the warp
// job's (blackPhoto, whitePhotos, patternType, channelCount, warpingMode,
// layoutColumns, layoutRows, overlapX, overlapY, stackCount); keys it does
// not use (centrePhotos, gridPhotos, thresholds, boundary) are allowed, and
// "keepAspect" (true or false) is its own.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "VantisCore.h"
#include "job_fields.h"

namespace vantiscore::tool {

struct BoundaryJobFile : JobLayout {
    std::string blackPhoto;
    std::vector<std::string> whitePhotos;
    bool keepAspect = false;
};

// Parses the job text; relative photo paths are taken relative to baseFolder.
std::optional<BoundaryJobFile> ParseBoundaryJob(const std::string& text,
                                                const std::filesystem::path& baseFolder, std::string* error);

// {"status": S, "channel": C, "aspectRatio": A, "boundary": [[x, y], …]}
// (the boundary empty on failure).
std::string BoundaryResultJson(const BoundaryResult& result, const BoundaryGrid& boundary);

// What a failure status means, for messages.
const char* BoundaryStatusText(BoundaryStatus status);

}  // namespace vantiscore::tool
