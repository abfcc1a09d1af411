#include "boundary_job.h"

#include <stdexcept>

#include <nlohmann/json.hpp>

#include "job_fields.h"

namespace vantiscore::tool {

using nlohmann::json;

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
        ReadLayoutFields(job, file.whitePhotos.size(), file);
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
