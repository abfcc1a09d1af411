// An MPCDI container read back without the exporter's code, for the tests:
// the zip with libzip, mpcdi.xml by plain pattern matching, the PFM by hand
// and the alpha maps with libpng.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vantis::mpcdi::testing {

// Every file of a zip by name; empty when it cannot be opened.
std::map<std::string, std::vector<std::uint8_t>> ReadZip(const std::filesystem::path& path);

struct Pfm {
    int width = 0, height = 0;
    std::vector<float> values;  // three per sample, top row first after reading
    std::array<double, 2> At(int x, int y) const;
    // Bilinear between the samples at panel pixel (x, y) of a panel of the
    // given size (samples on a regular grid, both edges included); false
    // where a sample around it is (-1, -1) (the panel shows nothing there).
    bool Sample(double x, double y, int panelWidth, int panelHeight, std::array<double, 2>* out) const;
};
bool ParsePfm(const std::vector<std::uint8_t>& bytes, Pfm* pfm);

struct Grey {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
    double At(double x, double y) const;  // bilinear, 0..1
};
// False unless the PNG is 8-bit grey.
bool DecodePng(const std::vector<std::uint8_t>& bytes, Grey* grey);

// The value of attribute `name` of an element's text; empty when absent.
std::string Attribute(const std::string& element, const std::string& name);

struct ReadRegion {
    std::string id;
    int panelWidth = 0, panelHeight = 0;
    double x = 0, y = 0, xsize = 0, ysize = 0;  // normalised buffer coordinates
    std::string gamma;                          // gammaEmbedded as written
    Pfm geometry;
    Grey alpha;
};
struct ReadContainer {
    std::string xml;
    int bufferWidth = 0, bufferHeight = 0;
    std::vector<ReadRegion> regions;
    std::size_t fileCount = 0;
};
// Runs `program arguments` and returns its exit code (-1: did not end
// normally); *errors receives its standard error.
int RunProgram(const std::string& program, const std::string& arguments, std::string* errors = nullptr);

// The whole container: false with the reason when a part is missing or damaged.
bool ReadMpcdi(const std::filesystem::path& path, ReadContainer* out, std::string* error);

}  // namespace vantis::mpcdi::testing
