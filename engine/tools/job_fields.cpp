#include "job_fields.h"

#include <climits>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vantiscore::tool {

std::string ResolvePath(const std::string& path, const std::filesystem::path& base) {
    if (path.empty() || std::filesystem::path(path).is_absolute()) return path;
    return (base / path).string();
}

std::int32_t StrictInt(const nlohmann::json& value, const char* key) {
    if (value.is_number_integer()) {
        const bool fits = value.is_number_unsigned() ? value.get<std::uint64_t>() <= INT32_MAX
                                                     : value.get<std::int64_t>() >= INT32_MIN &&
                                                           value.get<std::int64_t>() <= INT32_MAX;
        if (fits) return static_cast<std::int32_t>(value.get<std::int64_t>());
    }
    throw std::invalid_argument(std::string(key) + " must be a 32-bit whole number");
}

std::int32_t IntField(const nlohmann::json& job, const char* key, std::int32_t fallback) {
    if (!job.contains(key)) return fallback;
    return StrictInt(job.at(key), key);
}

void ReadLayoutFields(const nlohmann::json& job, std::size_t whitePhotoCount, JobLayout& layout) {
    if (!job.contains("patternType")) throw std::invalid_argument("patternType is missing");
    layout.patternType = StrictInt(job.at("patternType"), "patternType");
    layout.channelCount = IntField(job, "channelCount", static_cast<std::int32_t>(whitePhotoCount));
    layout.warpingMode = IntField(job, "warpingMode", kWarpingStacking);
    layout.layoutColumns = IntField(job, "layoutColumns", 1);
    layout.layoutRows = IntField(job, "layoutRows", 1);
    layout.overlapX = IntField(job, "overlapX", 0);
    layout.overlapY = IntField(job, "overlapY", 0);
    layout.stackCount = IntField(job, "stackCount", 1);
}

std::optional<std::string> ReadJobText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    if (!in || !(text << in.rdbuf())) return std::nullopt;
    return text.str();
}

}  // namespace vantiscore::tool
