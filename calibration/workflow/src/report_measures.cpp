#include "calibration/report_measures.h"

#include "calibration/photo_file.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include <nlohmann/json.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "vantis/model/project_file.h"

namespace vantis::calibration {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

cv::Mat Grey(const cv::Mat& photo) {
    if (photo.empty()) return {};
    cv::Mat grey;
    if (photo.channels() == 3)
        cv::cvtColor(photo, grey, cv::COLOR_BGR2GRAY);
    else if (photo.channels() == 4)
        cv::cvtColor(photo, grey, cv::COLOR_BGRA2GRAY);
    else
        grey = photo;
    if (grey.depth() != CV_8U) grey.convertTo(grey, CV_8U);
    return grey;
}

// The light a pattern adds to the black photo, and where it is (Otsu's split).
bool LitDifference(const cv::Mat& black, const cv::Mat& lit, cv::Mat* difference, cv::Mat* mask) {
    const cv::Mat b = Grey(black), l = Grey(lit);
    if (b.empty() || l.empty() || b.size() != l.size()) return false;
    cv::subtract(l, b, *difference);  // saturates at 0
    double high = 0;
    cv::minMaxLoc(*difference, nullptr, &high);
    if (high < 8) return false;  // nothing lit
    cv::threshold(*difference, *mask, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    return true;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

std::size_t Nearest(const std::vector<cv::Point2f>& points, cv::Point2f p, double* distance) {
    std::size_t best = 0;
    double bestSq = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double dx = points[i].x - p.x, dy = points[i].y - p.y;
        const double sq = dx * dx + dy * dy;
        if (sq < bestSq) bestSq = sq, best = i;
    }
    *distance = std::sqrt(bestSq);
    return best;
}

// Camera -> panel pixels around each block: its nearest neighbours across and
// down are one block pitch apart on the panel.
std::vector<cv::Matx22d> LocalScales(const std::vector<cv::Point2f>& centres, double pitchX, double pitchY,
                                     double spacing) {
    const double fallback = spacing > 0 ? std::max(pitchX, pitchY) / spacing : 1.0;
    std::vector<cv::Matx22d> out(centres.size(), cv::Matx22d(fallback, 0, 0, fallback));
    for (std::size_t i = 0; i < centres.size(); ++i) {
        cv::Point2d across, down;
        double bestAcross = 1.6 * spacing, bestDown = 1.6 * spacing;
        bool hasAcross = false, hasDown = false;
        for (std::size_t j = 0; j < centres.size(); ++j) {
            if (j == i) continue;
            const cv::Point2d v(centres[j].x - centres[i].x, centres[j].y - centres[i].y);
            const double d = std::hypot(v.x, v.y);
            if (std::abs(v.x) >= std::abs(v.y) && d < bestAcross)
                bestAcross = d, across = v, hasAcross = true;
            if (std::abs(v.y) > std::abs(v.x) && d < bestDown) bestDown = d, down = v, hasDown = true;
        }
        if (!hasAcross || !hasDown) continue;
        const cv::Matx22d camera(across.x, down.x, across.y, down.y);
        const cv::Matx22d panel(across.x < 0 ? -pitchX : pitchX, 0, 0, down.y < 0 ? -pitchY : pitchY);
        if (std::abs(cv::determinant(camera)) < 1e-6) continue;
        out[i] = panel * camera.inv();
    }
    return out;
}

double Round3(double v) {
    return std::round(v * 1000.0) / 1000.0;
}

}  // namespace

std::vector<cv::Point2f> FindBlockCentres(const std::string& blackPhoto, const std::string& gridPhoto) {
    if (blackPhoto.empty() || gridPhoto.empty()) return {};
    return FindBlockCentres(ReadPhotoFile(blackPhoto, cv::IMREAD_GRAYSCALE),
                            ReadPhotoFile(gridPhoto, cv::IMREAD_GRAYSCALE));
}

std::vector<cv::Point2f> FindBlockCentres(const cv::Mat& black, const cv::Mat& grid) {
    cv::Mat difference, mask;
    if (!LitDifference(black, grid, &difference, &mask)) return {};
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(mask, labels, stats, centroids, 8, CV_32S);
    if (count <= 1) return {};
    // The level of the unlit picture (noise), taken off every weight.
    // Measured away from every block, so that their soft edges do not count as noise.
    cv::Mat near;
    cv::dilate(mask, near, cv::getStructuringElement(cv::MORPH_RECT, {9, 9}));
    cv::Scalar mean, deviation;
    cv::meanStdDev(difference, mean, deviation, ~near);
    const double floor = mean[0] + 2 * deviation[0];
    std::vector<double> areas;
    for (int k = 1; k < count; ++k) areas.push_back(stats.at<int>(k, cv::CC_STAT_AREA));
    const double median = Median(areas);
    const cv::Rect picture(0, 0, difference.cols, difference.rows);
    std::vector<cv::Point2f> centres;
    for (int k = 1; k < count; ++k) {
        const double area = stats.at<int>(k, cv::CC_STAT_AREA);
        // Specks of noise and merged blobs are not blocks.
        if (area < std::max(4.0, 0.3 * median) || area > 3.0 * median) continue;
        // The light-weighted centre over the block and a margin around it, so
        // that edge pixels below the split still count with their share.
        const cv::Rect box =
            cv::Rect(stats.at<int>(k, cv::CC_STAT_LEFT) - 2, stats.at<int>(k, cv::CC_STAT_TOP) - 2,
                     stats.at<int>(k, cv::CC_STAT_WIDTH) + 4, stats.at<int>(k, cv::CC_STAT_HEIGHT) + 4) &
            picture;
        double weight = 0, sx = 0, sy = 0;
        for (int y = box.y; y < box.y + box.height; ++y) {
            const std::uint8_t* light = difference.ptr<std::uint8_t>(y);
            const int* label = labels.ptr<int>(y);
            for (int x = box.x; x < box.x + box.width; ++x) {
                if (label[x] != 0 && label[x] != k) continue;  // a neighbour's light
                const double w = light[x] - floor;
                if (w <= 0) continue;
                weight += w;
                sx += w * x;
                sy += w * y;
            }
        }
        if (weight <= 0) continue;
        // Pixel centres sit at integer + 0.5 in picture coordinates.
        centres.emplace_back(static_cast<float>(sx / weight + 0.5), static_cast<float>(sy / weight + 0.5));
    }
    return centres;
}

ResidualMisregistration MisregistrationOfResidual(double residualRms, double residualMax, double errorKept) {
    const double blockError = 1.0 / std::sqrt(9.0 / 8.0);  // leave-one-out prediction taken out
    // Sanitised: a figure outside (0, 1] is no engine's, and treated as centres taken as measured.
    const double kept = errorKept > 0.0 && errorKept < 1.0 ? errorKept : 1.0;
    if (kept == 1.0) {
        constexpr double kBetweenBlocks = 2.0 / 3.0;  // bilinear blend of independent errors, RMS
        return {residualRms * blockError * kBetweenBlocks, residualMax * blockError};
    }
    // Fitted centres: neighbours share most of their windows, so their errors
    // move together and the blend between them keeps the RMS they have.
    return {residualRms * blockError * kept, residualMax * blockError * kept};
}

std::optional<DriftFigures> MeasureDrift(const std::vector<cv::Point2f>& before,
                                         const std::vector<cv::Point2f>& now, double pitchX, double pitchY) {
    if (before.size() < 4 || now.size() < 4 || pitchX <= 0 || pitchY <= 0) return std::nullopt;
    std::vector<double> gaps;
    for (std::size_t i = 0; i < before.size(); ++i) {
        std::vector<cv::Point2f> others(before);
        others.erase(others.begin() + static_cast<std::ptrdiff_t>(i));
        double d = 0;
        Nearest(others, before[i], &d);
        gaps.push_back(d);
    }
    const double spacing = Median(gaps);
    if (spacing <= 0) return std::nullopt;

    auto mean = [](const std::vector<cv::Point2f>& points) {
        cv::Point2d m(0, 0);
        for (const auto& p : points) m += cv::Point2d(p.x, p.y);
        return m * (1.0 / static_cast<double>(points.size()));
    };
    cv::Point2d shift = mean(now) - mean(before);
    std::vector<std::pair<std::size_t, std::size_t>> matches;  // now index, before index
    // Twice: the second pass with the movement of the blocks matched by the first.
    for (int pass = 0; pass < 2; ++pass) {
        matches.clear();
        std::vector<int> taken(before.size(), -1);
        for (std::size_t i = 0; i < now.size(); ++i) {
            const cv::Point2f expected(static_cast<float>(now[i].x - shift.x),
                                       static_cast<float>(now[i].y - shift.y));
            double d = 0;
            const std::size_t j = Nearest(before, expected, &d);
            if (d >= 0.4 * spacing) continue;
            if (taken[j] >= 0) continue;  // two blocks on one: keep the first only
            taken[j] = static_cast<int>(i);
            matches.emplace_back(i, j);
        }
        if (matches.empty()) return std::nullopt;
        cv::Point2d moved(0, 0);
        for (const auto& [i, j] : matches)
            moved += cv::Point2d(now[i].x - before[j].x, now[i].y - before[j].y);
        shift = moved * (1.0 / static_cast<double>(matches.size()));
    }
    if (matches.size() * 2 < std::max(before.size(), now.size())) return std::nullopt;

    const std::vector<cv::Matx22d> scales = LocalScales(before, pitchX, pitchY, spacing);
    DriftFigures f;
    double sumCamera = 0, sumPanel = 0;
    for (const auto& [i, j] : matches) {
        const cv::Vec2d d(now[i].x - before[j].x, now[i].y - before[j].y);
        const cv::Vec2d p = scales[j] * d;
        const double camera = std::hypot(d[0], d[1]), panel = std::hypot(p[0], p[1]);
        sumCamera += camera * camera;
        sumPanel += panel * panel;
        f.maxCamera = std::max(f.maxCamera, camera);
        f.maxPanel = std::max(f.maxPanel, panel);
    }
    f.blocks = static_cast<int>(matches.size());
    f.rmsCamera = std::sqrt(sumCamera / f.blocks);
    f.rmsPanel = std::sqrt(sumPanel / f.blocks);
    return f;
}

const StoredCentres::Projector* StoredCentres::Find(const std::string& address) const {
    for (const auto& p : projectors)
        if (p.address == address) return &p;
    return nullptr;
}

bool SaveCentres(const fs::path& file, const StoredCentres& centres, std::string* error) {
    json list = json::array();
    for (const auto& p : centres.projectors) {
        json points = json::array();
        for (const auto& c : p.centres) points.push_back({Round3(c.x), Round3(c.y)});
        list.push_back({{"address", p.address}, {"centres", points}});
    }
    const json out = {{"photoSize", {centres.photoWidth, centres.photoHeight}}, {"projectors", list}};
    const std::string text = out.dump() + "\n";
    std::string why;
    if (!vantis::model::WriteFileAtomically(std::vector<std::uint8_t>(text.begin(), text.end()), file,
                                            &why)) {
        if (error) *error = "cannot write " + file.filename().string() + ": " + why;
        return false;
    }
    return true;
}

bool CentresFromJson(const std::string& text, StoredCentres* centres, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    const json doc = json::parse(text, nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) return fail("not a JSON object");
    const auto size = doc.find("photoSize");
    const auto list = doc.find("projectors");
    if (size == doc.end() || !size->is_array() || size->size() != 2 || !(*size)[0].is_number_integer() ||
        !(*size)[1].is_number_integer())
        return fail("photoSize: not two whole numbers");
    if (list == doc.end() || !list->is_array() || list->size() > 4096) return fail("projectors: not a list");
    StoredCentres out;
    out.photoWidth = (*size)[0].get<int>();
    out.photoHeight = (*size)[1].get<int>();
    if (out.photoWidth <= 0 || out.photoHeight <= 0 || out.photoWidth > 100000 || out.photoHeight > 100000)
        return fail("photoSize: out of range");
    for (const json& item : *list) {
        if (!item.is_object()) return fail("projector: not an object");
        const auto address = item.find("address");
        const auto points = item.find("centres");
        if (address == item.end() || !address->is_string()) return fail("address: not text");
        if (points == item.end() || !points->is_array() || points->size() > 1000000)
            return fail("centres: not a list");
        StoredCentres::Projector p;
        p.address = address->get<std::string>();
        for (const json& c : *points) {
            if (!c.is_array() || c.size() != 2 || !c[0].is_number() || !c[1].is_number())
                return fail("centre: not a point");
            const double x = c[0].get<double>(), y = c[1].get<double>();
            if (!std::isfinite(x) || !std::isfinite(y) || x < 0 || y < 0 || x > out.photoWidth ||
                y > out.photoHeight)
                return fail("centre: outside the photo");
            p.centres.emplace_back(static_cast<float>(x), static_cast<float>(y));
        }
        out.projectors.push_back(std::move(p));
    }
    *centres = std::move(out);
    return true;
}

bool LoadCentres(const fs::path& file, StoredCentres* centres, std::string* error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        if (error) *error = "no earlier block centres";
        return false;
    }
    constexpr std::uintmax_t kLimit = 64 << 20;
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec || size > kLimit) {
        if (error) *error = ec ? "no earlier block centres" : "block centres: file too large";
        return false;
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return CentresFromJson(text, centres, error);
}

