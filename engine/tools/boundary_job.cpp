#include "boundary_job.h"

#include <climits>
#include <cstdint>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace vantiscore::tool {
namespace {

using nlohmann::json;

std::string ResolvePath(const std::string& path, const std::filesystem::path& base) {
    if (path.empty() || std::filesystem::path(path).is_absolute()) return path;
    return (base / path).string();
}

std::int32_t StrictInt(const json& job, const char* key, std::int32_t fallback) {
    if (!job.contains(key)) return fallback;
    const json& value = job.at(key);
    if (value.is_number_integer()) {
        if (value.is_number_unsigned()
                ? value.get<std::uint64_t>() <= INT32_MAX
                : value.get<std::int64_t>() >= INT32_MIN && value.get<std::int64_t>() <= INT32_MAX) {
            return static_cast<std::int32_t>(value.get<std::int64_t>());
        }
    }
    throw std::invalid_argument(std::string(key) + " must be a 32-bit whole number");
}

}  // namespace

std::optional<BoundaryJobFile> ParseBoundaryJob(const std::string& text,
                                                const std::filesystem::path& baseFolder, std::string* error) {
    try {
        const json job = json::parse(text);
        if (!job.is_object()) {
            *error = "the job must be a JSON object";
            return std::nullopt;
        }
        BoundaryJobFile file;
        file.blackPhoto = ResolvePath(job.at("blackPhoto").get<std::string>(), baseFolder);
        for (const json& entry : job.at("whitePhotos")) {
            if (!entry.is_string()) throw std::invalid_argument("every white photo must be one path");
            file.whitePhotos.push_back(ResolvePath(entry.get<std::string>(), baseFolder));
        }
        if (!job.contains("patternType")) throw std::invalid_argument("patternType is missing");
        file.patternType = StrictInt(job, "patternType", 0);
        file.channelCount =
            StrictInt(job, "channelCount", static_cast<std::int32_t>(file.whitePhotos.size()));
        file.warpingMode = StrictInt(job, "warpingMode", kWarpingStacking);
        file.layoutColumns = StrictInt(job, "layoutColumns", 1);
        file.layoutRows = StrictInt(job, "layoutRows", 1);
        file.overlapX = StrictInt(job, "overlapX", 0);
        file.overlapY = StrictInt(job, "overlapY", 0);
        file.stackCount = StrictInt(job, "stackCount", 1);
        if (job.contains("keepAspect")) {
            if (!job.at("keepAspect").is_boolean())
                throw std::invalid_argument("keepAspect must be true or false");
            file.keepAspect = job.at("keepAspect").get<bool>();
        }
        return file;
    } catch (const std::exception& e) {
        *error = e.what();
        return std::nullopt;
    }
}

std::string BoundaryResultJson(const BoundaryResult& result, const BoundaryGrid& boundary) {
    json answer;
    answer["status"] = result.status;
    answer["channel"] = result.channel;
    answer["aspectRatio"] = result.aspectRatio;
    json points = json::array();
    if (result.status == kBoundaryOk)
        for (const cv::Point2f& p : boundary) points.push_back({p.x, p.y});
    answer["boundary"] = std::move(points);
    return answer.dump();
}

const char* BoundaryStatusText(BoundaryStatus status) {
    switch (status) {
        case kBoundaryOk:
            return "ok";
        case kBoundaryPhotoUnreadable:
            return "a photo cannot be read or differs in size from the black photo";
        case kBoundaryBadArguments:
            return "the job does not fit its channel count, layout or pattern type";
        case kBoundaryNoLight:
            return "a white photo shows no projector light";
        case kBoundarySaturated:
            return "a photo is saturated; lower the exposure";
        case kBoundaryRegionAtEdge:
            return "a projector's light touches the photo edge";
        case kBoundaryNoFit:
            return "the projectors' light leaves no room for a boundary";
        default:
            return "failure";
    }
}

}  // namespace vantiscore::tool
