// Export of a calibration as an MPCDI file (2D-media profile) for media
// servers and software warping: a zip container with mpcdi.xml, and per
// projector (region) a geometry warp (PFM) and an alpha map (8-bit grey PNG).
//
// The library needs no link, camera, engine or OpenCV: it works on plain
// numbers (ExportProject) that the project document provides.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "vantis/model/warps_file.h"

namespace VantisAuto {
class CDoc;
}

namespace vantis::mpcdi {

// One blend zone as the board applies it: enabled, first panel pixel, width.
struct Zone {
    bool enabled = false;
    int start = 0;
    int width = 0;
};

struct Region {
    std::string id;  // "r1", "r2", … (channel order)
    int panelWidth = 0;
    int panelHeight = 0;
    double originX = 0, originY = 0;  // where the panel's picture starts in the buffer (pixels)
    // The forward warp: gridColumns x gridRows nodes, node (j, i) is picture
    // position (min(16j, W), min(16i, H)) and holds the panel pixel showing it.
    int gridColumns = 0;
    int gridRows = 0;
    std::vector<float> warpX;  // row-major, gridColumns * gridRows
    std::vector<float> warpY;
    std::array<Zone, 4> zones{};  // left, right, top, bottom (picture pixels)
    bool zonesInPanel = false;    // zones in panel pixels: boards that blend the warped output
};

struct ExportProject {
    int bufferWidth = 0;
    int bufferHeight = 0;
    std::vector<Region> regions;
    double alphaGamma = 1.0;  // alpha maps hold ramp^(1/gamma); the XML names the gamma
};

// Size of the forward grid of a panel: one node every 16 pixels and one at
// the far edge.
int GridColumnsOf(int panelWidth);
int GridRowsOf(int panelHeight);

// The identity warp of a panel.
void IdentityWarp(Region& region);

// The board's ramp weight of a zone at picture pixel p (rising left/top
// zones, falling right/bottom), 0..1.
double ZoneWeight(const Zone& zone, bool rising, double p);

// The projects of a document: the buffer is the whole picture of a layer,
// every channel a region at its layout place with its calibrated warp and the
// blend zones the boards get with it. The warps are the document's forward
// tables (the warps the boards receive) or, given, warps kept for its channels
// (FitWarpsToDocument first). Channels without a warp get the identity warp;
// their 1-based numbers go to *identityChannels.
ExportProject ProjectFromDocument(const VantisAuto::CDoc& doc, std::vector<int>* identityChannels,
                                  const std::vector<vantis::model::StoredWarp>* warps = nullptr);

// Where the region's panel pixel (x, y) takes its picture from, in picture
// pixels of the region, by inverting the forward warp cell by cell; false
// where no cell covers the point.
class WarpInverse {
  public:
    explicit WarpInverse(const Region& region);
    // hint: a cell index to try first, updated to the cell found (-1: none).
    bool Invert(double x, double y, double* px, double* py, int* hint = nullptr) const;

  private:
    bool InvertInCell(int cell, double x, double y, double* px, double* py) const;
    const Region& region_;
    std::vector<double> nodeX_, nodeY_;  // picture positions of grid columns and rows
    int bucketSize_ = 32;
    double minX_ = 0, minY_ = 0;
    int bucketColumns_ = 0, bucketRows_ = 0;
    std::vector<std::vector<int>> buckets_;  // cell indices per bucket
};

// The files of the export, as they go into the container.
struct ExportFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// Builds every file; false with a reason for input that cannot be exported
// (no regions, a warp with non-finite values or of the wrong size, a bad
// buffer or panel size, a gamma that is not positive).
bool BuildFiles(const ExportProject& project, std::vector<ExportFile>* files, std::string* error);

// Builds the files and writes the container to path; on any failure nothing
// is left at path (the container is written beside it and renamed at the end).
bool WriteMpcdi(const ExportProject& project, const std::string& path, std::string* error);

}  // namespace vantis::mpcdi
