#include "engine_boundary.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <opencv2/imgcodecs.hpp>

#include "wallsim/wall.h"

namespace wallsim::tool {
namespace {

// A folder for the photos, removed with them.
class PhotoFolder {
  public:
    PhotoFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "wallsim-boundary-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~PhotoFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    PhotoFolder(const PhotoFolder&) = delete;
    PhotoFolder& operator=(const PhotoFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

const char* Reason(BoundaryStatus status) {
    switch (status) {
        case kBoundaryPhotoUnreadable:
            return "a photo could not be read back";
        case kBoundaryBadArguments:
            return "the layout does not fit the projectors";
        case kBoundaryNoLight:
            return "a projector's white photo shows no light";
        case kBoundarySaturated:
            return "the photos are saturated";
        case kBoundaryRegionAtEdge:
            return "a projector's light reaches the edge of the camera picture";
        case kBoundaryNoFit:
            return "the projectors' light leaves no room for a boundary";
        default:
            return "failure";
    }
}

}  // namespace

int PatternTypeOfPanel(int width, int height) {
    for (PatternType type = 0; type < 5; ++type) {
        const PatternInfo info = AutoWarpGetPatternInfo(false, type);
        if (info.width == width && info.height == height) return type;
    }
    return -1;
}

bool EngineBoundary(const Scene& scene, BoundaryGrid* boundary, std::string* error) {
    if (scene.projectors.empty()) {
        *error = "the scene has no projectors";
        return false;
    }
    const int type = PatternTypeOfPanel(scene.projectors.front().width, scene.projectors.front().height);
    if (type < 0) {
        *error = "the engine has no pattern for the projectors' panel";
        return false;
    }
    const LayoutSpec& layout = scene.layout;
    const int columns = layout.mode == 0 ? 1 : layout.columns;
    const int rows = layout.mode == 0 ? 1 : layout.rows;
    const int layers = layout.layers;

    PhotoFolder folder;
    if (folder.path().empty()) {
        *error = "no temporary folder for the photos";
        return false;
    }
    Wall wall(scene);
    const std::string black = (folder.path() / "black.png").string();
    if (!cv::imwrite(black, wall.Photo(Show::Black, -1))) {
        *error = "cannot write the black photo";
        return false;
    }
    std::vector<std::string> whites;
    for (int layer = 0; layer < layers; ++layer)
        for (int row = 0; row < rows; ++row)
            for (int column = 0; column < columns; ++column) {
                const int index = FindProjector(scene, column, row, layer);
                if (index < 0) {
                    *error = "a layout place has no projector";
                    return false;
                }
                const std::string path =
                    (folder.path() / ("white" + std::to_string(whites.size()) + ".png")).string();
                if (!cv::imwrite(path, wall.Photo(Show::White, index))) {
                    *error = "cannot write a white photo";
                    return false;
                }
                whites.push_back(path);
            }
    BoundaryGrid grid;
    const BoundaryResult result =
        AutoWarpFindBoundary(black, whites, type, static_cast<std::int32_t>(whites.size()), layout.mode,
                             columns, rows, layout.overlapX, layout.overlapY, layers, false, &grid);
    if (result.status != kBoundaryOk) {
        *error = std::string("automatic boundary failed (status ") + std::to_string(result.status) +
                 (result.channel > 0 ? ", channel " + std::to_string(result.channel) : std::string()) +
                 "): " + Reason(result.status);
        return false;
    }
    *boundary = std::move(grid);
    return true;
}

void SetBoundaryTables(const BoundaryGrid& boundary, CBoundaryDoc& record) {
    for (int row = 0; row < kBoundaryRows; ++row)
        for (int column = 0; column < kBoundaryColumns; ++column) {
            const cv::Point2f p = boundary[static_cast<size_t>(row * kBoundaryColumns + column)];
            for (auto* table : {&record.m_tableA, &record.m_tableB, &record.m_tableC}) {
                table->x[column][row] = p.x;
                table->y[column][row] = p.y;
            }
        }
}

}  // namespace wallsim::tool
