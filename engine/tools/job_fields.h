// Reading the fields that `vantiscore warp` and `vantiscore boundary` job
// files share: photo paths relative to the job file, strict whole numbers, and
// the layout keys (patternType, channelCount, warpingMode, layoutColumns,
// layoutRows, overlapX, overlapY, stackCount). Malformed values throw
// std::invalid_argument with the key's name; the job parsers turn that into
// their error text.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "VantisCore.h"

namespace vantiscore::tool {

// A relative path is taken relative to the job file's folder; an empty or
// absolute one stays as it is.
std::string ResolvePath(const std::string& path, const std::filesystem::path& base);

// A whole number that fits 32 bits; 2.5 or 1e20 is refused rather than cut.
std::int32_t StrictInt(const nlohmann::json& value, const char* key);

// The key's value as a strict whole number, or fallback when the key is absent.
std::int32_t IntField(const nlohmann::json& job, const char* key, std::int32_t fallback);

// The layout keys both job files carry.
struct JobLayout {
    PatternType patternType = 0;
    std::int32_t channelCount = 0;
    WarpingMode warpingMode = kWarpingStacking;
    std::int32_t layoutColumns = 1;
    std::int32_t layoutRows = 1;
    std::int32_t overlapX = 0;
    std::int32_t overlapY = 0;
    std::int32_t stackCount = 1;
};

// Reads the layout keys; channelCount defaults to the number of white photos,
// patternType is required.
void ReadLayoutFields(const nlohmann::json& job, std::size_t whitePhotoCount, JobLayout& layout);

// The whole text of a job file, or nothing when it cannot be read.
std::optional<std::string> ReadJobText(const std::filesystem::path& path);

}  // namespace vantiscore::tool
