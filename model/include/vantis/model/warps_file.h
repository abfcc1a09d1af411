// The calibrated warps of a wall, kept beside its configuration (Warps.json)
// after every successful calibration, so that programs that start later (the
// MPCDI export) have the warps the boards received: project files hold none.
//
// The file is the shape `vantiscore warp` prints, {"warps": [grid, ...]}, each
// grid the forward warp's nodes row by row as [x, y] panel pixels, with the
// channels it belongs to beside it:
//   {"channels": [{"address": "127.0.0.1", "panel": [1920, 1080],
//                  "grid": [121, 68]}, ...], "warps": [...]}
// A channel without a calibrated warp has an empty grid.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "vantis/model/blend_zones.h"

namespace VantisAuto {
class CDoc;
}

namespace vantis::model {

inline constexpr const char* kWarpsFileName = "Warps.json";

struct StoredWarp {
    std::string address;                  // empty in a bare list of grids
    int panelWidth = 0, panelHeight = 0;  // 0 in a bare list of grids
    ZoneWarp warp;                        // empty: not calibrated
};

// Every channel's forward warp as the document holds it, in channel order;
// empty warps while the document is not calibrated or a channel's tables were
// never filled. The caller holds the document lock.
std::vector<StoredWarp> DocumentWarps(const VantisAuto::CDoc& doc);

// Written beside the final name and renamed, so a reader never sees half a file.
bool SaveWarps(const std::filesystem::path& file, const std::vector<StoredWarp>& warps, std::string* error);

// Reads the file above, or {"warps": [...]} / a bare list of grids without the
// channels (addresses and sizes then unknown; a grid's size is taken as it
// comes). Non-finite values (null in JSON) are kept as NaN for the caller to
// refuse. False with the reason for a missing or damaged file.
bool LoadWarps(const std::filesystem::path& file, std::vector<StoredWarp>* warps, std::string* error);

// Whether stored warps belong to the document's channels: as many, and each
// with the channel's address, panel size and warp grid; a bare list's grids
// only need the node count, and take the document's grid size here. An empty
// grid fits any channel (it was not calibrated). False with what differs.
bool FitWarpsToDocument(std::vector<StoredWarp>* warps, const VantisAuto::CDoc& doc, std::string* why);

}  // namespace vantis::model
