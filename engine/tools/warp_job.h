// The job file of `vantiscore warp`: a JSON object whose keys are the
// parameter names of AutoDoImageWarping.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "VantisCore.h"
#include "job_fields.h"

namespace vantiscore::tool {

struct WarpJobFile : JobLayout {
    std::string blackPhoto;
    std::vector<std::string> whitePhotos;
    std::vector<std::string> centrePhotos;  // per channel, paths joined with ';'
    std::vector<std::string> gridPhotos;    // per channel, paths joined with ';'
    std::vector<double> thresholds;
    BoundaryGrid boundary;
    WarpOptions options;  // "centres": "centroid" (default) or "box"
};

// Parses the job text. Relative photo paths are taken relative to baseFolder.
// On a malformed job returns nothing and writes the reason to *error.
std::optional<WarpJobFile> ParseWarpJob(const std::string& text, const std::filesystem::path& baseFolder,
                                        std::string* error);

// The JSON answer of `vantiscore warp`: status, channel, photo size, warps
// and, when there are any, the figures of every channel.
std::string WarpResultJson(const WarpResult& result, const std::int32_t photoSize[2],
                           const std::vector<WarpGrid>& warps,
                           const std::vector<ChannelFigures>& figures = {});

}  // namespace vantiscore::tool
