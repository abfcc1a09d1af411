#include "export_command.h"

#include <cmath>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "vantis/export/mpcdi.h"
#include "vantis/model/document.h"
#include "vantis/model/project_file.h"
#include "vantis/model/warps_file.h"

namespace vantis::tool {
namespace {

int Usage() {
    std::cerr
        << "usage: cfatool export-mpcdi CONFIG_OR_CFA OUT.mpcdi [--profile 2d] [--alpha-gamma G] "
           "[--warps FILE]\n"
           "  --warps FILE  calibrated warps as vantiscore warp prints them ({\"warps\": [...]}) or a "
           "bare list;\n"
           "                without it, Warps.json beside the configuration when it is of its channels\n";
    return 2;
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
    // The calibrated warps: the file given, or the one the calibration keeps
    // beside the configuration when it belongs to these channels.
    std::vector<vantis::model::StoredWarp> warps;
    bool haveWarps = false;
    if (!warpsPath.empty()) {
        if (!vantis::model::LoadWarps(warpsPath, &warps, &error)) {
            std::cerr << "cfatool: " << error << "\n";
            return 1;
        }
        if (!vantis::model::FitWarpsToDocument(&warps, doc, &error)) {
            std::cerr << "cfatool: " << warpsPath << " does not fit " << positional[0] << ": " << error
                      << "\n";
            return 1;
        }
        haveWarps = true;
    } else {
        const std::filesystem::path kept =
            std::filesystem::path(positional[0]).parent_path() / vantis::model::kWarpsFileName;
        std::error_code ec;
        if (std::filesystem::exists(kept, ec)) {
            if (!vantis::model::LoadWarps(kept, &warps, &error))
                std::cerr << "cfatool: calibrated warps not used: " << error << "\n";
            else if (!vantis::model::FitWarpsToDocument(&warps, doc, &error))
                std::cerr << "cfatool: calibrated warps not used: " << kept.string()
                          << " is of another configuration (" << error << ")\n";
            else
                haveWarps = true;
        }
    }
    std::vector<int> identity;
    vantis::mpcdi::ExportProject project =
        vantis::mpcdi::ProjectFromDocument(doc, &identity, haveWarps ? &warps : nullptr);
    project.alphaGamma = gamma;
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
