#include "warp_job.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "job_fields.h"

namespace vantiscore::tool {
namespace {

using nlohmann::json;

// A photo list entry: one path, or several as a list or joined with ';'.
std::string PhotoEntry(const json& value, const std::filesystem::path& base) {
    std::vector<std::string> paths;
    if (value.is_string()) {
        std::string text = value.get<std::string>();
        std::string::size_type start = 0;
        while (start < text.size()) {
            const auto end = text.find(';', start);
            paths.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
            if (end == std::string::npos) break;
            start = end + 1;
        }
    } else if (value.is_array()) {
        for (const json& item : value) paths.push_back(item.get<std::string>());
    } else {
        throw std::invalid_argument("a photo entry must be a path or a list of paths");
    }
    std::string joined;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (i > 0) joined += ';';
        joined += ResolvePath(paths[i], base);
    }
    return joined;
}

std::vector<std::string> PhotoList(const json& job, const char* key, const std::filesystem::path& base) {
    std::vector<std::string> list;
    for (const json& entry : job.at(key)) list.push_back(PhotoEntry(entry, base));
    return list;
}

float StrictFloat(const json& value) {
    const double d = value.get<double>();
    if (!std::isfinite(d) || std::fabs(d) > std::numeric_limits<float>::max()) {
        throw std::invalid_argument("a boundary coordinate is out of range");
    }
    return static_cast<float>(d);
}

}  // namespace

std::optional<WarpJobFile> ParseWarpJob(const std::string& text, const std::filesystem::path& baseFolder,
                                        std::string* error) {
    try {
        const json job = json::parse(text);
        if (!job.is_object()) {
            *error = "the job must be a JSON object";
            return std::nullopt;
        }
        WarpJobFile file;
        file.blackPhoto = ResolvePath(job.at("blackPhoto").get<std::string>(), baseFolder);
        file.whitePhotos = PhotoList(job, "whitePhotos", baseFolder);
        file.centrePhotos = PhotoList(job, "centrePhotos", baseFolder);
        file.gridPhotos = PhotoList(job, "gridPhotos", baseFolder);
        file.thresholds = job.at("thresholds").get<std::vector<double>>();
        ReadLayoutFields(job, file.whitePhotos.size(), file);
        if (job.contains("centres")) {
            const std::string centres = job.at("centres").get<std::string>();
            if (centres == "centroid")
                file.options.centres = kCentresCentroid;
            else if (centres == "box")
                file.options.centres = kCentresBox;
            else
                throw std::invalid_argument("centres must be \"centroid\" or \"box\"");
        }
        if (job.contains("boundary")) {
            for (const json& point : job.at("boundary")) {
                if (!point.is_array() || point.size() != 2) {
                    *error = "every boundary point must be [x, y]";
                    return std::nullopt;
                }
                file.boundary.emplace_back(StrictFloat(point[0]), StrictFloat(point[1]));
            }
        }
        return file;
    } catch (const std::exception& e) {
        *error = e.what();
        return std::nullopt;
    }
}

std::string WarpResultJson(const WarpResult& result, const std::int32_t photoSize[2],
                           const std::vector<WarpGrid>& warps, const std::vector<ChannelFigures>& figures) {
    json answer;
    answer["status"] = result.status;
    answer["channel"] = result.channel;
    answer["photoSize"] = {photoSize[0], photoSize[1]};
    json grids = json::array();
    for (const WarpGrid& grid : warps) {
        json points = json::array();
        for (const cv::Point2f& p : grid) points.push_back({p.x, p.y});
        grids.push_back(std::move(points));
    }
    answer["warps"] = std::move(grids);
    if (!figures.empty()) {
        json channels = json::array();
        for (const ChannelFigures& f : figures) {
            channels.push_back({{"blocksFound", f.blocksFound},
                                {"blocksExpected", f.blocksExpected},
                                {"residualRms", f.residualRms},
                                {"residualMax", f.residualMax},
                                {"extrapolationMax", f.extrapolationMax}});
        }
        answer["figures"] = std::move(channels);
    }
    return answer.dump();
}

}  // namespace vantiscore::tool
