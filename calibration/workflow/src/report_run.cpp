#include "calibration/report_run.h"

#include <opencv2/imgcodecs.hpp>

#include "calibration/photo_file.h"
#include "calibration/report_measures.h"
#include "calibration/warp_compute.h"
#include "vantis/ipv4.h"
#include "vantis/model/doc_lock.h"
#include "vantis/model/warps_file.h"

namespace vantis::calibration {

namespace fs = std::filesystem;
using VantisAuto::DocLock;
using VantisAuto::DocumentLock;

namespace {

struct ChannelPhotos {
    std::string address, black, white, grid;
};

cv::Mat ReadGrey(const std::string& path) {
    if (path.empty()) return {};
    return ReadPhotoFile(path, cv::IMREAD_GRAYSCALE);
}

}  // namespace

ReportResult FinishReport(VantisAuto::CDoc& doc, const RunFacts& facts, const fs::path& folder,
                          const ReportThresholds& thresholds, const EngineCalls& engine) {
    ReportResult out;
    RunReport& r = out.report;
    r.kind = facts.kind;
    r.start = facts.start;
    r.end = facts.end;
    r.captureSeconds = facts.times.capture;
    r.computeSeconds = facts.times.compute;
    r.downloadSeconds = facts.times.download;
    r.outcome = facts.outcome;
    r.message = facts.message;
    r.engineStatus = facts.engineStatus;
    r.failedChannel = facts.failedChannel;
    r.thresholds = thresholds;

    std::vector<ChannelPhotos> channels;
    BoundaryGrid boundary;
    PatternType type = 0;
    int panelWidth = 0, panelHeight = 0, columns = 1, rows = 1, overlapX = 0, overlapY = 0;
    WarpingMode mode = 0;
    {
        DocLock lock(DocumentLock());
        for (const auto& c : doc.m_channels)
            channels.push_back(
                {vantis::FormatIpv4(c->m_dwIp), c->m_strBlackPhoto, c->m_strWhitePhoto, c->m_strGridPhoto});
        boundary = BoundaryGridOf(doc.m_boundary);
        type = doc.PatternType();
        doc.GetTimingSize(&panelWidth, &panelHeight);
        const auto layout = doc.Layout();
        columns = layout.columns;
        rows = layout.rows;
        overlapX = doc.m_overlapPixels[0];
        overlapY = doc.m_overlapPixels[1];
        mode = doc.m_nSolution;
    }
    const PatternInfo panel = engine.patternInfo(false, type);

    const fs::path centresFile = folder / kCentresFileName;
    StoredCentres before;
    std::string why;
    const bool haveBefore = facts.photographed && LoadCentres(centresFile, &before, &why);
    if (facts.photographed && !haveBefore) out.notes.push_back("no drift figures: " + why);

    StoredCentres now;
    cv::Mat black;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        const ChannelPhotos& c = channels[i];
        ProjectorReport p;
        p.address = c.address;
        if (facts.figures.size() == channels.size()) {
            const ChannelFigures& f = facts.figures[i];
            p.blocksFound = f.blocksFound;
            p.blocksExpected = f.blocksExpected;
            // The report judges what the wall shows: the misregistration the blocks' scatter causes.
            const ResidualMisregistration m =
                MisregistrationOfResidual(f.residualRms, f.residualMax, f.errorKept);
            p.residualRms = m.rms;
            p.residualMax = m.max;
            p.extrapolation = f.extrapolationMax;
        }
        if (facts.photographed) {
            if (black.empty()) black = ReadGrey(c.black);
            const cv::Mat white = ReadGrey(c.white);
            const cv::Mat grid = ReadGrey(c.grid);
            if (!black.empty()) {
                if (now.photoWidth == 0) now.photoWidth = black.cols, now.photoHeight = black.rows;
                const cv::Rect2d share = TileShare(static_cast<int>(i), mode, columns, rows, overlapX,
                                                   overlapY, panelWidth, panelHeight);
                p.coverage = MeasureCoverage(black, white, TileOutline(boundary, share));
                std::vector<cv::Point2f> centres = FindBlockCentres(black, grid);
                if (haveBefore) {
                    const StoredCentres::Projector* earlier = before.Find(c.address);
                    if (!earlier)
                        out.notes.push_back("no drift figures for " + c.address + ": not in the earlier run");
                    else if (before.photoWidth != black.cols || before.photoHeight != black.rows)
                        out.notes.push_back("no drift figures for " + c.address + ": the photo size changed");
                    else if (!(p.drift = MeasureDrift(earlier->centres, centres, panel.pitchX, panel.pitchY)))
                        out.notes.push_back("no drift figures for " + c.address +
                                            ": the blocks do not match");
                }
                if (!centres.empty()) now.projectors.push_back({c.address, std::move(centres)});
            }
        }
        r.projectors.push_back(std::move(p));
    }
    ApplyThresholds(r);

    std::string error;
    out.file = WriteReport(folder, r, &error);
    if (out.file.empty()) out.notes.push_back("the report was not written: " + error);
    // The next run's drift is measured from the last calibration, so a check keeps the earlier centres.
    const bool keepCentres = facts.photographed && r.outcome == RunOutcome::Ok && r.kind != RunKind::Check &&
                             now.projectors.size() == channels.size() && !channels.empty();
    if (keepCentres && !SaveCentres(centresFile, now, &error))
        out.notes.push_back("the block centres were not kept: " + error);
    // The warps the boards received, for the programs that start later (the
    // MPCDI export): project files hold none.
    if (r.outcome == RunOutcome::Ok && r.kind != RunKind::Check && !channels.empty()) {
        std::vector<vantis::model::StoredWarp> warps;
        {
            DocLock lock(DocumentLock());
            if (doc.m_bWarped) warps = vantis::model::DocumentWarps(doc);
        }
        if (!warps.empty() &&
            !vantis::model::SaveWarps(folder / vantis::model::kWarpsFileName, warps, &error))
            out.notes.push_back("the calibrated warps were not kept: " + error);
    }
    return out;
}

}  // namespace vantis::calibration
