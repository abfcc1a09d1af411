#include "vantis/model/warps_file.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <system_error>

#include <nlohmann/json.hpp>

#include "vantis/ipv4.h"
#include "vantis/model/document.h"
#include "vantis/model/project_file.h"
#include "vantis/model/timing.h"

namespace vantis::model {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// A calibration's file holds a few channels of some thousand nodes; anything
// much larger is not one.
constexpr std::uintmax_t kMaxFileBytes = 64u << 20;
constexpr std::size_t kMaxNodes = static_cast<std::size_t>(kTableColumns) * kTableRows;

double Coordinate(const json& v) {
    return v.is_number() ? v.get<double>() : std::numeric_limits<double>::quiet_NaN();
}

bool ReadGrid(const json& grid, ZoneWarp* warp, std::string* error) {
    if (!grid.is_array() || grid.size() > kMaxNodes) {
        *error = "a warp is not a list of points";
        return false;
    }
    for (const json& p : grid) {
        if (!p.is_array() || p.size() != 2) {
            *error = "a warp point is not [x, y]";
            return false;
        }
        warp->x.push_back(static_cast<float>(Coordinate(p[0])));
        warp->y.push_back(static_cast<float>(Coordinate(p[1])));
    }
    return true;
}

}  // namespace

std::vector<StoredWarp> DocumentWarps(const VantisAuto::CDoc& doc) {
    const TimingInfo panel = TimingOf(doc.m_nTiming);
    const int columns = WarpNodesFor(panel.width), rows = WarpNodesFor(panel.height);
    const bool warped = static_cast<bool>(doc.m_bWarped) && panel.width > 0 && panel.height > 0 &&
                        columns <= kTableColumns && rows <= kTableRows;
    std::vector<StoredWarp> out;
    for (const auto& channel : doc.m_channels) {
        StoredWarp s;
        s.address = FormatIpv4(channel->m_dwIp);
        s.panelWidth = panel.width;
        s.panelHeight = panel.height;
        if (warped) {
            s.warp.columns = columns;
            s.warp.rows = rows;
            bool empty = true;
            for (int i = 0; i < rows; ++i)
                for (int j = 0; j < columns; ++j) {
                    const float x = channel->m_forward.x[j][i], y = channel->m_forward.y[j][i];
                    if (x != 0.0f || y != 0.0f) empty = false;
                    s.warp.x.push_back(x);
                    s.warp.y.push_back(y);
                }
            // Tables never filled hold no warp.
            if (empty) s.warp = {};
        }
        out.push_back(std::move(s));
    }
    return out;
}

bool SaveWarps(const fs::path& file, const std::vector<StoredWarp>& warps, std::string* error) {
    json channels = json::array(), grids = json::array();
    for (const StoredWarp& s : warps) {
        channels.push_back({{"address", s.address},
                            {"panel", {s.panelWidth, s.panelHeight}},
                            {"grid", {s.warp.columns, s.warp.rows}}});
        json grid = json::array();
        for (std::size_t k = 0; k < s.warp.x.size() && k < s.warp.y.size(); ++k)
            grid.push_back({s.warp.x[k], s.warp.y[k]});  // NaN goes out as null
        grids.push_back(std::move(grid));
    }
    const json out = {{"channels", channels}, {"warps", grids}};
    const std::string text = out.dump() + "\n";
    std::string why;
    if (!WriteFileAtomically(std::vector<std::uint8_t>(text.begin(), text.end()), file, &why)) {
        if (error) *error = "cannot write " + file.string() + ": " + why;
        return false;
    }
    return true;
}