cv::Rect2d TileShare(int index, WarpingMode mode, int columns, int rows, int overlapX, int overlapY,
                     int panelWidth, int panelHeight) {
    if (mode != kWarpingBlending && mode != kWarpingStackingBlending) return {0, 0, 1, 1};
    if (columns < 1 || rows < 1 || panelWidth <= 0 || panelHeight <= 0 || overlapX < 0 || overlapY < 0 ||
        overlapX >= panelWidth || overlapY >= panelHeight || index < 0)
        return {0, 0, 1, 1};
    const int tile = index % (columns * rows);
    const int column = tile % columns, row = tile / columns;
    const double wholeWidth = columns * panelWidth - (columns - 1) * overlapX;
    const double wholeHeight = rows * panelHeight - (rows - 1) * overlapY;
    return {column * (panelWidth - overlapX) / wholeWidth, row * (panelHeight - overlapY) / wholeHeight,
            panelWidth / wholeWidth, panelHeight / wholeHeight};
}

std::vector<cv::Point2f> TileOutline(const BoundaryGrid& boundary, const cv::Rect2d& share) {
    if (boundary.size() != static_cast<std::size_t>(kBoundaryColumns * kBoundaryRows)) return {};
    auto at = [&](double u, double v) {
        const double gx = std::clamp(u, 0.0, 1.0) * (kBoundaryColumns - 1);
        const double gy = std::clamp(v, 0.0, 1.0) * (kBoundaryRows - 1);
        const int x0 = std::min(static_cast<int>(gx), kBoundaryColumns - 2);
        const int y0 = std::min(static_cast<int>(gy), kBoundaryRows - 2);
        const double fx = gx - x0, fy = gy - y0;
        auto p = [&](int x, int y) { return boundary[static_cast<std::size_t>(y * kBoundaryColumns + x)]; };
        const cv::Point2f top = p(x0, y0) * (1 - fx) + p(x0 + 1, y0) * fx;
        const cv::Point2f bottom = p(x0, y0 + 1) * (1 - fx) + p(x0 + 1, y0 + 1) * fx;
        return cv::Point2f(top * (1 - fy) + bottom * fy);
    };
    constexpr int kSteps = 32;
    const double x0 = share.x, y0 = share.y, x1 = share.x + share.width, y1 = share.y + share.height;
    std::vector<cv::Point2f> outline;
    outline.reserve(4 * kSteps);
    for (int i = 0; i < kSteps; ++i) outline.push_back(at(x0 + (x1 - x0) * i / kSteps, y0));
    for (int i = 0; i < kSteps; ++i) outline.push_back(at(x1, y0 + (y1 - y0) * i / kSteps));
    for (int i = 0; i < kSteps; ++i) outline.push_back(at(x1 - (x1 - x0) * i / kSteps, y1));
    for (int i = 0; i < kSteps; ++i) outline.push_back(at(x0, y1 - (y1 - y0) * i / kSteps));
    return outline;
}

