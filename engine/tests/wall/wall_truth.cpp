#include "wall_truth.h"

#include <algorithm>

#include "wall_lattice.h"

namespace vantiscore::wall {

wallsim::TruthReport MeasureWarps(const wallsim::Scene& scene, const CaptureJob& job,
                                  const std::vector<WarpGrid>& warps, WarpRoute route, bool zonesFollowWarp) {
    const PatternInfo info = AutoWarpGetPatternInfo(false, job.patternType);
    std::vector<wallsim::TruthProjector> projectors(scene.projectors.size());
    std::vector<std::vector<cv::Point2f>> byProjector(scene.projectors.size());
    for (size_t k = 0; k < warps.size() && k < job.projectorOfChannel.size(); ++k)
        byProjector[static_cast<size_t>(job.projectorOfChannel[k])] = warps[k];
    const auto zones = wallsim::CalibrationBlendZones(scene, byProjector, zonesFollowWarp);
    for (size_t k = 0; k < warps.size() && k < job.projectorOfChannel.size(); ++k) {
        const int p = job.projectorOfChannel[k];
        wallsim::TruthProjector& truth = projectors[static_cast<size_t>(p)];
        truth = route == WarpRoute::Downloaded
                    ? wallsim::TruthFromLattice(DownloadedLattice(warps[k], info), info.width, info.height)
                    : wallsim::TruthFromWarpGrid(warps[k], info.width, info.height);
        truth.blend = zones[static_cast<size_t>(p)];
        // The calibration sets the blend gamma to the projector's, so that the ramps sum to one in light.
        truth.gammaMode = true;
        truth.gamma = scene.projectors[static_cast<size_t>(p)].gamma;
        truth.blendAfterWarp = scene.blendAfterWarp;
    }
    wallsim::TruthOptions options;
    const cv::Rect2d& t = job.targetOnScreen;
    options.target = {t.tl(), {t.x + t.width, t.y}, t.br(), {t.x, t.y + t.height}};
    return wallsim::MeasureTruth(scene, projectors, options);
}

namespace {

void TakeWorse(wallsim::Figure& worst, const wallsim::Figure& f) {
    worst.rms = std::max(worst.rms, f.rms);
    worst.max = std::max(worst.max, f.max);
    worst.points += f.points;
}

}  // namespace

WorstFigures Worst(const wallsim::TruthReport& report) {
    WorstFigures worst;
    for (const auto& s : report.stacks) TakeWorse(worst.stacking, s.misregistration);
    for (const auto& s : report.seams) {
        TakeWorse(worst.seam, s.mismatch);
        if (s.blendPoints == 0) continue;
        worst.blendMin = worst.blendPoints == 0 ? s.blendMin : std::min(worst.blendMin, s.blendMin);
        worst.blendMax = worst.blendPoints == 0 ? s.blendMax : std::max(worst.blendMax, s.blendMax);
        worst.blendPoints += s.blendPoints;
    }
    for (const auto& o : report.outlines) TakeWorse(worst.outline, o.distance);
    return worst;
}

nlohmann::json WorstToJson(const WorstFigures& w) {
    auto fig = [](const wallsim::Figure& f) {
        return nlohmann::json{{"rms", f.rms}, {"max", f.max}, {"points", f.points}};
    };
    nlohmann::json out{{"stacking", fig(w.stacking)}, {"seam", fig(w.seam)}, {"outline", fig(w.outline)}};
    if (w.blendPoints > 0)
        out["blendSum"] = {{"min", w.blendMin}, {"max", w.blendMax}, {"points", w.blendPoints}};
    return out;
}

}  // namespace vantiscore::wall
