#include "vantis/export/mpcdi.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <sstream>
#include <system_error>

#include <png.h>
#include <unistd.h>
#include <zip.h>

#include "vantis/model/blend_zones.h"
#include "vantis/model/document.h"
#include "vantis/model/timing.h"

namespace vantis::mpcdi {
namespace {

// Picture position of forward-grid node k of n on an axis of the given size:
// every 16 pixels, the last node at the far edge.
double NodePosition(int k, int n, int size) {
    return k == n - 1 ? size : 16.0 * k;
}

std::string Number(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", v);
    return text;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

void AppendFloat(std::vector<std::uint8_t>& out, float v) {
    std::uint8_t b[4];
    std::memcpy(b, &v, 4);  // little-endian host; the header's -1.0 says little-endian
    out.insert(out.end(), b, b + 4);
}

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void PngFlush(png_structp) {}

bool EncodeGreyPng(const std::vector<std::uint8_t>& pixels, int width, int height,
                   std::vector<std::uint8_t>* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, PngWrite, PngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(
            png, const_cast<png_bytep>(pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool ValidRegion(const Region& r, std::string* error) {
    if (r.panelWidth < 16 || r.panelHeight < 16 || r.panelWidth > 8192 || r.panelHeight > 8192) {
        *error = "region " + r.id + ": panel size " + std::to_string(r.panelWidth) + " x " +
                 std::to_string(r.panelHeight) + " is not usable";
        return false;
    }
    if (r.gridColumns != GridColumnsOf(r.panelWidth) || r.gridRows != GridRowsOf(r.panelHeight) ||
        r.warpX.size() != static_cast<size_t>(r.gridColumns) * static_cast<size_t>(r.gridRows) ||
        r.warpY.size() != r.warpX.size()) {
        *error = "region " + r.id + ": the warp grid does not fit the panel";
        return false;
    }
    for (size_t k = 0; k < r.warpX.size(); ++k) {
        if (!std::isfinite(r.warpX[k]) || !std::isfinite(r.warpY[k])) {
            *error = "region " + r.id + ": the warp holds a value that is not a finite number (node " +
                     std::to_string(k % static_cast<size_t>(r.gridColumns)) + ", " +
                     std::to_string(k / static_cast<size_t>(r.gridColumns)) + ")";
            return false;
        }
    }
    return true;
}

}  // namespace

// The engine's warp grid: a node every 16 pixels and one on the far edge.
int GridColumnsOf(int panelWidth) {
    return vantis::model::WarpNodesFor(panelWidth);
}
int GridRowsOf(int panelHeight) {
    return vantis::model::WarpNodesFor(panelHeight);
}

void IdentityWarp(Region& r) {
    r.gridColumns = GridColumnsOf(r.panelWidth);
    r.gridRows = GridRowsOf(r.panelHeight);
    r.warpX.assign(static_cast<size_t>(r.gridColumns) * static_cast<size_t>(r.gridRows), 0.0f);
    r.warpY = r.warpX;
    for (int i = 0; i < r.gridRows; ++i)
        for (int j = 0; j < r.gridColumns; ++j) {
            const size_t k =
                static_cast<size_t>(i) * static_cast<size_t>(r.gridColumns) + static_cast<size_t>(j);
            r.warpX[k] = static_cast<float>(NodePosition(j, r.gridColumns, r.panelWidth));
            r.warpY[k] = static_cast<float>(NodePosition(i, r.gridRows, r.panelHeight));
        }
}

double ZoneWeight(const Zone& zone, bool rising, double p) {
    if (!zone.enabled || zone.width < 2) return 1.0;
    const double d = p - zone.start;
    if (d < 0) return rising ? 0.0 : 1.0;
    if (d >= zone.width) return rising ? 1.0 : 0.0;
    // The board's 16-bit ramp registers: a step per pixel for rising zones, a
    // start value falling by 65536 - start per pixel for falling zones.
    const double inverse = 65536.0 / (zone.width - 1);
    if (rising) {
        const double step = std::min(std::ceil(inverse), 32767.0);
        return std::clamp(d * step, 0.0, 65536.0) / 65536.0;
    }
    const double start = std::max(std::floor(65536.0 - inverse), 32768.0);
    return std::clamp(start - d * (65536.0 - start), 0.0, 65536.0) / 65536.0;
}

ExportProject ProjectFromDocument(const VantisAuto::CDoc& doc, std::vector<int>* identityChannels,
                                  const std::vector<vantis::model::StoredWarp>* warps) {
    ExportProject project;
    const auto timing = vantis::model::TimingOf(doc.m_nTiming);
    const int w = timing.width, h = timing.height;
    const bool stacking = doc.m_nSolution == 0;
    const auto layout = doc.Layout();
    const int columns = stacking ? 1 : std::max(layout.columns, 1);
    const int rows = stacking ? 1 : std::max(layout.rows, 1);
    const int overlapX = stacking ? 0 : doc.m_overlapPixels[0];
    const int overlapY = stacking ? 0 : doc.m_overlapPixels[1];
    project.bufferWidth = columns * w - (columns - 1) * overlapX;
    project.bufferHeight = rows * h - (rows - 1) * overlapY;
    // The calibrated warps: the document's forward tables (the warps the boards
    // received), or those kept for its channels.
    const std::vector<vantis::model::StoredWarp> own =
        warps ? std::vector<vantis::model::StoredWarp>{} : vantis::model::DocumentWarps(doc);
    const std::vector<vantis::model::StoredWarp>& calibrated = warps ? *warps : own;
    // The blend zones the boards get from these warps, under the rule the
    // download uses: in picture pixels for boards that blend the picture
    // before the warp, in panel pixels for boards that blend the warped output.
    const vantis::model::BlendZoneRule rule = vantis::model::ConfiguredBlendZoneRule();
    const auto zones = vantis::model::DocumentBlendZones(doc, rule, &calibrated);
    int number = 0;
    for (const auto& channel : doc.m_channels) {
        ++number;
        Region r;
        r.id = "r" + std::to_string(number);
        r.panelWidth = w;
        r.panelHeight = h;
        const int column = stacking ? 1 : channel->m_nColumn;
        const int row = stacking ? 1 : channel->m_nRow;
        r.originX = double(column - 1) * (w - overlapX);
        r.originY = double(row - 1) * (h - overlapY);
        if (!stacking && static_cast<size_t>(number) <= zones.size()) {
            const BlendEdges& e = zones[static_cast<size_t>(number - 1)];
            for (int z = 0; z < 4; ++z) r.zones[z] = {e.v[3 * z] != 0, e.v[3 * z + 1], e.v[3 * z + 2]};
            r.zonesInPanel = rule == vantis::model::BlendZoneRule::kFollowWarp;
        }
        r.gridColumns = GridColumnsOf(w);
        r.gridRows = GridRowsOf(h);
        const vantis::model::ZoneWarp* warp = static_cast<size_t>(number) <= calibrated.size()
                                                  ? &calibrated[static_cast<size_t>(number - 1)].warp
                                                  : nullptr;
        if (warp && !warp->x.empty() && warp->columns == r.gridColumns && warp->rows == r.gridRows) {
            r.warpX = warp->x;
            r.warpY = warp->y;
        } else {
            IdentityWarp(r);
            if (identityChannels) identityChannels->push_back(number);
        }
        project.regions.push_back(std::move(r));
    }
    return project;
}

WarpInverse::WarpInverse(const Region& region) : region_(region) {
    for (int j = 0; j < region.gridColumns; ++j)
        nodeX_.push_back(NodePosition(j, region.gridColumns, region.panelWidth));
    for (int i = 0; i < region.gridRows; ++i)
        nodeY_.push_back(NodePosition(i, region.gridRows, region.panelHeight));
    if (region.warpX.empty()) return;
    const auto [minX, maxX] = std::minmax_element(region.warpX.begin(), region.warpX.end());
    const auto [minY, maxY] = std::minmax_element(region.warpY.begin(), region.warpY.end());
    minX_ = *minX;
    minY_ = *minY;
    bucketColumns_ = static_cast<int>((*maxX - *minX) / bucketSize_) + 1;
    bucketRows_ = static_cast<int>((*maxY - *minY) / bucketSize_) + 1;
    buckets_.resize(static_cast<size_t>(bucketColumns_) * static_cast<size_t>(bucketRows_));
    const int c = region.gridColumns;
    for (int i = 0; i + 1 < region.gridRows; ++i)
        for (int j = 0; j + 1 < c; ++j) {
            double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
            for (const int k : {i * c + j, i * c + j + 1, (i + 1) * c + j, (i + 1) * c + j + 1}) {
                x0 = std::min<double>(x0, region.warpX[static_cast<size_t>(k)]);
                x1 = std::max<double>(x1, region.warpX[static_cast<size_t>(k)]);
                y0 = std::min<double>(y0, region.warpY[static_cast<size_t>(k)]);
                y1 = std::max<double>(y1, region.warpY[static_cast<size_t>(k)]);
            }
            for (int by = static_cast<int>((y0 - minY_) / bucketSize_);
                 by <= static_cast<int>((y1 - minY_) / bucketSize_); ++by)
                for (int bx = static_cast<int>((x0 - minX_) / bucketSize_);
                     bx <= static_cast<int>((x1 - minX_) / bucketSize_); ++bx)
                    buckets_[static_cast<size_t>(by) * static_cast<size_t>(bucketColumns_) +
                             static_cast<size_t>(bx)]
                        .push_back(i * c + j);
        }
}

bool WarpInverse::InvertInCell(int cell, double x, double y, double* px, double* py) const {
    const int c = region_.gridColumns;
    const int j = cell % c, i = cell / c;
    auto node = [&](int dj, int di) {
        const size_t k = static_cast<size_t>((i + di) * c + j + dj);
        return std::array<double, 2>{region_.warpX[k], region_.warpY[k]};
    };
    const auto a = node(0, 0), b = node(1, 0), d = node(0, 1), e = node(1, 1);
    // Newton's method on the bilinear cell.
    double s = 0.5, t = 0.5;
    for (int iteration = 0; iteration < 12; ++iteration) {
        double f[2], ds[2], dt[2];
        for (int q = 0; q < 2; ++q) {
            f[q] = (1 - s) * (1 - t) * a[q] + s * (1 - t) * b[q] + (1 - s) * t * d[q] + s * t * e[q] -
                   (q == 0 ? x : y);
            ds[q] = (1 - t) * (b[q] - a[q]) + t * (e[q] - d[q]);
            dt[q] = (1 - s) * (d[q] - a[q]) + s * (e[q] - b[q]);
        }
        const double det = ds[0] * dt[1] - ds[1] * dt[0];
        if (std::fabs(det) < 1e-12) break;
        const double stepS = (f[0] * dt[1] - f[1] * dt[0]) / det;
        const double stepT = (ds[0] * f[1] - ds[1] * f[0]) / det;
        s -= stepS;
        t -= stepT;
        if (std::fabs(stepS) + std::fabs(stepT) < 1e-13) break;
    }
    constexpr double kSlack = 1e-7;
    if (!(s >= -kSlack && s <= 1 + kSlack && t >= -kSlack && t <= 1 + kSlack)) return false;
    *px = nodeX_[static_cast<size_t>(j)] +
          s * (nodeX_[static_cast<size_t>(j + 1)] - nodeX_[static_cast<size_t>(j)]);
    *py = nodeY_[static_cast<size_t>(i)] +
          t * (nodeY_[static_cast<size_t>(i + 1)] - nodeY_[static_cast<size_t>(i)]);
    return true;
}

bool WarpInverse::Invert(double x, double y, double* px, double* py, int* hint) const {
    if (buckets_.empty()) return false;
    // Neighbouring points mostly fall in the same cell: try the last one first.
    if (hint != nullptr && *hint >= 0 && InvertInCell(*hint, x, y, px, py)) return true;
    const int bx = static_cast<int>(std::floor((x - minX_) / bucketSize_));
    const int by = static_cast<int>(std::floor((y - minY_) / bucketSize_));
    if (bx < 0 || by < 0 || bx >= bucketColumns_ || by >= bucketRows_) return false;
    for (const int cell :
         buckets_[static_cast<size_t>(by) * static_cast<size_t>(bucketColumns_) + static_cast<size_t>(bx)]) {
        if (!InvertInCell(cell, x, y, px, py)) continue;
        if (hint != nullptr) *hint = cell;
        return true;
    }
    return false;
}

bool BuildFiles(const ExportProject& project, std::vector<ExportFile>* files, std::string* error) {
    if (project.regions.empty()) {
        *error = "the project has no channels";
        return false;
    }
    if (project.bufferWidth <= 0 || project.bufferHeight <= 0) {
        *error = "the picture size " + std::to_string(project.bufferWidth) + " x " +
                 std::to_string(project.bufferHeight) + " is not usable";
        return false;
    }
    if (!std::isfinite(project.alphaGamma) || project.alphaGamma <= 0) {
        *error = "the alpha gamma must be a positive number";
        return false;
    }
    for (const Region& r : project.regions)
        if (!ValidRegion(r, error)) return false;

    std::ostringstream xml;
    std::ostringstream filesXml;
    xml << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        << "<MPCDI profile=\"2d\" geometry=\"1\" version=\"2.0\">\n"
        << "  <display>\n"
        << "    <buffer id=\"buffer\" Xresolution=\"" << project.bufferWidth << "\" Yresolution=\""
        << project.bufferHeight << "\">\n";
    std::vector<ExportFile> out;
    for (const Region& r : project.regions) {
        xml << "      <region id=\"" << Escape(r.id) << "\" Xresolution=\"" << r.panelWidth
            << "\" Yresolution=\"" << r.panelHeight << "\" x=\"" << Number(r.originX / project.bufferWidth)
            << "\" y=\"" << Number(r.originY / project.bufferHeight) << "\" xsize=\""
            << Number(double(r.panelWidth) / project.bufferWidth) << "\" ysize=\""
            << Number(double(r.panelHeight) / project.bufferHeight) << "\"/>\n";

        // Geometry warp: a regular grid over the panel, both edges included,
        // rows stored bottom to top as PFM has them. Twice as dense as the
        // warp's nodes: the inverse of the warp bends within a node's cell, and
        // a reader interpolating between samples 16 pixels apart misses it by
        // up to a hundredth of a pixel; at 8 pixels, by a quarter of that.
        const WarpInverse inverse(r);
        const int xres = 2 * r.gridColumns - 1, yres = 2 * r.gridRows - 1;
        ExportFile pfm{r.id + "/geometry.pfm", {}};
        const std::string header = "PF\n" + std::to_string(xres) + " " + std::to_string(yres) + "\n-1.0\n";
        pfm.bytes.assign(header.begin(), header.end());
        for (int row = yres - 1; row >= 0; --row) {
            const double y = double(r.panelHeight) * row / (yres - 1);
            for (int column = 0; column < xres; ++column) {
                const double x = double(r.panelWidth) * column / (xres - 1);
                double px = 0, py = 0;
                if (inverse.Invert(x, y, &px, &py)) {
                    AppendFloat(pfm.bytes, static_cast<float>((r.originX + px) / project.bufferWidth));
                    AppendFloat(pfm.bytes, static_cast<float>((r.originY + py) / project.bufferHeight));
                } else {
                    AppendFloat(pfm.bytes, -1.0f);  // the panel shows nothing here
                    AppendFloat(pfm.bytes, -1.0f);
                }
                AppendFloat(pfm.bytes, 0.0f);
            }
        }

        // Alpha map: the board's ramps at the picture position each panel pixel
        // shows, or at the panel pixel itself for boards that blend the warped output.
        std::vector<std::uint8_t> alpha(
            static_cast<size_t>(r.panelWidth) * static_cast<size_t>(r.panelHeight), 0);
        int hint = -1;
        for (int y = 0; y < r.panelHeight; ++y)
            for (int x = 0; x < r.panelWidth; ++x) {
                double px = 0, py = 0;
                if (!inverse.Invert(x, y, &px, &py, &hint)) continue;
                if (r.zonesInPanel) px = x, py = y;
                const double ramp = ZoneWeight(r.zones[0], true, px) * ZoneWeight(r.zones[1], false, px) *
                                    ZoneWeight(r.zones[2], true, py) * ZoneWeight(r.zones[3], false, py);
                const double value = std::pow(ramp, 1.0 / project.alphaGamma);
                alpha[static_cast<size_t>(y) * static_cast<size_t>(r.panelWidth) + static_cast<size_t>(x)] =
                    static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
            }
        ExportFile png{r.id + "/alpha.png", {}};
        if (!EncodeGreyPng(alpha, r.panelWidth, r.panelHeight, &png.bytes)) {
            *error = "region " + r.id + ": the alpha map cannot be encoded";
            return false;
        }
        filesXml << "    <fileset region=\"" << Escape(r.id) << "\">\n"
                 << "      <geometryWarpFile>\n"
                 << "        <path>" << Escape(pfm.name) << "</path>\n"
                 << "        <interpolation>linear</interpolation>\n"
                 << "        <componentDepth>3</componentDepth>\n"
                 << "        <bitDepth>32</bitDepth>\n"
                 << "        <xres>" << xres << "</xres>\n"
                 << "        <yres>" << yres << "</yres>\n"
                 << "        <originOf2DData>bottomLeft</originOf2DData>\n"
                 << "      </geometryWarpFile>\n"
                 << "      <alphaMap>\n"
                 << "        <path>" << Escape(png.name) << "</path>\n"
                 << "        <componentDepth>1</componentDepth>\n"
                 << "        <bitDepth>8</bitDepth>\n"
                 << "        <gammaEmbedded>" << Number(project.alphaGamma) << "</gammaEmbedded>\n"
                 << "      </alphaMap>\n"
                 << "    </fileset>\n";
        out.push_back(std::move(pfm));
        out.push_back(std::move(png));
    }
    xml << "    </buffer>\n  </display>\n  <files>\n" << filesXml.str() << "  </files>\n</MPCDI>\n";
    const std::string text = xml.str();
    out.insert(out.begin(), ExportFile{"mpcdi.xml", std::vector<std::uint8_t>(text.begin(), text.end())});
    *files = std::move(out);
    return true;
}

bool WriteMpcdi(const ExportProject& project, const std::string& path, std::string* error) {
    std::vector<ExportFile> files;
    if (!BuildFiles(project, &files, error)) return false;

    const std::filesystem::path target(path);
    if (std::filesystem::is_directory(target)) {
        *error = path + " is a folder";
        return false;
    }
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    const std::string partial =
        (folder / ("." + target.filename().string() + ".part" + std::to_string(::getpid()))).string();
    int code = 0;
    zip_t* archive = zip_open(partial.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (archive == nullptr) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, code);
        *error = "cannot write " + path + ": " + zip_error_strerror(&reason);
        zip_error_fini(&reason);
        return false;
    }
    auto fail = [&](const std::string& what) {
        *error = "cannot write " + path + ": " + what;
        zip_discard(archive);
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        return false;
    };
    for (const ExportFile& file : files) {
        zip_source_t* source = zip_source_buffer(archive, file.bytes.data(), file.bytes.size(), 0);
        if (source == nullptr) return fail(zip_strerror(archive));
        if (zip_file_add(archive, file.name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(source);
            return fail(zip_strerror(archive));
        }
    }
    if (zip_close(archive) != 0) {
        *error = "cannot write " + path + ": " + zip_strerror(archive);
        zip_discard(archive);
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        return false;
    }
    std::error_code renamed;
    std::filesystem::rename(partial, target, renamed);
    if (renamed) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        *error = "cannot write " + path + ": " + renamed.message();
        return false;
    }
    return true;
}

}  // namespace vantis::mpcdi
