#include "export_command.h"

#include <cmath>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "vantis/export/mpcdi.h"
#include "vantis/model/document.h"
#include "vantis/model/project_file.h"

namespace vantis::tool {
namespace {

int Usage() {
    std::cerr << "usage: cfatool export-mpcdi CONFIG_OR_CFA OUT.mpcdi [--profile 2d] [--alpha-gamma G] "
                 "[--warps FILE]\n"
                 "  --warps FILE  calibrated warps as vantiscore warp prints them ({\"warps\": [...]}) or a "
                 "bare list\n";
    return 2;
}

// Calibrated warps from a file: one grid per channel, each a list of [x, y]
// in the engine's panel form (row by row).
bool ReadWarps(const std::string& path, std::vector<std::vector<std::array<double, 2>>>* warps,
               std::string* error) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    if (!in || !(text << in.rdbuf())) {
        *error = "cannot read " + path;
        return false;
    }
    try {
        nlohmann::json j = nlohmann::json::parse(text.str());
        if (j.is_object()) j = j.at("warps");
        for (const auto& grid : j) {
            std::vector<std::array<double, 2>> points;
            for (const auto& p : grid) {
                // NaN and infinities arrive as null; they are refused later by name.
                const double x = p.at(0).is_number() ? p.at(0).get<double>() : std::nan("");
                const double y = p.at(1).is_number() ? p.at(1).get<double>() : std::nan("");
                points.push_back({x, y});
            }
            warps->push_back(std::move(points));
        }
    } catch (const std::exception& e) {
        *error = path + ": " + e.what();
        return false;
    }
    return true;
}

}  // namespace

int ExportMpcdiCommand(int argc, char** argv) {
    std::vector<std::string> positional;
    std::string profile = "2d", warpsPath;
    double gamma = 1.0;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--profile" || arg == "--alpha-gamma" || arg == "--warps") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--profile") profile = value;
            if (arg == "--warps") warpsPath = value;
            if (arg == "--alpha-gamma") {
                char* end = nullptr;
                gamma = std::strtod(value.c_str(), &end);
                if (end == value.c_str() || *end != '\0' || !std::isfinite(gamma) || gamma <= 0) {
                    std::cerr << "cfatool: --alpha-gamma wants a positive number, not " << value << "\n";
                    return 2;
                }
            }
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage();
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) return Usage();
    if (profile != "2d") {
        std::cerr << "cfatool: profile " << profile << " is not offered (only 2d)\n";
        return 2;
    }
    VantisAuto::CDoc doc;
    std::string error;
    if (!vantis::model::LoadProjectFile(doc, positional[0], &error)) {
        std::cerr << "cfatool: " << positional[0] << ": " << error << "\n";
        return 1;
    }
    std::vector<int> identity;
    vantis::mpcdi::ExportProject project = vantis::mpcdi::ProjectFromDocument(doc, &identity);
    project.alphaGamma = gamma;
    if (!warpsPath.empty()) {
        std::vector<std::vector<std::array<double, 2>>> warps;
        if (!ReadWarps(warpsPath, &warps, &error)) {
            std::cerr << "cfatool: " << error << "\n";
            return 1;
        }
        identity.clear();
        for (size_t c = 0; c < project.regions.size(); ++c) {
            vantis::mpcdi::Region& r = project.regions[c];
            if (c >= warps.size()) {
                vantis::mpcdi::IdentityWarp(r);
                identity.push_back(static_cast<int>(c) + 1);
                continue;
            }
            if (warps[c].size() != static_cast<size_t>(r.gridColumns) * static_cast<size_t>(r.gridRows)) {
                std::cerr << "cfatool: " << warpsPath << ": warp " << c + 1 << " has " << warps[c].size()
                          << " points, the panel needs " << r.gridColumns * r.gridRows << "\n";
                return 1;
            }
            for (size_t k = 0; k < warps[c].size(); ++k) {
                r.warpX[k] = static_cast<float>(warps[c][k][0]);
                r.warpY[k] = static_cast<float>(warps[c][k][1]);
            }
        }
    }
    for (const int channel : identity)
        std::cerr << "cfatool: channel " << channel
                  << " has no calibrated warp; exporting its identity warp\n";
    if (!vantis::mpcdi::WriteMpcdi(project, positional[1], &error)) {
        std::cerr << "cfatool: " << error << "\n";
        return 1;
    }
    return 0;
}

}  // namespace vantis::tool
