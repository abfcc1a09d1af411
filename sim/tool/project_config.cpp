#include "project_config.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <limits>

#include <CLI/CLI.hpp>

#include "VantisCore.h"
#include "engine_boundary.h"
#include "vantis/ipv4.h"
#include "vantis/model/config.h"
#include "vantis/model/timing.h"
#include "wallsim/geometry.h"
#include "wallsim/vcam.h"

namespace wallsim::tool {

int TimingOfPanel(int width, int height) {
    // The timings the new-project wizard offers, in its order.
    for (const auto& choice : vantis::model::kWizardTimings) {
        const auto t = vantis::model::TimingOf(choice.timing);
        if (t.width == width && t.height == height) return choice.timing;
    }
    return -1;
}

cv::Rect2d LitRectangle(const Scene& scene, double inset) {
    constexpr double kBig = std::numeric_limits<double>::max();
    double left = -kBig, right = kBig, top = -kBig, bottom = kBig;
    constexpr int kSamples = 64;
    for (const ProjectorSpec& spec : scene.projectors) {
        const ProjectorOptics optics(spec);
        for (int s = 0; s <= kSamples; ++s) {
            const double u = spec.width * s / double(kSamples);
            const double v = spec.height * s / double(kSamples);
            // In a tiled array only the outer projectors bound the picture.
            if (spec.column == 0) left = std::max(left, optics.PanelToScreen({0, v}).x);
            if (spec.column == scene.layout.columns - 1)
                right = std::min(right, optics.PanelToScreen({double(spec.width), v}).x);
            if (spec.row == 0) top = std::max(top, optics.PanelToScreen({u, 0}).y);
            if (spec.row == scene.layout.rows - 1)
                bottom = std::min(bottom, optics.PanelToScreen({u, double(spec.height)}).y);
        }
    }
    const double w = right - left, h = bottom - top;
    return {left + inset * w, top + inset * h, w * (1 - 2 * inset), h * (1 - 2 * inset)};
}

namespace {

int LayoutIndexOf(int columns, int rows) {
    for (int i = 0; i < 14; ++i) {
        const auto l = vantis::model::LayoutOf(i);
        if (l.columns == columns && l.rows == rows) return i;
    }
    return -1;
}

// The boundary's point tables from a rectangle on the screen, as the camera sees it.
void FillBoundary(const Scene& scene, const cv::Rect2d& r, CBoundaryDoc& boundary) {
    const CameraOptics camera(scene.camera, scene.screenWidth, scene.screenHeight);
    for (int row = 0; row < kBoundaryRows; ++row)
        for (int column = 0; column < kBoundaryColumns; ++column) {
            const cv::Point2d screen(r.x + r.width * column / (kBoundaryColumns - 1),
                                     r.y + r.height * row / (kBoundaryRows - 1));
            const cv::Point2d picture = camera.ScreenToPicture(screen);
            for (auto* table : {&boundary.m_tableA, &boundary.m_tableB, &boundary.m_tableC}) {
                table->x[column][row] = static_cast<float>(picture.x);
                table->y[column][row] = static_cast<float>(picture.y);
            }
        }
}

bool SameName(const std::string& a, const char* b) {
    std::string lower(a);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    std::string other(b);
    std::transform(other.begin(), other.end(), other.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return lower == other;
}

// The virtual camera's name and its properties at their defaults, as the
// camera dialog leaves them.
void FillCamera(CDShowCameraData& record) {
    CameraControls controls;
    for (const VcamProperty& p : controls.Properties()) {
        for (int i = 0; i < kCameraPropertyCount; ++i) {
            const auto property = static_cast<CameraProperty>(i);
            if (!SameName(p.name, CameraPropertyName(property))) continue;
            CameraPropertyState& state = record.State(property);
            state.minimum = p.minimum;
            state.maximum = p.maximum;
            state.step = p.step;
            state.defaultValue = p.defaultValue;
            state.flags = p.flags;
            state.supported = p.supported ? 1 : 0;
            state.value = p.value;
        }
    }
}

}  // namespace

bool BuildProjectDocument(const Scene& scene, VantisAuto::CDoc* doc, std::string* error) {
    if (scene.projectors.empty()) {
        *error = "the scene has no projectors";
        return false;
    }
    const ProjectorSpec& first = scene.projectors.front();
    for (const ProjectorSpec& p : scene.projectors)
        if (p.width != first.width || p.height != first.height) {
            *error = "the projectors' panels differ";
            return false;
        }
    const int timing = TimingOfPanel(first.width, first.height);
    if (timing < 0) {
        *error = "no timing for a " + std::to_string(first.width) + " x " + std::to_string(first.height) +
                 " panel";
        return false;
    }
    const LayoutSpec& layout = scene.layout;
    const int columns = layout.mode == 0 ? 1 : layout.columns;
    const int rows = layout.mode == 0 ? 1 : layout.rows;
    const int layoutIndex = LayoutIndexOf(columns, rows);
    if (layoutIndex < 0) {
        *error = "a layout of " + std::to_string(columns) + " x " + std::to_string(rows) + " is not offered";
        return false;
    }
    doc->m_nTiming = timing;
    int width = 0, height = 0;
    doc->GetTimingSize(&width, &height);
    doc->m_nSolution = layout.mode;
    doc->m_bBlendSolution = layout.mode != 0 ? 1 : 0;
    doc->m_nStackCount = layout.layers;
    doc->m_nLayout = layoutIndex;
    doc->m_overlapPixels[0] = layout.overlapX;
    doc->m_overlapPixels[1] = layout.overlapY;
    doc->m_overlapPercent[0] = width > 0 ? layout.overlapX * 100 / width : 0;
    doc->m_overlapPercent[1] = height > 0 ? layout.overlapY * 100 / height : 0;

    int slot = 0;
    for (int layer = 0; layer < layout.layers; ++layer)
        for (int row = 0; row < rows; ++row)
            for (int column = 0; column < columns; ++column) {
                const int index = FindProjector(scene, column, row, layer);
                if (index < 0) {
                    *error = "no projector at column " + std::to_string(column) + ", row " +
                             std::to_string(row) + ", layer " + std::to_string(layer);
                    return false;
                }
                const auto address = vantis::ParseIpv4(scene.projectors[index].address);
                if (!address) {
                    *error = "bad address " + scene.projectors[index].address;
                    return false;
                }
                VantisAuto::CChannel* channel = doc->AddChannel(*address);
                channel->m_nColumn = column + 1;
                channel->m_nRow = row + 1;
                channel->m_nSlot = slot++;
            }
    doc->m_nChannelCount = slot;

    FillBoundary(scene, LitRectangle(scene, 0.01), doc->m_boundary);
    FillCamera(doc->m_camera);
    doc->SetCameraName(L"HD Pro Webcam C920");
    doc->m_bCameraConfigured = true;
    doc->m_bBoundaryDone = true;
    doc->m_bBoundaryApplied = 1;
    doc->m_bConnected = true;
    return true;
}

bool WriteProjectConfig(const Scene& scene, const ConfigTarget& target, std::filesystem::path* written,
                        std::string* error) {
    VantisAuto::CDoc doc;
    if (!BuildProjectDocument(scene, &doc, error)) return false;
    doc.m_bAutoExecution = target.autoExecution;
    if (target.engineBoundary) {
        BoundaryGrid boundary;
        if (!EngineBoundary(scene, &boundary, error)) return false;
        SetBoundaryTables(boundary, doc.m_boundary);
    }
    if (target.home.empty()) {
        *error = "no home directory given";
        return false;
    }
    // The configuration folder of that home, as the programs find it there.
    const std::filesystem::path dataHome = std::filesystem::absolute(target.home) / ".local" / "share";
    ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    if (!vantis::model::SaveSystemConfig(doc, target.vid, "Config", error)) return false;
    if (written) *written = vantis::model::SystemConfigPath(target.vid);
    return true;
}

int ConfigCommand(const std::vector<std::string>& args) {
    CLI::App app{
        "Writes the project configuration the calibration program would leave behind for a scene:\n"
        "channels, layout, solution, timing, overlap, camera, boundary, connected."};
    std::string scenePath, home, vid = "Vendor";
    bool autoExecution = false;
    bool truthBoundary = false;
    app.add_option("scene", scenePath, "scene file (JSON)")->required();
    app.add_option("--home", home,
                   "home directory; the file goes to HOME/.local/share/VID/SystemData/Config.cfg")
        ->required();
    app.add_option("--vid", vid, "vendor word of default.ini (default Vendor)");
    app.add_flag("--auto-execution", autoExecution, "set the maintenance program's Auto-Execution option");
    app.add_flag(
        "--truth-boundary", truthBoundary,
        "boundary from the ground truth (the lit rectangle) instead of the engine's automatic boundary");
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.name("wallsim config");
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    std::string error;
    Scene scene;
    if (!LoadSceneFile(scenePath, &scene, &error)) {
        std::cerr << "wallsim config: " << error << "\n";
        return 1;
    }
    std::filesystem::path written;
    if (!WriteProjectConfig(scene, {home, vid, autoExecution, !truthBoundary}, &written, &error)) {
        std::cerr << "wallsim config: " << error << "\n";
        return 1;
    }
    std::cout << written.string() << "\n";
    return 0;
}

}  // namespace wallsim::tool
