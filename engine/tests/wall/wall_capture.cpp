#include "wall_capture.h"

#include <algorithm>
#include <limits>

#include <opencv2/imgcodecs.hpp>

#include "wallsim/geometry.h"
#include "wallsim/wall.h"

namespace vantiscore::wall {

PatternType PatternTypeOfPanel(int width, int height) {
    for (PatternType type = 0; type <= 4; ++type) {
        const PatternInfo info = AutoWarpGetPatternInfo(false, type);
        if (info.width == width && info.height == height) return type;
    }
    return -1;
}

namespace {

// The inner edges of one projector's lit area on the screen.
struct InnerEdges {
    double left = -std::numeric_limits<double>::max();
    double right = std::numeric_limits<double>::max();
    double top = -std::numeric_limits<double>::max();
    double bottom = std::numeric_limits<double>::max();
};

InnerEdges EdgesOf(const wallsim::ProjectorSpec& spec) {
    const wallsim::ProjectorOptics optics(spec);
    InnerEdges e;
    constexpr int kSamples = 64;
    for (int s = 0; s <= kSamples; ++s) {
        const double u = spec.width * s / double(kSamples);
        const double v = spec.height * s / double(kSamples);
        e.left = std::max(e.left, optics.PanelToScreen({0, v}).x);
        e.right = std::min(e.right, optics.PanelToScreen({double(spec.width), v}).x);
        e.top = std::max(e.top, optics.PanelToScreen({u, 0}).y);
        e.bottom = std::min(e.bottom, optics.PanelToScreen({u, double(spec.height)}).y);
    }
    return e;
}

std::string PhotoName(int number) {
    char name[32];
    std::snprintf(name, sizeof name, "CameraImage%03d.bmp", number);
    return name;
}

}  // namespace

cv::Rect2d ReachableRectangle(const wallsim::Scene& scene, double inset) {
    InnerEdges all;
    const int lastColumn = scene.layout.columns - 1;
    const int lastRow = scene.layout.rows - 1;
    for (const wallsim::ProjectorSpec& spec : scene.projectors) {
        const InnerEdges e = EdgesOf(spec);
        // In a tiled array only the outer projectors bound the picture.
        if (spec.column == 0) all.left = std::max(all.left, e.left);
        if (spec.column == lastColumn) all.right = std::min(all.right, e.right);
        if (spec.row == 0) all.top = std::max(all.top, e.top);
        if (spec.row == lastRow) all.bottom = std::min(all.bottom, e.bottom);
    }
    const double w = all.right - all.left;
    const double h = all.bottom - all.top;
    return {all.left + inset * w, all.top + inset * h, w * (1 - 2 * inset), h * (1 - 2 * inset)};
}

BoundaryGrid BoundaryOfScreenRectangle(const wallsim::Scene& scene, const cv::Rect2d& r) {
    const wallsim::CameraOptics camera(scene.camera, scene.screenWidth, scene.screenHeight);
    BoundaryGrid boundary;
    boundary.reserve(kBoundaryColumns * kBoundaryRows);
    for (int i = 0; i < kBoundaryRows; ++i)
        for (int j = 0; j < kBoundaryColumns; ++j) {
            const cv::Point2d screen(r.x + r.width * j / (kBoundaryColumns - 1),
                                     r.y + r.height * i / (kBoundaryRows - 1));
            const cv::Point2d picture = camera.ScreenToPicture(screen);
            boundary.emplace_back(static_cast<float>(picture.x), static_cast<float>(picture.y));
        }
    return boundary;
}

bool PlanCapture(const wallsim::Scene& scene, const std::string& folder, CaptureJob* job,
                 std::string* error) {
    if (scene.projectors.empty()) {
        *error = "scene has no projectors";
        return false;
    }
    const wallsim::ProjectorSpec& first = scene.projectors.front();
    job->patternType = PatternTypeOfPanel(first.width, first.height);
    if (job->patternType < 0) {
        *error = "panel size without a pattern type";
        return false;
    }
    const wallsim::LayoutSpec& layout = scene.layout;
    job->warpingMode = layout.mode;
    job->layoutColumns = layout.mode == 0 ? 1 : layout.columns;
    job->layoutRows = layout.mode == 0 ? 1 : layout.rows;
    job->overlapX = layout.overlapX;
    job->overlapY = layout.overlapY;
    job->stackCount = layout.layers;

    // Channel order of the engine: layers, then rows, then columns.
    job->projectorOfChannel.clear();
    for (int layer = 0; layer < layout.layers; ++layer)
        for (int row = 0; row < job->layoutRows; ++row)
            for (int column = 0; column < job->layoutColumns; ++column) {
                const int projector = wallsim::FindProjector(scene, column, row, layer);
                if (projector < 0) {
                    *error = "layout place without a projector";
                    return false;
                }
                job->projectorOfChannel.push_back(projector);
            }
    job->channelCount = static_cast<std::int32_t>(job->projectorOfChannel.size());

    job->blackPhoto = folder + "/" + PhotoName(0);
    job->whitePhotos.clear();
    job->centrePhotos.clear();
    job->gridPhotos.clear();
    for (int k = 0; k < job->channelCount; ++k) {
        job->whitePhotos.push_back(folder + "/" + PhotoName(1 + 3 * k));
        job->centrePhotos.push_back(folder + "/" + PhotoName(2 + 3 * k));
        job->gridPhotos.push_back(folder + "/" + PhotoName(3 + 3 * k));
    }
    job->thresholds.assign(static_cast<size_t>(job->channelCount), 0.0);
    job->targetOnScreen = ReachableRectangle(scene, 0.01);
    job->boundary = BoundaryOfScreenRectangle(scene, job->targetOnScreen);
    return true;
}

bool TakePhotos(const wallsim::Scene& scene, const CaptureJob& job, std::string* error) {
    wallsim::Wall wall(scene);
    int photoNumber = 0;
    auto photograph = [&](int lit, wallsim::Show show, const std::string& path) {
        const cv::Mat photo = wall.Photo(show, lit, {}, static_cast<uint64_t>(photoNumber++));
        if (cv::imwrite(path, photo)) return true;
        *error = "cannot write " + path;
        return false;
    };
    if (!photograph(-1, wallsim::Show::Black, job.blackPhoto)) return false;
    for (int k = 0; k < job.channelCount; ++k) {
        const int projector = job.projectorOfChannel[static_cast<size_t>(k)];
        if (!photograph(projector, wallsim::Show::White, job.whitePhotos[static_cast<size_t>(k)]) ||
            !photograph(projector, wallsim::Show::Centre, job.centrePhotos[static_cast<size_t>(k)]) ||
            !photograph(projector, wallsim::Show::Grid, job.gridPhotos[static_cast<size_t>(k)]))
            return false;
    }
    return true;
}

bool ComputeThresholds(CaptureJob* job, std::string* error) {
    for (int k = 0; k < job->channelCount; ++k) {
        cv::Mat difference;
        const auto i = static_cast<size_t>(k);
        if (AutoWarpCalThreshold(job->blackPhoto, job->whitePhotos[i], &difference, &job->thresholds[i], 0) !=
            0) {
            *error = "threshold of channel " + std::to_string(k + 1) + " failed";
            return false;
        }
    }
    return true;
}

bool CaptureScene(const wallsim::Scene& scene, const std::string& folder, CaptureJob* job,
                  std::string* error) {
    return PlanCapture(scene, folder, job, error) && TakePhotos(scene, *job, error) &&
           ComputeThresholds(job, error);
}

WarpResult ComputeSceneWarps(const CaptureJob& job, std::vector<WarpGrid>* warps, cv::Size* photoSize,
                             const WarpOptions& options, std::vector<ChannelFigures>* figures) {
    std::int32_t size[2] = {0, 0};
    WarpResult result = AutoDoImageWarpingEx(
        job.blackPhoto, job.whitePhotos, job.centrePhotos, job.gridPhotos, job.thresholds, job.patternType,
        job.channelCount, job.warpingMode, job.layoutColumns, job.layoutRows, job.overlapX, job.overlapY,
        job.stackCount, job.boundary, options, size, warps, figures);
    *photoSize = cv::Size(size[0], size[1]);
    return result;
}

}  // namespace vantiscore::wall
