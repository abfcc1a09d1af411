#include "mpcdi_reader.h"

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <regex>

#include <png.h>
#include <zip.h>

namespace vantis::mpcdi::testing {

std::map<std::string, std::vector<std::uint8_t>> ReadZip(const std::filesystem::path& path) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (archive == nullptr) return files;
    for (zip_int64_t k = 0; k < zip_get_num_entries(archive, 0); ++k) {
        zip_stat_t st;
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(k), 0, &st) != 0) continue;
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(k), 0);
        std::vector<std::uint8_t> bytes(st.size);
        if (file && zip_fread(file, bytes.data(), st.size) == static_cast<zip_int64_t>(st.size))
            files[st.name] = bytes;
        if (file) zip_fclose(file);
    }
    zip_close(archive);
    return files;
}

std::array<double, 2> Pfm::At(int x, int y) const {
    const size_t k = 3 * (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x));
    return {values[k], values[k + 1]};
}

bool Pfm::Sample(double x, double y, int panelWidth, int panelHeight, std::array<double, 2>* out) const {
    const double gx = x / panelWidth * (width - 1), gy = y / panelHeight * (height - 1);
    const int x0 = std::min(static_cast<int>(std::floor(gx)), width - 2);
    const int y0 = std::min(static_cast<int>(std::floor(gy)), height - 2);
    if (x0 < 0 || y0 < 0) return false;
    const auto a = At(x0, y0), b = At(x0 + 1, y0), d = At(x0, y0 + 1), e = At(x0 + 1, y0 + 1);
    if (a[0] < 0 || b[0] < 0 || d[0] < 0 || e[0] < 0) return false;
    const double fx = gx - x0, fy = gy - y0;
    for (int q = 0; q < 2; ++q)
        (*out)[q] = (1 - fy) * ((1 - fx) * a[q] + fx * b[q]) + fy * ((1 - fx) * d[q] + fx * e[q]);
    return true;
}

bool ParsePfm(const std::vector<std::uint8_t>& bytes, Pfm* pfm) {
    std::string text(bytes.begin(), bytes.begin() + static_cast<long>(std::min<size_t>(bytes.size(), 64)));
    std::smatch m;
    if (!std::regex_search(text, m, std::regex("^PF\n(\\d+) (\\d+)\n(-?[0-9.]+)\n"))) return false;
    pfm->width = std::stoi(m[1]);
    pfm->height = std::stoi(m[2]);
    if (std::stod(m[3]) >= 0) return false;  // little-endian expected
    const size_t offset = static_cast<size_t>(m.length(0));
    const size_t count = 3u * static_cast<size_t>(pfm->width) * static_cast<size_t>(pfm->height);
    if (bytes.size() != offset + 4 * count) return false;
    std::vector<float> raw(count);
    std::memcpy(raw.data(), bytes.data() + offset, 4 * count);
    // PFM rows run bottom to top.
    pfm->values.resize(count);
    const size_t row = 3u * static_cast<size_t>(pfm->width);
    for (int y = 0; y < pfm->height; ++y)
        std::memcpy(&pfm->values[static_cast<size_t>(y) * row],
                    &raw[static_cast<size_t>(pfm->height - 1 - y) * row], row * sizeof(float));
    return true;
}

double Grey::At(double x, double y) const {
    const int x0 = std::clamp(static_cast<int>(std::floor(x)), 0, width - 2);
    const int y0 = std::clamp(static_cast<int>(std::floor(y)), 0, height - 2);
    const double fx = x - x0, fy = y - y0;
    auto p = [&](int xx, int yy) {
        return pixels[static_cast<size_t>(yy) * static_cast<size_t>(width) + static_cast<size_t>(xx)] / 255.0;
    };
    return (1 - fy) * ((1 - fx) * p(x0, y0) + fx * p(x0 + 1, y0)) +
           fy * ((1 - fx) * p(x0, y0 + 1) + fx * p(x0 + 1, y0 + 1));
}

bool DecodePng(const std::vector<std::uint8_t>& bytes, Grey* grey) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return false;
    const bool eightBitGrey = image.format == PNG_FORMAT_GRAY;
    image.format = PNG_FORMAT_GRAY;
    grey->width = static_cast<int>(image.width);
    grey->height = static_cast<int>(image.height);
    grey->pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, grey->pixels.data(), 0, nullptr)) return false;
    return eightBitGrey;
}

std::string Attribute(const std::string& element, const std::string& name) {
    std::smatch m;
    if (!std::regex_search(element, m, std::regex(" " + name + "=\"([^\"]*)\""))) return {};
    return m[1];
}

int RunProgram(const std::string& program, const std::string& arguments, std::string* errors) {
    const std::string command = program + " " + arguments + " 2>&1 >/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    std::string text;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
    const int status = ::pclose(pipe);
    if (errors) *errors = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ReadMpcdi(const std::filesystem::path& path, ReadContainer* out, std::string* error) {
    auto fail = [&](const std::string& why) {
        *error = why;
        return false;
    };
    const auto files = ReadZip(path);
    out->fileCount = files.size();
    if (!files.count("mpcdi.xml")) return fail("no mpcdi.xml");
    out->xml.assign(files.at("mpcdi.xml").begin(), files.at("mpcdi.xml").end());
    const std::string& xml = out->xml;
    std::smatch m;
    if (!std::regex_search(xml, m, std::regex("<buffer[^>]*>"))) return fail("no buffer");
    const std::string buffer = m[0];
    out->bufferWidth = std::stoi("0" + Attribute(buffer, "Xresolution"));
    out->bufferHeight = std::stoi("0" + Attribute(buffer, "Yresolution"));
    const std::regex regionElement("<region[^>]*>");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), regionElement); it != std::sregex_iterator();
         ++it) {
        const std::string element = (*it)[0];
        ReadRegion r;
        r.id = Attribute(element, "id");
        r.panelWidth = std::stoi("0" + Attribute(element, "Xresolution"));
        r.panelHeight = std::stoi("0" + Attribute(element, "Yresolution"));
        r.x = std::stod("0" + Attribute(element, "x"));
        r.y = std::stod("0" + Attribute(element, "y"));
        r.xsize = std::stod("0" + Attribute(element, "xsize"));
        r.ysize = std::stod("0" + Attribute(element, "ysize"));
        // The region's fileset names its two files, and both are in the container.
        std::smatch set;
        if (!std::regex_search(xml, set,
                               std::regex("<fileset region=\"" + r.id + "\">([\\s\\S]*?)</fileset>")))
            return fail("no fileset for " + r.id);
        const std::string fileset = set[1];
        std::smatch p;
        if (!std::regex_search(fileset, p, std::regex("<geometryWarpFile>\\s*<path>([^<]+)</path>")) ||
            !files.count(p[1]) || !ParsePfm(files.at(p[1]), &r.geometry))
            return fail("no readable geometry warp for " + r.id);
        if (!std::regex_search(fileset, p, std::regex("<alphaMap>\\s*<path>([^<]+)</path>")) ||
            !files.count(p[1]) || !DecodePng(files.at(p[1]), &r.alpha))
            return fail("no readable alpha map for " + r.id);
        if (std::regex_search(fileset, p, std::regex("<gammaEmbedded>([^<]+)</gammaEmbedded>")))
            r.gamma = p[1];
        out->regions.push_back(std::move(r));
    }
    return true;
}

}  // namespace vantis::mpcdi::testing
