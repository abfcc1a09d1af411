#include "calibration/warp_compute.h"

#include <cmath>

#include "vantis/model/doc_lock.h"
#include "vantis/model/source_map.h"
#include "vantis/model/timing.h"

namespace vantis::calibration {

using VantisAuto::DocLock;
using VantisAuto::DocumentLock;

void ComputeThresholds(VantisAuto::CDoc& doc, const EngineCalls& engine) {
    DocLock lock(DocumentLock());
    for (auto& c : doc.m_channels) {
        cv::Mat difference;
        engine.calThreshold(c->m_strBlackPhoto, c->m_strWhitePhoto, &difference, &c->m_threshold, 0);
    }
}

BoundaryGrid BoundaryGridOf(const CBoundaryDoc& boundary) {
    BoundaryGrid grid;
    grid.reserve(kBoundaryColumns * kBoundaryRows);
    for (int row = 0; row < kBoundaryRows; ++row)
        for (int column = 0; column < kBoundaryColumns; ++column)
            grid.emplace_back(boundary.m_tableB.x[column][row], boundary.m_tableB.y[column][row]);
    return grid;
}

void SetBoundaryGrid(const BoundaryGrid& grid, CBoundaryDoc& boundary) {
    if (grid.size() != static_cast<std::size_t>(kBoundaryColumns * kBoundaryRows)) return;
    for (int row = 0; row < kBoundaryRows; ++row)
        for (int column = 0; column < kBoundaryColumns; ++column) {
            const cv::Point2f& p = grid[static_cast<std::size_t>(row * kBoundaryColumns + column)];
            for (auto* table : {&boundary.m_tableA, &boundary.m_tableB, &boundary.m_tableC}) {
                table->x[column][row] = p.x;
                table->y[column][row] = p.y;
            }
        }
}

BoundaryResult FindAutoBoundary(VantisAuto::CDoc& doc, const EngineCalls& engine, BoundaryGrid* out) {
    std::string black;
    std::vector<std::string> whites;
    std::int32_t channelCount = 0;
    const PatternType type = doc.PatternType();
    const auto layout = doc.Layout();
    {
        DocLock lock(DocumentLock());
        for (auto& c : doc.m_channels) {
            whites.push_back(c->m_strWhitePhoto);
            black = c->m_strBlackPhoto;  // every channel carries the same one
        }
        channelCount = static_cast<std::int32_t>(doc.m_channels.size());
    }
    BoundaryGrid grid;
    BoundaryResult result =
        engine.findBoundary(black, whites, type, channelCount, doc.m_nSolution, layout.columns, layout.rows,
                            doc.m_overlapPixels[0], doc.m_overlapPixels[1], doc.m_nStackCount, false, &grid);
    if (result.status != kBoundaryOk) return result;
    // An answer of the wrong size, or with a point that is not a number, is refused.
    bool fits = grid.size() == static_cast<std::size_t>(kBoundaryColumns * kBoundaryRows);
    for (std::size_t i = 0; fits && i < grid.size(); ++i)
        fits = std::isfinite(grid[i].x) && std::isfinite(grid[i].y);
    if (!fits) return {kBoundaryBadArguments, 0, 0.0};
    *out = std::move(grid);
    return result;
}

BoundaryResult ComputeAutoBoundary(VantisAuto::CDoc& doc, const EngineCalls& engine) {
    BoundaryGrid grid;
    const BoundaryResult result = FindAutoBoundary(doc, engine, &grid);
    if (result.status != kBoundaryOk) return result;
    DocLock lock(DocumentLock());
    SetBoundaryGrid(grid, doc.m_boundary);
    doc.m_bBoundaryDone = true;
    return result;
}

std::string BoundaryFailureText(const BoundaryResult& result) {
    std::string text;
    switch (result.status) {
        case kBoundaryPhotoUnreadable:
            text = "a photo cannot be read or differs in size from the others";
            break;
        case kBoundaryBadArguments:
            text = "the project's layout or projector count does not fit the calculation";
            break;
        case kBoundaryNoLight:
            text = "a projector shows no light on the camera picture";
            break;
        case kBoundarySaturated:
            text = "the camera picture is saturated";
            break;
        case kBoundaryRegionAtEdge:
            text = "the lit area touches the edge of the camera picture";
            break;
        case kBoundaryNoFit:
            text = "the lit areas leave no room for a boundary";
            break;
        default:
            text = "the boundary calculation failed";
            break;
    }
    text += " (status " + std::to_string(result.status);
    if (result.channel > 0) text += ", projector " + std::to_string(result.channel);
    return text + ")";
}

WarpOptions WarpOptionsOf(const vantis::model::Defaults& defaults) {
    WarpOptions options;
    options.centres = defaults.boxCentres ? kCentresBox : kCentresCentroid;
    return options;
}

namespace {
vantis::model::SettingOfDefaults<WarpOptions> warpOptions(WarpOptionsOf);
}  // namespace

WarpOptions DefaultWarpOptions() {
    return warpOptions.Get();
}

void SetDefaultWarpOptions(const WarpOptions& options) {
    warpOptions.Set(options);
}

WarpOutcome ComputeWarps(VantisAuto::CDoc& doc, const EngineCalls& engine) {
    std::string black;
    std::vector<std::string> whites, centres, grids;
    std::vector<double> thresholds;
    std::int32_t channelCount = 0;
    const PatternType type = doc.PatternType();
    const auto layout = doc.Layout();
    int width = 0, height = 0;
    BoundaryGrid boundary;
    {
        DocLock lock(DocumentLock());
        doc.GetTimingSize(&width, &height);
        for (auto& c : doc.m_channels) {
            whites.push_back(c->m_strWhitePhoto);
            centres.push_back(c->m_strCenterPhoto);
            grids.push_back(c->m_strGridPhoto);
            thresholds.push_back(c->m_threshold);
            black = c->m_strBlackPhoto;  // every channel carries the same one
        }
        channelCount = static_cast<std::int32_t>(doc.m_channels.size());
        boundary = BoundaryGridOf(doc.m_boundary);
    }
    std::int32_t photoSize[2] = {0, 0};
    std::vector<WarpGrid> warps;
    std::vector<ChannelFigures> figures;
    const bool withFigures = UsesLibraryWarping(engine);
    const WarpResult result =
        withFigures
            ? engine.doImageWarpingWithFigures(
                  black, whites, centres, grids, thresholds, type, channelCount, doc.m_nSolution,
                  layout.columns, layout.rows, doc.m_overlapPixels[0], doc.m_overlapPixels[1],
                  doc.m_nStackCount, boundary, DefaultWarpOptions(), photoSize, &warps, &figures)
            : engine.doImageWarping(black, whites, centres, grids, thresholds, type, channelCount,
                                    doc.m_nSolution, layout.columns, layout.rows, doc.m_overlapPixels[0],
                                    doc.m_overlapPixels[1], doc.m_nStackCount, boundary, photoSize, &warps);
    if (static_cast<std::int32_t>(figures.size()) != channelCount) figures.clear();
    if (result.status != kWarpOk) return {result.status, result.channel, std::move(figures)};

    const PatternInfo panel = engine.patternInfo(false, type);
    const int columns = panel.gridColumns, rows = panel.gridRows;
    // An answer that does not fit the tables is refused before anything is written.
    if (static_cast<int>(warps.size()) != channelCount || !vantis::model::SourceMapGridFits(columns, rows))
        return {kWarpBadArguments, 0, {}};
    for (const WarpGrid& w : warps)
        if (static_cast<int>(w.size()) != columns * rows) return {kWarpBadArguments, 0, {}};

    DocLock lock(DocumentLock());
    for (std::size_t i = 0; i < doc.m_channels.size() && i < warps.size(); ++i) {
        auto& c = *doc.m_channels[i];
        for (int row = 0; row < rows; ++row)
            for (int column = 0; column < columns; ++column) {
                const cv::Point2f& p = warps[i][static_cast<std::size_t>(row * columns + column)];
                c.m_forward.x[column][row] = p.x;
                c.m_forward.y[column][row] = p.y;
            }
        vantis::model::ComputeSourceMap(c.m_forward, width, height, columns, rows, c.m_source);
    }
    return {kWarpOk, 0, std::move(figures)};
}

}  // namespace vantis::calibration