std::optional<double> MeasureCoverage(const cv::Mat& black, const cv::Mat& white,
                                      const std::vector<cv::Point2f>& tile) {
    if (tile.size() < 3) return std::nullopt;
    cv::Mat difference, lit;
    if (!LitDifference(black, white, &difference, &lit)) return std::nullopt;
    // Noise leaves single dark pixels inside the lit area; they are not gaps.
    cv::morphologyEx(lit, lit, cv::MORPH_CLOSE, cv::getStructuringElement(cv::MORPH_RECT, {5, 5}));
    constexpr int kShift = 4;  // sub-pixel outline
    std::vector<cv::Point> polygon;
    polygon.reserve(tile.size());
    for (const auto& p : tile)
        polygon.emplace_back(cvRound(p.x * (1 << kShift)), cvRound(p.y * (1 << kShift)));
    cv::Mat area = cv::Mat::zeros(lit.size(), CV_8U);
    cv::fillPoly(area, std::vector<std::vector<cv::Point>>{polygon}, cv::Scalar(255), cv::LINE_8, kShift);
    const int inside = cv::countNonZero(area);
    if (inside == 0) return std::nullopt;
    // Outline parts outside the photo count as not reached.
    double outlineArea = std::abs(cv::contourArea(tile));
    const int reached = cv::countNonZero(area & lit);
    return std::clamp(reached / std::max<double>(outlineArea, inside), 0.0, 1.0);
}

}  // namespace vantis::calibration