bool LoadWarps(const fs::path& file, std::vector<StoredWarp>* warps, std::string* error) {
    std::string why;
    auto fail = [&](const std::string& reason) {
        if (error) *error = file.string() + ": " + reason;
        return false;
    };
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return fail("no such file");
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec || size > kMaxFileBytes) return fail("not a warps file (too large)");
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    if (!in || !(text << in.rdbuf())) return fail("cannot read");
    const json j = json::parse(text.str(), nullptr, false);
    if (j.is_discarded()) return fail("not JSON");
    const json* grids = &j;
    const json* channels = nullptr;
    if (j.is_object()) {
        if (!j.contains("warps")) return fail("no \"warps\"");
        grids = &j["warps"];
        if (j.contains("channels")) channels = &j["channels"];
    }
    if (!grids->is_array()) return fail("\"warps\" is not a list");
    if (channels && (!channels->is_array() || channels->size() != grids->size()))
        return fail("\"channels\" and \"warps\" differ in length");
    std::vector<StoredWarp> out;
    for (std::size_t c = 0; c < grids->size(); ++c) {
        StoredWarp s;
        if (!ReadGrid((*grids)[c], &s.warp, &why)) return fail(why);
        if (channels) {
            const json& ch = (*channels)[c];
            const json* panel = ch.is_object() && ch.contains("panel") ? &ch["panel"] : nullptr;
            const json* grid = ch.is_object() && ch.contains("grid") ? &ch["grid"] : nullptr;
            if (!ch.is_object() || !ch.contains("address") || !ch["address"].is_string() || !panel || !grid ||
                !panel->is_array() || panel->size() != 2 || !grid->is_array() || grid->size() != 2 ||
                !(*panel)[0].is_number_integer() || !(*panel)[1].is_number_integer() ||
                !(*grid)[0].is_number_integer() || !(*grid)[1].is_number_integer())
                return fail("channel " + std::to_string(c + 1) + " lacks its address, panel or grid");
            s.address = ch["address"].get<std::string>();
            s.panelWidth = (*panel)[0].get<int>();
            s.panelHeight = (*panel)[1].get<int>();
            s.warp.columns = (*grid)[0].get<int>();
            s.warp.rows = (*grid)[1].get<int>();
            const long long nodes = static_cast<long long>(s.warp.columns) * s.warp.rows;
            if (s.warp.x.empty())
                s.warp.columns = s.warp.rows = 0;
            else if (s.warp.columns <= 0 || s.warp.rows <= 0 ||
                     nodes != static_cast<long long>(s.warp.x.size()))
                return fail("warp " + std::to_string(c + 1) + " does not have the points its grid names");
        }
        out.push_back(std::move(s));
    }
    *warps = std::move(out);
    return true;
}

bool FitWarpsToDocument(std::vector<StoredWarp>* warps, const VantisAuto::CDoc& doc, std::string* why) {
    auto fail = [&](const std::string& reason) {
        if (why) *why = reason;
        return false;
    };
    const TimingInfo panel = TimingOf(doc.m_nTiming);
    const int columns = WarpNodesFor(panel.width), rows = WarpNodesFor(panel.height);
    if (warps->size() != doc.m_channels.size())
        return fail("it holds " + std::to_string(warps->size()) + " warps for " +
                    std::to_string(doc.m_channels.size()) + " channels");
    for (std::size_t c = 0; c < warps->size(); ++c) {
        StoredWarp& s = (*warps)[c];
        const std::string channel = "channel " + std::to_string(c + 1);
        const std::string address = FormatIpv4(doc.m_channels[c]->m_dwIp);
        if (!s.address.empty() && s.address != address)
            return fail(std::string(channel)
                            .append(" is ")
                            .append(address)
                            .append(", the warp is of ")
                            .append(s.address));
        if (s.panelWidth != 0 && (s.panelWidth != panel.width || s.panelHeight != panel.height))
            return fail(channel + "'s panel is " + std::to_string(panel.width) + " x " +
                        std::to_string(panel.height) + ", the warp's " + std::to_string(s.panelWidth) +
                        " x " + std::to_string(s.panelHeight));
        if (s.warp.x.empty()) continue;
        const bool bare = s.warp.columns == 0 && s.warp.rows == 0;
        if (bare && s.warp.x.size() == static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows)) {
            s.warp.columns = columns;
            s.warp.rows = rows;
        }
        if (s.warp.columns != columns || s.warp.rows != rows)
            return fail("warp " + std::to_string(c + 1) + " has " + std::to_string(s.warp.x.size()) +
                        " points, the panel needs " + std::to_string(columns * rows));
    }
    return true;
}

}  // namespace vantis::model
