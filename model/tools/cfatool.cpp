// cfatool: a project file (system configuration or .cfa) as JSON and back.
//
//   cfatool dump FILE          prints the project as JSON
//   cfatool write JSON FILE    writes a project file from JSON
//   cfatool export-mpcdi FILE OUT.mpcdi [--profile 2d] [--alpha-gamma G] [--warps FILE]
//                              writes the calibration as an MPCDI container
//
// A file that cannot be read gives a message on standard error and exit 1: only
// regular files are read, up to a bound, and no read error escapes as an exception.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "export_command.h"
#include "project_json.h"
#include "vantis/model/project_file.h"

namespace {

int Usage() {
    std::cerr
        << "usage: cfatool dump FILE\n       cfatool write JSON FILE\n"
           "       cfatool export-mpcdi FILE OUT.mpcdi [--profile 2d] [--alpha-gamma G] [--warps FILE]\n";
    return 2;
}

// A file that reads completely but whose contents are implausible is still shown,
// so that it can be repaired, with the reason on standard error and exit 1.
int Dump(const std::string& file) {
    VantisAuto::CDoc doc;
    std::string error;
    if (!vantis::model::LoadProjectFile(doc, file, &error, vantis::model::LoadCheck::kUnchecked)) {
        std::cerr << "cfatool: cannot read project " << error << "\n";
        return 1;
    }
    std::cout << vantis::model::ProjectToJson(doc).dump(1) << "\n";
    VantisAuto::CDoc checked;
    if (!vantis::model::LoadProjectFile(checked, file, &error)) {
        std::cerr << "cfatool: the project is damaged: " << error << "\n";
        return 1;
    }
    return 0;
}

int Write(const std::string& jsonFile, const std::string& file) {
    nlohmann::json json;
    if (jsonFile == "-") {
        json = nlohmann::json::parse(std::cin, nullptr, false);
    } else {
        std::ifstream in(jsonFile);
        if (!in) {
            std::cerr << "cfatool: cannot open " << jsonFile << "\n";
            return 1;
        }
        json = nlohmann::json::parse(in, nullptr, false);
    }
    if (json.is_discarded()) {
        std::cerr << "cfatool: " << jsonFile << " is not valid JSON\n";
        return 1;
    }
    VantisAuto::CDoc doc;
    std::string error;
    if (!vantis::model::ProjectFromJson(json, doc, &error)) {
        std::cerr << "cfatool: " << jsonFile << ": " << error << "\n";
        return 1;
    }
    if (!vantis::model::SaveProjectFile(doc, file, &error)) {
        std::cerr << "cfatool: " << error << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "dump") return Dump(argv[2]);
    if (argc == 4 && std::string(argv[1]) == "write") return Write(argv[2], argv[3]);
    if (argc >= 2 && std::string(argv[1]) == "export-mpcdi")
        return vantis::tool::ExportMpcdiCommand(argc, argv);
    return Usage();
}
