// Plausibility of a document read from a file. The file format has no checksum
// (stored files rely on that), so a damaged or forged file is caught by what it
// says instead: values no program ever writes.
#pragma once

#include <cstdint>
#include <string>

#include "vantis/model/document.h"

namespace vantis::model {

// The most channels a project may have: far beyond the layouts' six tiles times
// any stack an installation uses, and small enough that loading never allocates
// more than a few tens of megabytes.
inline constexpr std::int32_t kMaxChannels = 256;
// The largest stack count (projectors on one layout position).
inline constexpr std::int32_t kMaxStackCount = kMaxChannels;
// The blend gamma's slider runs from 0.0 to 10.0.
inline constexpr double kMinGamma = 0.0;
inline constexpr double kMaxGamma = 10.0;
// Camera values no camera reports (the record stores values only, not ranges).
inline constexpr std::int32_t kCameraValueLimit = 1 << 20;

// A unicast IPv4 address a projector can have: not 0.x.x.x, not multicast,
// reserved or broadcast (224.0.0.0 and above).
bool IsUnicastAddress(std::uint32_t address);

// Checks a document as read from a file: solution, layout and timing indexes
// known; channel count and stack count consistent with the layout; every
// channel's address unicast and its place inside the layout; camera values and
// the gamma within their ranges; boundary tables finite. Returns true, or false
// with the first reason found in *why.
bool CheckPlausible(const VantisAuto::CDoc& doc, std::string* why);

}  // namespace vantis::model
